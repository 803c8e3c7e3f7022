// BREVAK: keeps a computer's DNS pointed at a filtering resolver, quits the applications the user
// blocked, and locks every weakening action behind a PIN.

#include "AppDelegate.h"
#include "ApplicationServices.h"
#include "Configuration.h"
#include "MainWindowController.h"
#include "MessageBoxAlertPresenter.h"
#include "Screens.h"
#include "SessionWindowHost.h"
#include "Storyboard.h"
#include "Theme.h"
#include "WebsitePageWC.h"
#include "windowing.h"

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

    // Everything below ends, in the reverse order, before the application object does.
    ApplicationServices services;
    AppDelegate delegate(platform::createWorkspace(), {configuration::protectionCheckPeriod()});

    Storyboard storyboard;
    const Storyboard::Registration storyboardRegistration(storyboard);
    registerApplicationScreens(storyboard, delegate);
    storyboard.registerPlugin(QStringLiteral("brevak_webpages"), delegate);

    MessageBoxAlertPresenter alerts([&delegate]() -> QWidget* {
        return delegate.mainWindow() ? delegate.mainWindow() : QApplication::activeWindow();
    });
    const AlertPresenter::Registration alertsRegistration(alerts);
    services.api().setWindowHost(std::make_unique<SessionWindowHost>(delegate));
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &delegate,
        &AppDelegate::applicationShouldTerminateAfterLastWindowClosed);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);

    // The window shows first; the launch steps follow without holding it up.
    MainWindowController mainWindowController(delegate);
    mainWindowController.window()->show();
    delegate.applicationDidFinishLaunching();
    // Development builds open one more window by its storyboard identifier (BREVAK_OPEN_WINDOW), to look
    // at a window before a screen opens it; the live chat's end-to-end test opens the chat so.
    const QString developmentIdentifier = configuration::developmentWindow();
    std::unique_ptr<QWidget> developmentWindow(
        developmentIdentifier.isEmpty() ? nullptr : storyboard.instantiate(developmentIdentifier));
    if (developmentWindow)
        developmentWindow->show();
    return QApplication::exec();
}
