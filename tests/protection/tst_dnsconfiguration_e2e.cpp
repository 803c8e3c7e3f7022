#include "Configuration.h"
#include "DNSConfiguration.h"
#include "LogCapture.h"
#include "Reachability.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

namespace {

const QStringList handledServices {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"};

} // namespace

// The DNS configuration as BREVAK runs it: the command texts go through real zsh to the stand-ins,
// which change a simulated Mac of the test's own.
class TestDNSConfigurationEndToEnd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    std::unique_ptr<LogCapture> m_log;
    QString m_resolver;

    std::unique_ptr<DNSConfiguration> create()
    {
        auto configuration = std::make_unique<DNSConfiguration>(DNSConfiguration::ReachabilityFactory());
        m_log->clear();
        return configuration;
    }

    QString servers(const QString& service) const
    {
        return m_mac->run("networksetup", {"-getdnsservers", service}).output;
    }

    QString none(const QString& service) const
    {
        return "There aren't any DNS Servers set on " + service + ".\n";
    }

    static bool start(DNSConfiguration& configuration)
    {
        int calls = 0;
        bool result = false;
        configuration.startProtection([&](bool protectedNow) {
            ++calls;
            result = protectedNow;
        });
        return calls == 1 && result;
    }

    static bool close(DNSConfiguration& configuration)
    {
        int calls = 0;
        bool result = false;
        configuration.closeProtection([&](bool closed) {
            ++calls;
            result = closed;
        });
        return calls == 1 && result;
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

    void aTypicalMacIsProtectedAndReleased()
    {
        auto configuration = create();
        QCOMPARE(configuration->availableServices().size(), 3);
        QVERIFY(!configuration->isProtectionActive());
        QVERIFY(start(*configuration));
        for (const QString& service : handledServices) {
            QCOMPARE(servers(service), m_resolver + '\n');
        }
        QCOMPARE(servers("Bluetooth PAN"), none("Bluetooth PAN")); // disabled, listed as *Bluetooth PAN
        QVERIFY(configuration->isProtectionActive());
        QCOMPARE(configuration->currentDNSServers(),
            QStringList(
                {m_resolver + "\n (Ethernet)", m_resolver + "\n (Wi-Fi)", m_resolver + "\n (Thunderbolt)"}));

        QVERIFY(close(*configuration));
        for (const QString& service : handledServices) {
            QCOMPARE(servers(service), none(service));
        }
        QVERIFY(!configuration->isProtectionActive());
    }

    void wiFiAndThunderboltBridgeOnly()
    {
        QVERIFY(m_mac->setUp({"service", "remove", "Ethernet"}));
        auto configuration = create();
        QVERIFY(start(*configuration));
        QCOMPARE(servers("Wi-Fi"), m_resolver + '\n');
        QCOMPARE(servers("Thunderbolt Bridge"), m_resolver + '\n');
        QVERIFY(configuration->isProtectionActive());
        QVERIFY(close(*configuration));
        QCOMPARE(servers("Wi-Fi"), none("Wi-Fi"));
    }

    void ethernetAndWiFiOnly()
    {
        QVERIFY(m_mac->setUp({"service", "remove", "Thunderbolt Bridge"}));
        auto configuration = create();
        QVERIFY(start(*configuration));
        QVERIFY(start(*configuration));
        QVERIFY(!m_log->contains("already cinfigured"));
        QCOMPARE(servers("Ethernet"), m_resolver + '\n');
        QCOMPARE(servers("Wi-Fi"), m_resolver + '\n');
        QCOMPARE(configuration->currentDNSServers(),
            QStringList({m_resolver + "\n (Ethernet)", m_resolver + "\n (Wi-Fi)"}));
    }

    void noHandledService()
    {
        for (const QString& service : handledServices) {
            QVERIFY(m_mac->setUp({"service", "remove", service}));
        }
        QVERIFY(m_mac->setUp({"service", "add", "USB 10/100/1000 LAN"}));
        const auto configuration
            = std::make_unique<DNSConfiguration>(DNSConfiguration::ReachabilityFactory());
        QCOMPARE(m_log->lines(),
            QStringList({"An asterisk (*) denotes that a network service is disabled.",
                "This network does not have any services", "*Bluetooth PAN",
                "This network does not have any services", "USB 10/100/1000 LAN",
                "This network does not have any services"}));
        QVERIFY(!start(*configuration));
        QVERIFY(close(*configuration));
        QCOMPARE(servers("USB 10/100/1000 LAN"), none("USB 10/100/1000 LAN"));
    }

    void aDisabledServiceIsLeftAlone()
    {
        QVERIFY(m_mac->setUp({"service", "disable", "Wi-Fi"}));
        auto configuration = create();
        QVERIFY(start(*configuration));
        QCOMPARE(servers("Ethernet"), m_resolver + '\n');
        QCOMPARE(servers("Thunderbolt Bridge"), m_resolver + '\n');
        QCOMPARE(servers("Wi-Fi"), none("Wi-Fi"));
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
        QVERIFY(m_mac->setUp({"dns", "Wi-Fi", "8.8.8.8"}));
        QVERIFY(!configuration->isProtectionActive());
        QCOMPARE(configuration->currentDNSServers().at(1), "8.8.8.8\n (Wi-Fi)");
        QVERIFY(start(*configuration));
        QCOMPARE(servers("Wi-Fi"), m_resolver + '\n');
        QVERIFY(configuration->isProtectionActive());
    }

    void dnsChangedSinceTheLastReadingIsRestoredToo()
    {
        auto configuration = create();
        QVERIFY(start(*configuration));
        QVERIFY(m_mac->setUp({"dns", "Thunderbolt Bridge", "Empty"}));
        m_log->clear();
        QVERIFY(start(*configuration)); // the last reading still shows protection
        QCOMPARE(m_log->lines().first(), "already cinfigured");
        QCOMPARE(servers("Thunderbolt Bridge"), m_resolver + '\n');
    }

    void anAddressThatMerelyContainsTheResolverIsNoProtection()
    {
        const QString lookalike = "::ffff:" + m_resolver;
        for (const QString& service : handledServices) {
            QVERIFY(m_mac->setUp({"dns", service, lookalike}));
        }
        auto configuration = create();
        QVERIFY(!configuration->isProtectionActive());
        QVERIFY(start(*configuration));
        QVERIFY(!m_log->contains("already cinfigured"));
        QCOMPARE(servers("Ethernet"), m_resolver + '\n');
    }

    void forTheConnectionFollowsTheOfflineSwitch()
    {
        QVERIFY(m_mac->setUp({"dns", "Wi-Fi", m_resolver}));
        DNSConfiguration configuration; // with the real monitor of the general route
        QVERIFY(configuration.rechability());
        if (configuration.rechability()->currentConnection() == Reachability::Connection::unavailable) {
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
