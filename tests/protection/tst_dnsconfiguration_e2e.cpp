#include "CommandRunner.h"
#include "Configuration.h"
#include "DNSConfiguration.h"
#include "DataRow.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

// The DNS configuration as BREVAK runs it: the command texts go through real zsh to the stand-ins,
// which change a simulated Mac of the test's own.
class TestDNSConfigurationEndToEnd : public QObject
{
    Q_OBJECT

private:
    ProcessCommandRunner m_runner;
    CommandRunner::Registration m_runnerRegistration {m_runner};
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    std::unique_ptr<LogCapture> m_log;
    QString m_resolver;

    std::unique_ptr<DNSConfiguration> create()
    {
        auto configuration = std::make_unique<DNSConfiguration>();
        m_log->clear();
        return configuration;
    }

    QString servers(const QString& service) const { return m_mac->dnsServers(service); }

    QString none(const QString& service) const
    {
        return "There aren't any DNS Servers set on " + service + ".\n";
    }

    // Whether the operation called its completion exactly once, with true.
    template<typename Operation>
    static bool succeeds(Operation operation)
    {
        QList<bool> results;
        operation([&results](bool result) { results.append(result); });
        return results == QList<bool> {true};
    }
    static bool start(DNSConfiguration& configuration)
    {
        return succeeds([&](auto completion) { configuration.startProtection(completion); });
    }
    static bool close(DNSConfiguration& configuration)
    {
        return succeeds([&](auto completion) { configuration.closeProtection(completion); });
    }

private Q_SLOTS:
    void init()
    {
        m_resolver = configuration::resolverAddress();
        m_mac = std::make_unique<TemporarySimulatedMac>();
        QVERIFY(m_mac->setUp({"init"}));
        m_log = std::make_unique<LogCapture>();
    }

    void cleanup()
    {
        m_log.reset();
        m_mac.reset();
    }

    void protectedAndReleased_data()
    {
        QTest::addColumn<QStringList>("change"); // brevak-simctl arguments, on a typical Mac
        QTest::addColumn<QStringList>("handled");
        QTest::addColumn<QStringList>("leftAlone");
        const QStringList all {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"};
        // Bluetooth PAN is disabled on a typical Mac, listed as *Bluetooth PAN.
        dataRow("typical Mac", QStringList {}, all, QStringList {"Bluetooth PAN"});
        dataRow("Wi-Fi and Thunderbolt Bridge only", QStringList {"service", "remove", "Ethernet"},
            QStringList {"Wi-Fi", "Thunderbolt Bridge"}, QStringList {});
        dataRow("a disabled service", QStringList {"service", "disable", "Wi-Fi"},
            QStringList {"Ethernet", "Thunderbolt Bridge"}, QStringList {"Wi-Fi"});
    }

    void protectedAndReleased()
    {
        QFETCH(QStringList, change);
        QFETCH(QStringList, handled);
        QFETCH(QStringList, leftAlone);
        QVERIFY(change.isEmpty() || m_mac->setUp(change));
        auto configuration = create();
        QCOMPARE(configuration->availableServices().size(), handled.size());
        QVERIFY(!configuration->isProtectionActive());
        QVERIFY(start(*configuration));
        for (const QString& service : handled) {
            QCOMPARE(servers(service), m_resolver + '\n');
        }
        for (const QString& service : leftAlone) {
            QCOMPARE(servers(service), none(service));
        }
        QVERIFY(configuration->isProtectionActive());
        // The shortcut needs all three services: without one, protection is set every time.
        QVERIFY(start(*configuration));
        QCOMPARE(m_log->contains("already cinfigured"), handled.size() == 3);

        QVERIFY(close(*configuration));
        for (const QString& service : handled) {
            QCOMPARE(servers(service), none(service));
        }
        QVERIFY(!configuration->isProtectionActive());
    }

    void noHandledService()
    {
        for (const char* service : {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"}) {
            QVERIFY(m_mac->setUp({"service", "remove", service}));
        }
        QVERIFY(m_mac->setUp({"service", "add", "USB 10/100/1000 LAN"}));
        auto configuration = create();
        QVERIFY(!start(*configuration));
        QVERIFY(close(*configuration));
        QCOMPARE(servers("USB 10/100/1000 LAN"), none("USB 10/100/1000 LAN"));
    }

    void theDenySwitchMakesChangesFail()
    {
        auto configuration = create();
        QVERIFY(m_mac->setUp({"deny", "on"}));
        QVERIFY(!start(*configuration));
        QCOMPARE(m_log->lines(), QStringList(3, "** Error: Command requires admin privileges.\n"));
        QCOMPARE(servers("Wi-Fi"), none("Wi-Fi"));

        QVERIFY(m_mac->setUp({"deny", "off"}));
        QVERIFY(start(*configuration));
        QVERIFY(m_mac->setUp({"deny", "on"}));
        QVERIFY(!close(*configuration)); // protection stays in force
        QCOMPARE(servers("Ethernet"), m_resolver + '\n');
        QVERIFY(configuration->isProtectionActive());
    }

    void dnsChangedBehindTheBackIsRestored()
    {
        auto configuration = create();
        QVERIFY(start(*configuration));
        // Changed since the last reading, which still shows protection: the shortcut sets it again.
        QVERIFY(m_mac->setUp({"dns", "Thunderbolt Bridge", "Empty"}));
        m_log->clear();
        QVERIFY(start(*configuration));
        QCOMPARE(m_log->lines().first(), "already cinfigured");
        QCOMPARE(servers("Thunderbolt Bridge"), m_resolver + '\n');

        // Changed and read.
        QVERIFY(m_mac->setUp({"dns", "Wi-Fi", "8.8.8.8"}));
        QVERIFY(!configuration->isProtectionActive());
        QCOMPARE(configuration->currentDNSServers().at(1), "8.8.8.8\n (Wi-Fi)");
        QVERIFY(start(*configuration));
        QCOMPARE(servers("Wi-Fi"), m_resolver + '\n');
    }

    void forTheConnectionFollowsTheOfflineSwitch()
    {
        NotificationCenter notifications;
        const NotificationCenter::Registration registration(notifications);
        QVERIFY(m_mac->setUp({"dns", "Wi-Fi", m_resolver}));
        const std::unique_ptr<Reachability> monitor = Reachability::forInternetConnection();
        QVERIFY(monitor);
        DNSConfiguration configuration(monitor.get()); // the real monitor of the general route
        if (monitor->currentConnection() == Reachability::Connection::unavailable) {
            QSKIP("this machine has no default route");
        }
        QVERIFY(configuration.isProtectionActiveForConnection()); // Wi-Fi alone counts
        QVERIFY(m_mac->setUp({"network", "offline"}));
        QTRY_VERIFY(!configuration.isProtectionActiveForConnection()); // every listed service counts
        QVERIFY(m_mac->setUp({"network", "online"}));
        QTRY_VERIFY(configuration.isProtectionActiveForConnection());
    }
};

QTEST_GUILESS_MAIN(TestDNSConfigurationEndToEnd)
#include "tst_dnsconfiguration_e2e.moc"
