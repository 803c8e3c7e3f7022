#pragma once

#include "Alert.h"

#include <QList>
#include <QStringList>

#include <functional>

// The registered alert presenter while it lives: keeps every open alert and lets the test press OK.
class AlertRecorder : public AlertPresenter
{
public:
    struct Alert
    {
        QString message;
        QString informative;
        std::function<void()> closed;
    };

    // The alerts open now, oldest first.
    const QList<Alert>& alerts() const { return m_alerts; }
    qsizetype count() const { return m_alerts.size(); }
    // The informative texts of the alerts open now, oldest first.
    QStringList informatives() const;
    // How many alerts were shown in all.
    int shown() const { return m_shown; }
    // Presses OK on the oldest alert still open.
    void pressOk();

protected:
    void present(const QString& message, const QString& informative, Handler closed) override;
    void close(const QString& message, const QString& informative) override;

private:
    QList<Alert> m_alerts;
    int m_shown = 0;
    Registration m_registration {*this};
};
