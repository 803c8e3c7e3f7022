#pragma once

#include "SharedService.h"

#include <QString>

#include <functional>

// Shows the application's one kind of alert: warning style, a single "OK" button. The presenter is
// replaceable so that tests can read the texts and press OK without a modal loop.
class AlertPresenter
{
public:
    using Registration = SharedService<AlertPresenter>::Registration;

    virtual ~AlertPresenter() = default;
    // Shows the alert and returns at once; `onOk` runs when the user presses OK.
    virtual void present(const QString& message, const QString& informative, std::function<void()> onOk) = 0;
};

// Shows the alert through the registered presenter (the application's message box, a test's
// recorder). Without one, as in a program without windows, the alert goes to the log and its handler
// runs at once: it is never lost silently.
void showAlert(const QString& message, const QString& informative, std::function<void()> handler = {});
