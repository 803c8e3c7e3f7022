#pragma once

#include <QString>

#include <functional>
#include <memory>

// Shows the application's one kind of alert: warning style, a single "OK" button. The presenter is
// replaceable so that tests can read the texts and press OK without a modal loop.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;
    // Shows the alert and returns at once; `onOk` runs when the user presses OK.
    virtual void present(const QString& message, const QString& informative, std::function<void()> onOk) = 0;
};

void showAlert(const QString& message, const QString& informative, std::function<void()> handler = {});

// Installs the presenter used from now on; returns the previous one.
std::unique_ptr<AlertPresenter> setAlertPresenter(std::unique_ptr<AlertPresenter> presenter);
