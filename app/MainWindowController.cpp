#include "MainWindowController.h"

#include "AppDelegate.h"
#include "Storyboard.h"

#include <QCoreApplication>

MainWindowController::MainWindowController(QObject* parent)
    : QObject(parent)
    , m_window(new CustomWindow)
{
    m_window->resize(795, 594);
    windowDidLoad();
    m_window->setContentViewController(Storyboard::main().instantiate(QStringLiteral("ViewController")));
}

MainWindowController::~MainWindowController()
{
    delete m_window;
}

void MainWindowController::windowDidLoad()
{
    if (AppDelegate* delegate = AppDelegate::shared()) {
        delegate->setMainWindow(m_window);
    }
    const QString bundleName = QCoreApplication::applicationName();
    if (!bundleName.isEmpty()) {
        m_window->setWindowTitle(bundleName);
    }
}
