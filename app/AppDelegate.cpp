#include "AppDelegate.h"

#include "BlockPage.h"
#include "CommonWS.h"
#include "Diagnostics.h"
#include "GoogleSignIn.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QEventLoop>

#include <algorithm>
#include <utility>

namespace {

void synchroniseAccountStatus()
{
    CommonWS::shared().syncURL({});
}

} // namespace

AppDelegate::AppDelegate(std::unique_ptr<platform::Workspace> workspace, Options options, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_shared(std::move(workspace))
    , m_protection(synchroniseAccountStatus)
    , m_blockedApplications([this] { showBlockPage(); })
{ }

void AppDelegate::applicationDidFinishLaunching()
{
    alignLanguageWithSystem();
    createStatusItem();
    restoreGoogleSignIn();
    connect(m_shared.get(), &platform::Workspace::applicationActivated, this, &AppDelegate::printMe);
    // The steps that run programs follow one another, each when the one before has ended, while the
    // window is already shown.
    m_protection.applyAtLaunch([this] {
        m_protection.start(m_options.protectionCheckPeriod);
        m_launchAgent.install();
        m_launchAgent.load(this, [this] {
            keepSingleInstance();
            Q_EMIT launchFinished();
        });
    });
}

void AppDelegate::applicationWillTerminate()
{
    diagnostics::printLine(QStringLiteral("applicationWillTerminate"));
    // The application's event loop has ended; this one turns until launchctl has loaded the agent.
    QEventLoop loading;
    bool loaded = false;
    m_launchAgent.load(this, [&loading, &loaded] {
        loaded = true;
        loading.quit();
    });
    if (!loaded) {
        loading.exec();
    }
}

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed()
{
    platform::setAccessoryActivationPolicy();
    return false;
}

void AppDelegate::printMe(const QString& localizedName)
{
    m_blockedApplications.applicationActivated(localizedName);
}

void AppDelegate::sayHello()
{
    m_protection.check();
}

void AppDelegate::orderFrontFirstWindow()
{
    QWidget* window = m_mainWindow;
    if (!window) {
        const QWidgetList windows = QApplication::topLevelWidgets();
        window = windows.isEmpty() ? nullptr : windows.first();
    }
    if (window) {
        platform::setRegularActivationPolicy();
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void AppDelegate::showWindow()
{
    orderFrontFirstWindow();
    QMetaObject::invokeMethod(
        this,
        [] {
            CommonWS::shared().syncURL([] {
                NotificationCenter::shared().post(QString::fromLatin1(notifications::pinProtectionOff),
                    SettingsStore::shared().boolValue(keys::isPinSeted));
            });
        },
        Qt::QueuedConnection);
}

void AppDelegate::alignLanguageWithSystem()
{
    const QString system = localization::systemLanguageCode();
    const std::optional<QString> stored = SettingsStore::shared().textValue(keys::currentLanguage);
    if (!system.isEmpty() && stored && *stored != system) {
        SettingsStore::shared().setString(keys::currentLanguage, system);
    }
}

// A mask: the macOS menu bar draws it as a template image, white on a dark bar and black on a light one.
QIcon AppDelegate::statusItemIcon()
{
    QIcon icon(QStringLiteral(":/icons/hand.raised.fill.svg"));
    icon.setIsMask(true);
    return icon;
}

void AppDelegate::createStatusItem()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        diagnostics::printLine(QStringLiteral("No menu bar for the status item; the window is the way back"));
        return;
    }
    m_statusItem = std::make_unique<QSystemTrayIcon>(statusItemIcon());
    m_statusItem->setToolTip(QStringLiteral("BREVAK"));
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this, &AppDelegate::showWindow);
    m_statusItem->show();
}

void AppDelegate::restoreGoogleSignIn()
{
    GoogleSignIn::restorePreviousSignIn([](bool restored) {
        diagnostics::printLine(restored ? QStringLiteral("User Signed In") : QStringLiteral("No user"));
    });
}

void AppDelegate::showBlockPage()
{
    ::showBlockPage(m_wc);
}

// The newest BREVAK keeps running: this one ends every other that started before it, whatever order
// the workspace lists them in, and leaves a newer one (launchd may start one while this one starts) to
// end this one. Two that start together therefore never end each other.
void AppDelegate::keepSingleInstance()
{
    const QList<platform::RunningApplication> running
        = m_shared->runningApplications(QString::fromLatin1(platform::ownBundleIdentifier));
    const qint64 ownProcessId = QCoreApplication::applicationPid();
    const auto self = std::find_if(
        running.cbegin(), running.cend(), [ownProcessId](const platform::RunningApplication& application) {
            return application.processId == ownProcessId;
        });
    const auto startedBeforeThisOne = [&](const platform::RunningApplication& other) {
        return self == running.cend()
            || std::pair(other.launchTime, other.processId) < std::pair(self->launchTime, ownProcessId);
    };
    for (const platform::RunningApplication& other : running) {
        if (other.processId != ownProcessId && startedBeforeThisOne(other)) {
            m_shared->terminate(other);
        }
    }
}
