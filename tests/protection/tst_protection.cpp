#include "AlertRecorder.h"
#include "BlockedApplicationHook.h"
#include "DNSConfiguration.h"
#include "DataRow.h"
#include "FakeNetworkSetup.h"
#include "LogCapture.h"
#include "ProcessState.h"
#include "ProtectionKeeper.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

namespace {

const QString resolver = QStringLiteral("198.51.100.153");

} // namespace

// The keepers of protection: the launch and minute checks of DNS protection (when they apply it, what
// the user sees) and the hook that quits blocked applications. What the DNS configuration itself does
// is tst_dnsconfiguration's; the checks' printed lines and their restoring of servers changed behind
// BREVAK's back are the end-to-end test's (tests/e2e).
class TestProtection : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    std::unique_ptr<FakeNetworkSetup> m_networksetup;
    std::unique_ptr<DNSConfiguration> m_dns;
    std::unique_ptr<DNSConfiguration::Registration> m_dnsRegistration;
    int m_applied = 0;
    std::unique_ptr<ProtectionKeeper> m_keeper;

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_RESOLVER_ADDRESS", resolver.toUtf8()); }

    void init()
    {
        m_mac = std::make_unique<TemporarySimulatedMac>();
        m_mac->settings().setBool(keys::dnsLastStatus, true);
        m_networksetup = std::make_unique<FakeNetworkSetup>();
        m_dns = std::make_unique<DNSConfiguration>();
        m_dnsRegistration = std::make_unique<DNSConfiguration::Registration>(*m_dns);
        m_applied = 0;
        m_keeper = std::make_unique<ProtectionKeeper>([this] { ++m_applied; });
    }

    void cleanup()
    {
        m_keeper.reset();
        m_dnsRegistration.reset();
        m_dns.reset();
        m_networksetup.reset();
        m_mac.reset();
    }

    void withoutTheWishNothingRuns()
    {
        m_mac->settings().setBool(keys::dnsLastStatus, false);
        m_networksetup->runner.clear();
        LogCapture log;
        m_keeper->applyAtLaunch();
        m_keeper->check();
        QVERIFY(m_networksetup->runner.commands().isEmpty());
        QVERIFY(log.lines().isEmpty());
    }

    void theLaunchAppliesProtectionAndSynchronises()
    {
        m_keeper->applyAtLaunch();
        QCOMPARE(m_networksetup->servers.value("Wi-Fi"), resolver + '\n');
        QCOMPARE(m_applied, 1);
    }

    // Failing checks print every time but keep a single alert open until it is answered.
    void failuresShowOneAlertAtATime()
    {
        m_networksetup->refusing = QStringList {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"};
        AlertRecorder alerts;
        LogCapture log;
        m_keeper->check();
        m_keeper->applyAtLaunch(); // the launch failure counts as the same alert
        QCOMPARE(log.lines().count("found error in starting protaction"), 2);
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(alerts.alerts().first().message, "Ooops");
        QCOMPARE(alerts.alerts().first().informative, "Requires admin privileges");

        alerts.pressOk();
        m_keeper->check();
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(m_applied, 0);
        QCOMPARE(m_mac->settings().boolValue(keys::dnsLastStatus), true);
    }

    // Blocked applications are quit when they come to the front, and the block page is asked for.
    void quitsEveryExactMatch_data()
    {
        QTest::addColumn<QVariant>("blocked");
        QTest::addColumn<QString>("activated");
        QTest::addColumn<QStringList>("scripts");
        const QString quitPoker = "applescript: tell application \"Poker Stars\"\nquit\nend tell";
        dataRow("one of several", QVariant(QStringList {"Lucky Casino", "Poker Stars", "Bet Now"}),
            "Poker Stars", QStringList {quitPoker});
        dataRow("case differs", QVariant(QStringList {"Poker Stars"}), "poker stars", QStringList {});
        dataRow("listed twice", QVariant(QStringList {"Poker Stars", "Poker Stars"}), "Poker Stars",
            QStringList {quitPoker, quitPoker});
        dataRow("not a list", QVariant("Poker Stars"), "Poker Stars", QStringList {});
        dataRow("quote in the name", QVariant(QStringList {"Bet \"Live\""}), "Bet \"Live\"",
            QStringList {"applescript: tell application \"Bet \\\"Live\\\"\"\nquit\nend tell"});
    }

    void quitsEveryExactMatch()
    {
        QFETCH(QVariant, blocked);
        QFETCH(QString, activated);
        QFETCH(QStringList, scripts);
        m_mac->settings().setObject(keys::blockedAppDetails, blocked);
        blockPageRequested = false;
        RecordingCommandRunner runner;
        int blockPagesShown = 0;
        BlockedApplicationHook hook([&] { ++blockPagesShown; });

        hook.applicationActivated(activated);

        QCOMPARE(runner.commands(), scripts);
        QCOMPARE(blockPagesShown, scripts.size());
        QCOMPARE(blockPageRequested, !scripts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProtection)
#include "tst_protection.moc"
