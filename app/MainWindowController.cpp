#include "MainWindowController.h"

#include "AppDelegate.h"
#include "Storyboard.h"

#include <QCoreApplication>

MainWindowController::MainWindowController(AppDelegate& delegate, QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<CustomWindow>())
{
    m_window->resize(795, 594);
    windowDidLoad(delegate);
    // The start screen fills the window at the first turn of the event loop: the window shows at
    // once, without waiting for the screen's logo, text and sheets to be built.
    QMetaObject::invokeMethod(
        m_window.get(),
        [window = m_window.get()] {
            window->setContentViewController(
                Storyboard::main().instantiate(QStringLiteral("ViewController")));
        },
        Qt::QueuedConnection);
}

void MainWindowController::windowDidLoad(AppDelegate& delegate)
{
    delegate.setMainWindow(m_window.get());
    const QString bundleName = QCoreApplication::applicationName();
    if (!bundleName.isEmpty()) {
        m_window->setWindowTitle(bundleName);
    }
}
