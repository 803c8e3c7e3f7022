#pragma once

#include "Alert.h"

#include <QPointer>
#include <QWidget>

// Shows alerts as application-modal warning boxes with one orange "OK" button. The box is opened,
// not executed, so no nested event loop runs while it waits for the user.
class MessageBoxAlertPresenter : public AlertPresenter
{
public:
    // `windowProvider` names the window the box belongs to (the main window when there is one).
    explicit MessageBoxAlertPresenter(std::function<QWidget*()> windowProvider);

    void present(const QString& message, const QString& informative, std::function<void()> onOk) override;

private:
    std::function<QWidget*()> m_windowProvider;
};
