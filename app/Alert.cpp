#include "Alert.h"

#include "Diagnostics.h"

void AlertPresenter::show(const QString& message, const QString& informative, Handler handler)
{
    const Texts texts {message, informative};
    if (const auto open = m_open.find(texts); open != m_open.end()) {
        if (handler) {
            open->append(std::move(handler));
        }
        return;
    }
    QList<Handler> handlers;
    if (handler) {
        handlers.append(std::move(handler));
    }
    m_open.insert(texts, handlers);
    present(message, informative, [this, texts] { closed(texts); });
}

void AlertPresenter::dismiss(const QString& message, const QString& informative)
{
    if (isOpen(message, informative)) {
        close(message, informative);
    }
}

bool AlertPresenter::isOpen(const QString& message, const QString& informative) const
{
    return m_open.contains({message, informative});
}

void AlertPresenter::closed(const Texts& texts)
{
    // The same alert may be shown again from a handler: it is closed by then.
    const QList<Handler> handlers = m_open.take(texts);
    for (const Handler& handler : handlers) {
        handler();
    }
}

void showAlert(const QString& message, const QString& informative, std::function<void()> handler)
{
    if (SharedService<AlertPresenter>::isRegistered()) {
        SharedService<AlertPresenter>::get().show(message, informative, std::move(handler));
        return;
    }
    diagnostics::printLine("Alert: " + message + " - " + informative);
    if (handler) {
        handler();
    }
}

void dismissAlert(const QString& message, const QString& informative)
{
    if (SharedService<AlertPresenter>::isRegistered()) {
        SharedService<AlertPresenter>::get().dismiss(message, informative);
    }
}
