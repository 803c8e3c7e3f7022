#pragma once

#include "BlockedApplicationHook.h"
#include "CustomWindow.h"
#include "LaunchAgent.h"
#include "MainWindowHost.h"
#include "ProtectionKeeper.h"
#include "windowing.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <chrono>
#include <memory>

// Brings BREVAK up and keeps it running: the language, the menu-bar item, the watch on which
// application comes to the front, DNS protection at launch and every minute, the launch agent and
// a single running instance. It lives as long as the process's windows and hosts the main window for
// the screens.
class AppDelegate : public QObject, public MainWindowHost
{
    Q_OBJECT

public:
    struct Options
    {
        std::chrono::milliseconds protectionCheckPeriod = std::chrono::seconds(60);
    };

    AppDelegate(std::unique_ptr<platform::Workspace> workspace, Options options, QObject* parent = nullptr);

    // The window every sheet is begun on; set by the main window controller.
    CustomWindow* mainWindow() const override { return m_mainWindow; }
    void setMainWindow(CustomWindow* window) { m_mainWindow = window; }

    // Runs the launch sequence. It returns before the steps that run programs are over: protection
    // at launch, the launch agent and the single instance follow in that order; launchFinished says
    // when they are.
    void applicationDidFinishLaunching();
    // Loads the launch agent again and returns when that is done.
    void applicationWillTerminate();
    // Closing the last window leaves a menu-bar-only process that keeps protecting.
    bool applicationShouldTerminateAfterLastWindowClosed();

    // An application came to the front.
    void printMe(const QString& localizedName);
    // The once-a-minute protection check.
    void sayHello();
    // The status item was clicked.
    void showWindow();
    // Brings the application's window (the main window when there is one) to the front.
    void orderFrontFirstWindow();

    // The help window, made when the first block page is shown.
    QWidget* helpWindow() const { return m_wc.get(); }
    QSystemTrayIcon* statusItem() const { return m_statusItem.get(); }
    // The menu-bar item's icon.
    static QIcon statusItemIcon();
    ProtectionKeeper& protectionKeeper() { return m_protection; }

Q_SIGNALS:
    void launchFinished();

private:
    void alignLanguageWithSystem();
    void createStatusItem();
    void restoreGoogleSignIn();
    void showBlockPage();
    void keepSingleInstance();

    Options m_options;
    QPointer<CustomWindow> m_mainWindow;
    std::unique_ptr<QWidget> m_wc; // the help window, kept to show the block page
    std::unique_ptr<platform::Workspace> m_shared;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    ProtectionKeeper m_protection;
    BlockedApplicationHook m_blockedApplications;
    LaunchAgent m_launchAgent;
};
