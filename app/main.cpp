// BREVAK: keeps a computer's DNS pointed at a filtering resolver, quits the applications the user
// blocked, and locks every weakening action behind a PIN.

#include "ApiManager.h"
#include "AppDelegate.h"
#include "Configuration.h"
#include "FAQWC.h"
#include "MainWindowController.h"
#include "MessageBoxAlertPresenter.h"
#include "Screens.h"
#include "SessionWindowHost.h"
#include "Storyboard.h"
#include "Theme.h"
#include "platform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theme::install(app);
    QApplication::setApplicationName(QStringLiteral("BREVAK"));
    QApplication::setOrganizationDomain(QStringLiteral("mac.com"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/brevak-logo.svg")));
    // Closing the window leaves BREVAK running in the menu bar.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::quitOnTerminationSignals();

    Storyboard& storyboard = Storyboard::main();
    registerApplicationScreens(storyboard);
    storyboard.registerController(QStringLiteral("FAQWC"), [](QWidget* parent) { return new FAQWC(parent); });

    AppDelegate delegate(platform::createWorkspace(), {configuration::protectionCheckPeriod()});
    setAlertPresenter(std::make_unique<MessageBoxAlertPresenter>([&delegate]() -> QWidget* {
        return delegate.mainWindow() ? delegate.mainWindow() : QApplication::activeWindow();
    }));
    ApiManager::shared().setWindowHost(std::make_unique<SessionWindowHost>(delegate));
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &delegate,
        &AppDelegate::applicationShouldTerminateAfterLastWindowClosed);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);

    MainWindowController mainWindowController;
    delegate.applicationDidFinishLaunching();
    mainWindowController.window()->show();
    return QApplication::exec();
}
