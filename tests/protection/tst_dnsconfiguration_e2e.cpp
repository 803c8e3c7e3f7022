#include "CommandRunner.h"
#include "DNSConfiguration.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "TemporarySimulatedMac.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

const QString resolver = QStringLiteral("198.51.100.153");

QString none(const QString& service)
{
    return "There aren't any DNS Servers set on " + service + ".\n";
}

// The Bool an operation hands its completion, once it has come; false when it does not come.
template<typename Operation>
bool outcome(Operation operation)
{
    QList<bool> results;
    operation([&results](bool result) { results.append(result); });
    return QTest::qWaitFor([&results] { return !results.isEmpty(); }, 60000) && results == QList<bool> {true};
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
        return outcome([&](auto done) { dns.startProtection(done); });
    }
    static bool close(DNSConfiguration& dns)
    {
        return outcome([&](auto done) { dns.closeProtection(done); });
    }
    static bool active(DNSConfiguration& dns)
    {
        return outcome([&](auto done) { dns.isProtectionActive(done); });
    }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_RESOLVER_ADDRESS", resolver.toUtf8()); }

    void init()
    {
        m_mac = std::make_unique<TemporarySimulatedMac>();
        QVERIFY(m_mac->setUp({"init"}));
    }

    void cleanup() { m_mac.reset(); }

    // Every enabled service is protected and released; a disabled one is left alone.
    void protectedAndReleased()
    {
        QVERIFY(m_mac->setUp({"service", "disable", "Wi-Fi"}));
        DNSConfiguration dns;
        QVERIFY(!active(dns));
        QVERIFY(start(dns));
        QCOMPARE(servers("Ethernet"), resolver + '\n');
        QCOMPARE(servers("Thunderbolt Bridge"), resolver + '\n');
        QCOMPARE(servers("Wi-Fi"), none("Wi-Fi"));
        QVERIFY(active(dns));
        QVERIFY(close(dns));
        QCOMPARE(servers("Thunderbolt Bridge"), none("Thunderbolt Bridge"));
        QVERIFY(!active(dns));
    }

    // Services added while BREVAK runs are protected from the next check on, whatever their name: one
    // with blanks, quotes, a dollar sign and backslashes is one word to the shell and runs nothing. A
    // service removed is simply no longer handled.
    void addedRemovedAndOddlyNamedServices()
    {
        DNSConfiguration dns;
        QVERIFY(start(dns));
        const QString odd = "Bob's \"USB\" $HOME \\ $(touch ran); `touch ran`";
        QVERIFY(m_mac->setUp({"service", "add", "USB 10/100/1000 LAN"}));
        QVERIFY(m_mac->setUp({"service", "add", odd}));
        QVERIFY(!active(dns));
        QVERIFY(start(dns));
        QCOMPARE(servers("USB 10/100/1000 LAN"), resolver + '\n');
        QCOMPARE(servers(odd), resolver + '\n');
        QVERIFY(QDir(m_mac->root()).entryList({"ran"}).isEmpty());
        QVERIFY(QDir(QDir::currentPath()).entryList({"ran"}).isEmpty());

        QVERIFY(m_mac->setUp({"service", "remove", "Wi-Fi"}));
        LogCapture log;
        QVERIFY(active(dns));
        QCOMPARE(dns.lastCheck().size(), 4);
        QVERIFY(!log.lines().join('\n').contains("Error"));
    }

    void theDenySwitchMakesChangesFail()
    {
        DNSConfiguration dns;
        QVERIFY(m_mac->setUp({"deny", "on"}));
        LogCapture log;
        QVERIFY(!start(dns));
        QCOMPARE(log.lines().count("** Error: Command requires admin privileges.\n"), 3);
        QVERIFY(m_mac->setUp({"deny", "off"}));
        QVERIFY(start(dns));
        QVERIFY(m_mac->setUp({"deny", "on"}));
        QVERIFY(!close(dns)); // protection stays in force
        QCOMPARE(servers("Ethernet"), resolver + '\n');
    }

    // While networksetup hangs, the caller's event loop keeps turning: a timer fires, and an operation
    // asked for meanwhile waits its turn. When networksetup answers again, both complete, in order.
    void aHungNetworksetupBlocksNothing()
    {
        DNSConfiguration dns;
        QVERIFY(m_mac->setUp({"hang", "on"}));
        QStringList completed;
        dns.startProtection([&](bool result) { completed << QStringLiteral("start %1").arg(result); });
        dns.isProtectionActive([&](bool result) { completed << QStringLiteral("read %1").arg(result); });
        QTimer tick;
        QSignalSpy ticked(&tick, &QTimer::timeout);
        tick.start(100);
        QVERIFY(ticked.wait(10000));
        QVERIFY(ticked.wait(10000));
        QVERIFY(completed.isEmpty());
        QVERIFY(m_mac->setUp({"hang", "off"}));
        QTRY_COMPARE_WITH_TIMEOUT(completed, QStringList({"start 1", "read 1"}), 60000);
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
        const auto activeForConnection
            = [&dns] { return outcome([&](auto done) { dns.isProtectionActiveForConnection(done); }); };
        QVERIFY(activeForConnection()); // Wi-Fi alone counts
        QVERIFY(m_mac->setUp({"network", "offline"}));
        QTRY_VERIFY(!activeForConnection()); // every enabled service counts
        QVERIFY(m_mac->setUp({"network", "online"}));
        QTRY_VERIFY(activeForConnection());
    }
};

QTEST_GUILESS_MAIN(TestDNSConfigurationEndToEnd)
#include "tst_dnsconfiguration_e2e.moc"
