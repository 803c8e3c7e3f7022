#include "MainWindowController.h"

#include "AppDelegate.h"
#include "Storyboard.h"

#include <QCoreApplication>

MainWindowController::MainWindowController(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<CustomWindow>())
{
    m_window->resize(795, 594);
    windowDidLoad();
    m_window->setContentViewController(Storyboard::main().instantiate(QStringLiteral("ViewController")));
}

void MainWindowController::windowDidLoad()
{
    if (AppDelegate* delegate = AppDelegate::shared()) {
        delegate->setMainWindow(m_window.get());
    }
    const QString bundleName = QCoreApplication::applicationName();
    if (!bundleName.isEmpty()) {
        m_window->setWindowTitle(bundleName);
    }
}
