#pragma once

#include "Alert.h"

#include <QList>

#include <functional>

// Takes the place of the alert presenter while it lives: keeps every alert and lets the test press OK.
class AlertRecorder
{
public:
    struct Alert
    {
        QString message;
        QString informative;
        std::function<void()> onOk;
    };

    AlertRecorder();
    ~AlertRecorder();
    AlertRecorder(const AlertRecorder&) = delete;
    AlertRecorder& operator=(const AlertRecorder&) = delete;

    const QList<Alert>& alerts() const { return m_alerts; }
    qsizetype count() const { return m_alerts.size(); }
    // Presses OK on the oldest alert still open and removes it.
    void pressOk();

private:
    friend class RecordingPresenter;
    QList<Alert> m_alerts;
    std::unique_ptr<AlertPresenter> m_previous;
};
