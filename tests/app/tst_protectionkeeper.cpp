#include "AlertRecorder.h"
#include "DNSConfiguration.h"
#include "LogCapture.h"
#include "ProtectionKeeper.h"
#include "RecordingCommandRunner.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

namespace {

const QString resolver = QStringLiteral("198.51.100.153");
const QString separator(71, '=');
// The log prints each server list with its line break escaped.
const QString protectedServers = QStringLiteral("[\"198.51.100.153\\n (Ethernet)\", "
                                                "\"198.51.100.153\\n (Wi-Fi)\", "
                                                "\"198.51.100.153\\n (Thunderbolt)\"]");

} // namespace

// The launch and minute checks of DNS protection, through real zsh and the stand-ins of a simulated
// Mac of the test's own.
class TestProtectionKeeper : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    int m_applied = 0;
    std::unique_ptr<ProtectionKeeper> m_keeper;

    QString servers(const QString& service) const
    {
        return m_mac->run("networksetup", {"-getdnsservers", service}).output;
    }

    void protect()
    {
        for (const char* service : {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"}) {
            QVERIFY(m_mac->setUp({"dns", service, resolver}));
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("BREVAK_RESOLVER_ADDRESS", resolver.toUtf8());
        // One simulated Mac for the whole run: the settings store stays with the root it first saw.
        m_mac = std::make_unique<TemporarySimulatedMac>();
    }

    void cleanupTestCase() { m_mac.reset(); }

    void init()
    {
        QVERIFY(m_mac->setUp({"init"})); // a typical Mac again: no DNS servers, switches off
        DNSConfiguration::setShared(nullptr);
        SettingsStore::shared().wipe();
        SettingsStore::shared().setBool(keys::dnsLastStatus, true);
        m_applied = 0;
        m_keeper = std::make_unique<ProtectionKeeper>([this] { ++m_applied; });
        DNSConfiguration::shared(); // lists the services before the test looks at the log
    }

    void cleanup()
    {
        m_keeper.reset();
        DNSConfiguration::setShared(nullptr);
    }

    void withoutTheWishNothingRuns()
    {
        SettingsStore::shared().setBool(keys::dnsLastStatus, false);
        RecordingCommandRunner runner;
        LogCapture log;
        m_keeper->applyAtLaunch();
        m_keeper->check();
        QVERIFY(runner.commands().isEmpty());
        QVERIFY(log.lines().isEmpty());
        QCOMPARE(m_applied, 0);
    }

    void launchAppliesProtectionAndSynchronises()
    {
        m_keeper->applyAtLaunch();
        QCOMPARE(servers("Wi-Fi"), resolver + '\n');
        QCOMPARE(servers("Thunderbolt Bridge"), resolver + '\n');
        QCOMPARE(m_applied, 1);
    }

    void protectionInForceIsLeftAlone()
    {
        protect();
        LogCapture log;
        m_keeper->check();
        QCOMPARE(log.lines(), QStringList({separator, "NO CHANGE, Current DNS IP - " + protectedServers}));
        QCOMPARE(m_applied, 0);
    }

    void serversChangedBehindTheAppsBackAreSetAgain()
    {
        protect();
        QVERIFY(m_mac->setUp({"dns", "Wi-Fi", "8.8.8.8"}));
        LogCapture log;
        m_keeper->check();
        QCOMPARE(servers("Wi-Fi"), resolver + '\n');
        QCOMPARE(m_applied, 1);
        QCOMPARE(log.lines().first(), separator);
        const QString changedServers = QStringLiteral("Current DNS IP - [\"198.51.100.153\\n (Ethernet)\", "
                                                      "\"8.8.8.8\\n (Wi-Fi)\", "
                                                      "\"198.51.100.153\\n (Thunderbolt)\"]");
        QCOMPARE(log.lines().at(1), changedServers);
        QCOMPARE(log.lines().mid(log.lines().size() - 2),
            QStringList({"SET THE DNS IP - " + protectedServers, separator}));
    }

    // Failing checks print every time but keep a single alert open until it is answered.
    void failuresShowOneAlertAtATime()
    {
        QVERIFY(m_mac->setUp({"deny", "on"}));
        AlertRecorder alerts;
        LogCapture log;

        m_keeper->check();
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(alerts.alerts().first().message, "Ooops");
        QCOMPARE(alerts.alerts().first().informative, "Requires admin privileges");
        QCOMPARE(log.lines().last(), "found error in starting protaction");

        log.clear();
        m_keeper->check();
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(log.lines().last(), "found error in starting protaction");

        alerts.pressOk();
        m_keeper->check();
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(m_applied, 0);

        // The launch failure counts as the same alert.
        m_keeper->applyAtLaunch();
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(SettingsStore::shared().boolValue(keys::dnsLastStatus), true);
    }

    void theTimerRunsTheCheck()
    {
        QVERIFY(m_mac->setUp({"dns", "Ethernet", "8.8.8.8"}));
        m_keeper->start(std::chrono::milliseconds(10));
        QVERIFY(m_keeper->timer().isActive());
        QTRY_COMPARE(servers("Ethernet"), resolver + '\n');
    }
};

QTEST_GUILESS_MAIN(TestProtectionKeeper)
#include "tst_protectionkeeper.moc"
