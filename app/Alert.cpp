#include "Alert.h"

#include "Diagnostics.h"

namespace {

// Until the application installs its window presenter (and in programs without windows) the alert
// still reaches the log; it is never lost silently.
class LogAlertPresenter : public AlertPresenter
{
public:
    void present(const QString& message, const QString& informative, std::function<void()> onOk) override
    {
        diagnostics::printLine("Alert: " + message + " - " + informative);
        if (onOk) {
            onOk();
        }
    }
};

std::unique_ptr<AlertPresenter>& currentPresenter()
{
    static std::unique_ptr<AlertPresenter> presenter = std::make_unique<LogAlertPresenter>();
    return presenter;
}

} // namespace

void showAlert(const QString& message, const QString& informative, std::function<void()> handler)
{
    currentPresenter()->present(message, informative, std::move(handler));
}

std::unique_ptr<AlertPresenter> setAlertPresenter(std::unique_ptr<AlertPresenter> presenter)
{
    if (!presenter) {
        presenter = std::make_unique<LogAlertPresenter>();
    }
    return std::exchange(currentPresenter(), std::move(presenter));
}
