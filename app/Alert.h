#pragma once

#include "SharedService.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

// Shows the application's one kind of alert: warning style, a single "OK" button. An alert with the
// same title and message as one still open is not shown again: its handler joins the open one's and
// runs when that one closes. The presenter is replaceable so that tests can read the texts and press
// OK without a modal loop.
class AlertPresenter
{
public:
    using Registration = SharedService<AlertPresenter>::Registration;
    using Handler = std::function<void()>;

    virtual ~AlertPresenter() = default;

    // Shows the alert unless the same one is open; returns at once.
    void show(const QString& message, const QString& informative, Handler handler);
    // Closes the open alert with these texts, if any, as if OK had been pressed.
    void dismiss(const QString& message, const QString& informative);
    bool isOpen(const QString& message, const QString& informative) const;

protected:
    // Shows one alert and returns at once. When it closes (OK pressed, or closed through close()),
    // the presenter calls `closed`, once.
    virtual void present(const QString& message, const QString& informative, Handler closed) = 0;
    // Closes the alert with these texts that present() showed.
    virtual void close(const QString& message, const QString& informative) = 0;

private:
    using Texts = QPair<QString, QString>;
    void closed(const Texts& texts);

    QHash<Texts, QList<Handler>> m_open; // the handlers waiting for each open alert
};

// Shows the alert through the registered presenter (the application's message box, a test's
// recorder). Without one, as in a program without windows, the alert goes to the log and its handler
// runs at once: it is never lost silently.
void showAlert(const QString& message, const QString& informative, std::function<void()> handler = {});
// Closes the open alert with these texts, if there is one; its handlers run.
void dismissAlert(const QString& message, const QString& informative);
