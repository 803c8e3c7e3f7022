#include "AppDelegate.h"
#include "AppTestSupport.h"
#include "DNSConfiguration.h"
#include "DataRow.h"
#include "Diagnostics.h"
#include "FakeWorkspace.h"
#include "Localization.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "RecordingCommandRunner.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QScreen>
#include <QTest>

// The launch and life of the application, on a simulated Mac with its stand-ins, a fake workspace
// and a fake account server.
class TestAppDelegate : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    std::unique_ptr<FakeAccountServer> m_server;
    FakeWorkspace* m_workspace = nullptr;
    std::unique_ptr<AppDelegate> m_delegate;

    void createDelegate()
    {
        auto workspace = std::make_unique<FakeWorkspace>();
        m_workspace = workspace.get();
        m_delegate = std::make_unique<AppDelegate>(std::move(workspace), AppDelegate::Options {});
    }

    QString servers(const QString& service) const
    {
        return m_mac->run("networksetup", {"-getdnsservers", service}).output;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("BREVAK_RESOLVER_ADDRESS", "198.51.100.153");
        m_mac = std::make_unique<TemporarySimulatedMac>();
        registerScreensForTests();
    }

    void cleanupTestCase() { m_mac.reset(); }

    void init()
    {
        QVERIFY(m_mac->setUp({"init"}));
        QDir(m_mac->root() + "/home/Library/LaunchAgents").removeRecursively();
        SettingsStore::shared().wipe();
        DNSConfiguration::setShared(nullptr);
        m_server = std::make_unique<FakeAccountServer>();
        m_server->network.respondWith(FakeResponse::answer(200, syncAnswer(true, false)));
        createDelegate();
    }

    void cleanup()
    {
        m_delegate.reset();
        m_server.reset();
        DNSConfiguration::setShared(nullptr);
    }

    void theStoredLanguageFollowsTheSystem_data()
    {
        const QString system = localization::systemLanguageCode();
        const QString other = system == "fr" ? "en" : "fr";
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("afterLaunch");
        dataRow("another language", QVariant(other), QVariant(system));
        dataRow("the system's", QVariant(system), QVariant(system));
        dataRow("nothing stored stays so", QVariant(), QVariant());
    }

    void theStoredLanguageFollowsTheSystem()
    {
        QFETCH(QVariant, stored);
        QFETCH(QVariant, afterLaunch);
        if (stored.isValid()) {
            SettingsStore::shared().setObject(keys::currentLanguage, stored);
        }
        m_delegate->applicationDidFinishLaunching();
        QCOMPARE(SettingsStore::shared().objectValue(keys::currentLanguage), afterLaunch);
    }

    // Menu-bar item, Google restore, protection, agent, single instance: one log shows the order.
    void theLaunchRunsItsStepsInOrder()
    {
        SettingsStore::shared().setBool(keys::dnsLastStatus, true);
        m_workspace->running = {{100, "com.mac.brevak", "BREVAK"}, {300, "com.mac.brevak", "BREVAK"}};
        RecordingCommandRunner runner;
        runner.setResponder([](const QString& command) {
            diagnostics::printLine("command: " + command.section(' ', 0, 1));
            return command.endsWith("-listallnetworkservices") ? QStringLiteral("Wi-Fi\n") : QString();
        });
        LogCapture log;
        m_delegate->applicationDidFinishLaunching();

        const auto position = [&log](const QString& start) {
            const auto it = std::find_if(log.lines().cbegin(), log.lines().cend(),
                [&start](const QString& line) { return line.startsWith(start); });
            return it == log.lines().cend() ? -1 : int(it - log.lines().cbegin());
        };
        const QList<int> order {position("No menu bar for the status item"), position("No user"),
            position("command: networksetup -listallnetworkservices"),
            position("command: networksetup -setdnsservers"), position("LaunchAgents Folder Created"),
            position("command: " + platform::launchctlPath() + " load"), position("Load Plist - ")};
        QVERIFY2(!order.contains(-1), qPrintable(log.lines().join('\n')));
        QVERIFY2(std::is_sorted(order.cbegin(), order.cend()), qPrintable(log.lines().join('\n')));
        QVERIFY(m_delegate->protectionKeeper().timer().isActive());
        QCOMPARE(m_workspace->terminated.size(), 1); // the last step
    }

    // The order of the launch steps is theLaunchRunsItsStepsInOrder's; here their effect on the Mac.
    void aFirstLaunchInstallsAndLoadsTheAgentAndLeavesDNSAlone()
    {
        m_delegate->applicationDidFinishLaunching();
        QVERIFY(m_mac->simctl({"state"}).output.contains("com.mac.brevak.plist"));
        QCOMPARE(servers("Wi-Fi"), "There aren't any DNS Servers set on Wi-Fi.\n");
        QCOMPARE(m_delegate->protectionKeeper().timer().interval(), 60000);
    }

    void theWishForProtectionIsAppliedAtLaunch()
    {
        // The first reachability report synchronises on its own; only the launch's own one counts here.
        QTRY_COMPARE(m_server->requestsTo("/api/v3/sync-url"), 1);
        m_server->network.clear();
        SettingsStore::shared().setBool(keys::dnsLastStatus, true);
        m_delegate->applicationDidFinishLaunching();
        QCOMPARE(servers("Ethernet"), "198.51.100.153\n");
        QCOMPARE(servers("Thunderbolt Bridge"), "198.51.100.153\n");
        // Applied protection is followed by a status synchronisation.
        QTRY_COMPARE(m_server->requestsTo("/api/v3/sync-url"), 1);
    }

    void anOlderInstanceIsAskedToQuit()
    {
        m_workspace->running = {{100, "com.mac.brevak", "BREVAK"}, {200, "com.apple.Safari", "Safari"},
            {300, "com.mac.brevak", "BREVAK"}};
        m_delegate->applicationDidFinishLaunching();
        QCOMPARE(m_workspace->terminated.size(), 1);
        QCOMPARE(m_workspace->terminated.first().processId, 100);

        m_workspace->running = {{300, "com.mac.brevak", "BREVAK"}};
        m_workspace->terminated.clear();
        createDelegate();
        m_workspace->running = {{300, "com.mac.brevak", "BREVAK"}};
        m_delegate->applicationDidFinishLaunching();
        QVERIFY(m_workspace->terminated.isEmpty());
    }

    void aBlockedApplicationIsQuitAndTheBlockPageFillsTheScreen()
    {
        SettingsStore::shared().setObject(keys::blockedAppDetails, QStringList {"Lucky Spin Casino"});
        m_delegate->applicationDidFinishLaunching();
        RecordingCommandRunner runner;

        m_workspace->activate("Safari");
        QVERIFY(runner.commands().isEmpty());
        QVERIFY(!m_delegate->helpWindow()->isVisible());

        m_workspace->activate("Lucky Spin Casino");
        QCOMPARE(runner.commands(),
            QStringList {"applescript: tell application \"Lucky Spin Casino\"\nquit\nend tell"});
        QVERIFY(m_delegate->helpWindow()->isVisible());
        QCOMPARE(m_delegate->helpWindow()->size(), QGuiApplication::primaryScreen()->geometry().size());
    }

    void theStatusItemBringsTheWindowBackAndReportsThePinState()
    {
        m_server->network.respondWith(FakeResponse::answer(200, syncAnswer(true, true)));
        CustomWindow window;
        m_delegate->setMainWindow(&window);
        QObject observer;
        QList<QVariant> posted;
        NotificationCenter::shared().addObserver(
            &observer, notifications::pinProtectionOff, [&](const QVariant& value) { posted << value; });

        m_delegate->showWindow();
        QVERIFY(window.isVisible());
        QTRY_COMPARE(posted, QList<QVariant> {true});
        QCOMPARE(SettingsStore::shared().boolValue(keys::isPinSeted), true);
    }

    void closingTheLastWindowKeepsBrevakInTheMenuBar()
    {
        QCOMPARE(m_delegate->applicationShouldTerminateAfterLastWindowClosed(), false);
        QVERIFY(m_mac->simctl({"state"}).output.contains("menu-bar only"));
    }

    void anOrderlyQuitLoadsTheAgentAgain()
    {
        RecordingCommandRunner runner;
        LogCapture log;
        m_delegate->applicationWillTerminate();
        QCOMPARE(log.lines().first(), "applicationWillTerminate");
        QCOMPARE(log.lines().last(), "Load Plist - ");
        QCOMPARE(runner.commands().size(), 1);
        QVERIFY(runner.commands().first().endsWith(
            " load " + m_mac->root() + "/home/Library/LaunchAgents/com.mac.brevak.plist"));
    }
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
