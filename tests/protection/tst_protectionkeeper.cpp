#include "AlertRecorder.h"
#include "DNSConfiguration.h"
#include "FakeNetworkSetup.h"
#include "LogCapture.h"
#include "ProtectionKeeper.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

namespace {

const QString resolver = QStringLiteral("198.51.100.153");
const QString separator(71, '=');
// The log prints each server list with its line break escaped.
// (Escaped, not raw: moc misreads raw strings with backslashes.)
const QString protectedServers = "[\"198.51.100.153\\n (Ethernet)\", \"198.51.100.153\\n (Wi-Fi)\", "
                                 "\"198.51.100.153\\n (Thunderbolt)\"]";

} // namespace

// The launch and minute checks of DNS protection: when they apply it, what they print and what the
// user sees. What the DNS configuration itself does is tst_dnsconfiguration's.
class TestProtectionKeeper : public QObject
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

    // The timer's check leaves protection in force alone and sets changed servers again.
    void theTimerChecksAndRestores()
    {
        m_networksetup->setAll(resolver + '\n');
        LogCapture log;
        m_keeper->check();
        QCOMPARE(log.lines(), QStringList({separator, "NO CHANGE, Current DNS IP - " + protectedServers}));
        QCOMPARE(m_applied, 0);

        log.clear();
        m_networksetup->servers.insert("Wi-Fi", "8.8.8.8\n");
        m_keeper->start(std::chrono::milliseconds(10));
        QTRY_COMPARE(m_applied, 1);
        QCOMPARE(log.lines().at(1),
            "Current DNS IP - [\"198.51.100.153\\n (Ethernet)\", \"8.8.8.8\\n (Wi-Fi)\", "
            "\"198.51.100.153\\n (Thunderbolt)\"]");
        const qsizetype applied = log.lines().indexOf("SET THE DNS IP - " + protectedServers);
        QVERIFY(applied > 1);
        QCOMPARE(log.lines().at(applied + 1), separator);
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
};

QTEST_GUILESS_MAIN(TestProtectionKeeper)
#include "tst_protectionkeeper.moc"
