#include "Alert.h"

#include "Diagnostics.h"

void showAlert(const QString& message, const QString& informative, std::function<void()> handler)
{
    if (SharedService<AlertPresenter>::isRegistered()) {
        SharedService<AlertPresenter>::get().present(message, informative, std::move(handler));
        return;
    }
    diagnostics::printLine("Alert: " + message + " - " + informative);
    if (handler) {
        handler();
    }
}
