#include "CommandRunner.h"
#include "DNSConfiguration.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

namespace {

const QString resolver = QStringLiteral("198.51.100.153");

QString none(const QString& service)
{
    return "There aren't any DNS Servers set on " + service + ".\n";
}

// Whether the operation called its completion exactly once, with true.
template<typename Operation>
bool succeeds(Operation operation)
{
    QList<bool> results;
    operation([&results](bool result) { results.append(result); });
    return results == QList<bool> {true};
}

} // namespace

// The DNS configuration as BREVAK runs it: the command texts go through real zsh to the stand-ins,
// which change a simulated Mac of the test's own.
class TestDNSConfigurationEndToEnd : public QObject
{
    Q_OBJECT

private:
    ProcessCommandRunner m_runner;
    CommandRunner::Registration m_runnerRegistration {m_runner};
    std::unique_ptr<TemporarySimulatedMac> m_mac;

    QString servers(const QString& service) const { return m_mac->dnsServers(service); }
    static bool start(DNSConfiguration& dns)
    {
        return succeeds([&](auto done) { dns.startProtection(done); });
    }
    static bool close(DNSConfiguration& dns)
    {
        return succeeds([&](auto done) { dns.closeProtection(done); });
    }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_RESOLVER_ADDRESS", resolver.toUtf8()); }

    void init()
    {
        m_mac = std::make_unique<TemporarySimulatedMac>();
        QVERIFY(m_mac->setUp({"init"}));
    }

    void cleanup() { m_mac.reset(); }

    // Every enabled handled service is protected and released; a disabled one is left alone.
    void protectedAndReleased()
    {
        QVERIFY(m_mac->setUp({"service", "disable", "Wi-Fi"}));
        DNSConfiguration dns;
        QVERIFY(!dns.isProtectionActive());
        QVERIFY(start(dns));
        QCOMPARE(servers("Ethernet"), resolver + '\n');
        QCOMPARE(servers("Thunderbolt Bridge"), resolver + '\n');
        QCOMPARE(servers("Wi-Fi"), none("Wi-Fi"));
        QVERIFY(dns.isProtectionActive());
        QVERIFY(close(dns));
        QCOMPARE(servers("Thunderbolt Bridge"), none("Thunderbolt Bridge"));
        QVERIFY(!dns.isProtectionActive());
    }

    void theDenySwitchMakesChangesFail()
    {
        DNSConfiguration dns;
        QVERIFY(m_mac->setUp({"deny", "on"}));
        LogCapture log;
        QVERIFY(!start(dns));
        QCOMPARE(log.lines(), QStringList(3, "** Error: Command requires admin privileges.\n"));
        QVERIFY(m_mac->setUp({"deny", "off"}));
        QVERIFY(start(dns));
        QVERIFY(m_mac->setUp({"deny", "on"}));
        QVERIFY(!close(dns)); // protection stays in force
        QCOMPARE(servers("Ethernet"), resolver + '\n');
    }

    // Changed since the last reading, which still shows protection: the shortcut reads again and sets
    // it again.
    void dnsChangedBehindTheBackIsRestored()
    {
        DNSConfiguration dns;
        QVERIFY(start(dns));
        QVERIFY(m_mac->setUp({"dns", "Thunderbolt Bridge", "8.8.8.8"}));
        LogCapture log;
        QVERIFY(start(dns));
        QCOMPARE(log.lines().first(), "already cinfigured");
        QCOMPARE(servers("Thunderbolt Bridge"), resolver + '\n');
    }

    void forTheConnectionFollowsTheOfflineSwitch()
    {
        NotificationCenter notifications;
        const NotificationCenter::Registration registration(notifications);
        QVERIFY(m_mac->setUp({"dns", "Wi-Fi", resolver}));
        const std::unique_ptr<Reachability> monitor = Reachability::forInternetConnection();
        DNSConfiguration dns(monitor.get()); // the real monitor of the general route
        if (monitor->currentConnection() == Reachability::Connection::unavailable) {
            QSKIP("this machine has no default route");
        }
        QVERIFY(dns.isProtectionActiveForConnection()); // Wi-Fi alone counts
        QVERIFY(m_mac->setUp({"network", "offline"}));
        QTRY_VERIFY(!dns.isProtectionActiveForConnection()); // every listed service counts
        QVERIFY(m_mac->setUp({"network", "online"}));
        QTRY_VERIFY(dns.isProtectionActiveForConnection());
    }
};

QTEST_GUILESS_MAIN(TestDNSConfigurationEndToEnd)
#include "tst_dnsconfiguration_e2e.moc"
