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
    m_window->setContentViewController(Storyboard::main().instantiate(QStringLiteral("ViewController")));
}

void MainWindowController::windowDidLoad(AppDelegate& delegate)
{
    delegate.setMainWindow(m_window.get());
    const QString bundleName = QCoreApplication::applicationName();
    if (!bundleName.isEmpty()) {
        m_window->setWindowTitle(bundleName);
    }
}
