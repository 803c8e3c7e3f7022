#pragma once

#include "Alert.h"

#include <QList>

#include <functional>

// The registered alert presenter while it lives: keeps every alert and lets the test press OK.
class AlertRecorder : public AlertPresenter
{
public:
    struct Alert
    {
        QString message;
        QString informative;
        std::function<void()> onOk;
    };

    void present(const QString& message, const QString& informative, std::function<void()> onOk) override
    {
        m_alerts.append({message, informative, std::move(onOk)});
    }

    const QList<Alert>& alerts() const { return m_alerts; }
    qsizetype count() const { return m_alerts.size(); }
    // Presses OK on the oldest alert still open and removes it.
    void pressOk();

private:
    QList<Alert> m_alerts;
    Registration m_registration {*this};
};
