#include "DNSConfiguration.h"
#include "DataRow.h"
#include "FakeFlagsSource.h"
#include "LogCapture.h"
#include "Reachability.h"
#include "RecordingCommandRunner.h"

#include <QRegularExpression>
#include <QTest>

using Service = DNSConfiguration::networkservices;
Q_DECLARE_METATYPE(QList<DNSConfiguration::networkservices>)

namespace {

const QString resolver = "198.51.100.153";
const QString header = "An asterisk (*) denotes that a network service is disabled.";
const QString noServices = "This network does not have any services";
const QString typicalListing = header + "\nEthernet\nWi-Fi\nThunderbolt Bridge\n*Bluetooth PAN\n";
const QString adminError = "** Error: Command requires admin privileges.\n";
const QStringList getCommands {"networksetup -getdnsservers Ethernet", "networksetup -getdnsservers Wi-Fi",
    "networksetup -getdnsservers \"Thunderbolt Bridge\""};

// networksetup as the recording runner answers it: only the exact command texts of macOS are
// understood; anything else is remembered as unexpected.
class ScriptedNetworkSetup
{
public:
    explicit ScriptedNetworkSetup(RecordingCommandRunner& runner)
    {
        runner.setResponder([this](const QString& command) { return respond(command); });
    }

    QString listing;
    QHash<QString, QString> servers; // service name -> servers, one a line
    QStringList refusing; // services whose changes fail as without admin rights
    QStringList unexpected;

private:
    QString respond(const QString& command)
    {
        static const QRegularExpression known(
            R"(^networksetup -(get|set)dnsservers )"
            R"((Ethernet|Wi-Fi|"Thunderbolt Bridge")( "Empty"| \d+\.\d+\.\d+\.\d+)?$)");
        if (command == "networksetup -listallnetworkservices") {
            return listing;
        }
        const QRegularExpressionMatch match = known.match(command);
        const QString name = match.captured(2).remove('"');
        const QString value = match.captured(3).trimmed();
        if (match.hasMatch() && match.captured(1) == "get" && value.isEmpty()) {
            const QString current = servers.value(name);
            return current.isEmpty() ? "There aren't any DNS Servers set on " + name + ".\n" : current;
        }
        if (match.hasMatch() && match.captured(1) == "set" && !value.isEmpty()) {
            if (refusing.contains(name)) {
                return adminError;
            }
            servers.insert(name, value == "\"Empty\"" ? QString() : value + '\n');
            return {};
        }
        unexpected.append(command);
        return "unexpected command\n";
    }
};

} // namespace

// The exact command texts and printed lines, over a runner that runs nothing; the same scenarios
// through real zsh and the stand-ins are in tst_dnsconfiguration_e2e.
class TestDNSConfiguration : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<RecordingCommandRunner> m_runner;
    std::unique_ptr<ScriptedNetworkSetup> m_networksetup;
    std::unique_ptr<LogCapture> m_log;

    // A configuration over the scripted listing, without a reachability monitor.
    std::unique_ptr<DNSConfiguration> create(const QString& listing)
    {
        m_networksetup->listing = listing;
        auto configuration = std::make_unique<DNSConfiguration>(DNSConfiguration::ReachabilityFactory());
        m_runner->clear();
        m_log->clear();
        return configuration;
    }

    void setAll(const QString& servers)
    {
        for (const char* name : {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"}) {
            m_networksetup->servers.insert(name, servers);
        }
    }

    static QList<bool> start(DNSConfiguration& configuration)
    {
        QList<bool> results;
        configuration.startProtection([&results](bool result) { results.append(result); });
        return results;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_RESOLVER_ADDRESS", resolver.toUtf8()); }

    void init()
    {
        m_runner = std::make_unique<RecordingCommandRunner>();
        m_networksetup = std::make_unique<ScriptedNetworkSetup>(*m_runner);
        m_log = std::make_unique<LogCapture>();
    }

    void cleanup()
    {
        QCOMPARE(m_networksetup->unexpected, QStringList());
        DNSConfiguration::setShared(nullptr);
        m_log.reset();
        m_networksetup.reset();
        m_runner.reset();
    }

    void creationListsTheHandledServicesAndPrintsEveryLine_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QList<Service>>("services");
        QTest::addColumn<QStringList>("printed");
        dataRow("typical Mac", typicalListing,
            QList<Service> {Service::Ethernet, Service::WiFi, Service::Thunderbolt},
            QStringList {
                header, noServices, "Ethernet", "Wi-Fi", "Thunderbolt Bridge", "*Bluetooth PAN", noServices});
        dataRow("listing order", QString("Wi-Fi\nUSB 10/100/1000 LAN\nEthernet\n"),
            QList<Service> {Service::WiFi, Service::Ethernet},
            QStringList {"Wi-Fi", "USB 10/100/1000 LAN", noServices, "Ethernet"});
        dataRow("a disabled handled service", QString("*Wi-Fi\nThunderbolt Bridge"),
            QList<Service> {Service::Thunderbolt}, QStringList {"*Wi-Fi", noServices, "Thunderbolt Bridge"});
        dataRow("whole lines only", QString("Wi-Fi 2\n Ethernet\nThunderbolt Bridge \nwi-fi\n"),
            QList<Service> {},
            QStringList {"Wi-Fi 2", noServices, " Ethernet", noServices, "Thunderbolt Bridge ", noServices,
                "wi-fi", noServices});
        dataRow("every kind of line break",
            QString("Ethernet\r\nWi-Fi\x0bThunderbolt Bridge\fA\u0085B\u2028C\u2029\n\n"),
            QList<Service> {Service::Ethernet, Service::WiFi, Service::Thunderbolt},
            QStringList {"Ethernet", "Wi-Fi", "Thunderbolt Bridge", "A", noServices, "B", noServices, "C",
                noServices});
        dataRow("nothing listed", QString(), QList<Service> {}, QStringList {});
    }

    void creationListsTheHandledServicesAndPrintsEveryLine()
    {
        QFETCH(QString, listing);
        QFETCH(QList<Service>, services);
        QFETCH(QStringList, printed);
        m_networksetup->listing = listing;
        const DNSConfiguration configuration {DNSConfiguration::ReachabilityFactory()};
        QCOMPARE(configuration.availableServices(), services);
        QCOMPARE(configuration.availableServicesString(), listing);
        QCOMPARE(m_log->lines(), printed);
        QCOMPARE(m_runner->commands(), QStringList {"networksetup -listallnetworkservices"});
        QCOMPARE(configuration.dnsIP(), resolver);
    }

    void startProtectionRunsTheExactCommandsThenTakesTheShortcut()
    {
        auto configuration = create(typicalListing);
        QCOMPARE(start(*configuration), QList<bool> {true});
        QCOMPARE(m_runner->commands(),
            QStringList({"networksetup -setdnsservers Ethernet 198.51.100.153",
                "networksetup -setdnsservers Wi-Fi 198.51.100.153",
                "networksetup -setdnsservers \"Thunderbolt Bridge\" 198.51.100.153"})
                + getCommands);
        QCOMPARE(m_log->lines(), QStringList({"", "", ""})); // each set command's (empty) output
        QCOMPARE(configuration->statusString(Service::Thunderbolt), "198.51.100.153\n");

        // Protection that holds is only read again.
        m_runner->clear();
        m_log->clear();
        QCOMPARE(start(*configuration), QList<bool> {true});
        QCOMPARE(m_log->lines(), QStringList {"already cinfigured"});
        QCOMPARE(m_runner->commands(), getCommands);
    }

    void closeProtectionSucceedsOnlyWhenNoListedServiceShowsTheResolver_data()
    {
        QTest::addColumn<QStringList>("refusing");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("printed"); // only Ethernet's output is printed
        dataRow("all cleared", QStringList {}, true, QString());
        dataRow("Thunderbolt Bridge keeps it", QStringList {"Thunderbolt Bridge"}, false, QString());
        dataRow("Ethernet and Wi-Fi keep it", QStringList {"Ethernet", "Wi-Fi"}, false, adminError);
    }

    void closeProtectionSucceedsOnlyWhenNoListedServiceShowsTheResolver()
    {
        QFETCH(QStringList, refusing);
        QFETCH(bool, result);
        QFETCH(QString, printed);
        auto configuration = create(typicalListing);
        setAll(resolver + '\n');
        m_networksetup->refusing = refusing;
        QList<bool> results;
        configuration->closeProtection([&results](bool closed) { results.append(closed); });
        QCOMPARE(results, QList<bool> {result});
        QCOMPARE(m_runner->commands(),
            QStringList({"networksetup -setdnsservers Ethernet \"Empty\"",
                "networksetup -setdnsservers Wi-Fi \"Empty\"",
                "networksetup -setdnsservers \"Thunderbolt Bridge\" \"Empty\""})
                + getCommands);
        QCOMPARE(m_log->lines(), QStringList {printed});
    }

    void protectionNeedsEveryListedServiceAndOneAtLeast_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("protectedServices");
        QTest::addColumn<bool>("active");
        const QStringList all {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"};
        dataRow("all three", typicalListing, all, true);
        dataRow("Thunderbolt Bridge missing", typicalListing, QStringList {"Ethernet", "Wi-Fi"}, false);
        dataRow("Ethernet missing", typicalListing, QStringList {"Wi-Fi", "Thunderbolt Bridge"}, false);
        dataRow("no Ethernet service", QString("Wi-Fi\nThunderbolt Bridge\n"), all, true);
        dataRow("no Thunderbolt Bridge service", QString("Ethernet\nWi-Fi\n"), all, true);
        dataRow("Wi-Fi only, unprotected", QString("Wi-Fi\n"), QStringList {"Ethernet"}, false);
        dataRow("no handled service", header + "\nBluetooth PAN\n", all, false);
    }

    void protectionNeedsEveryListedServiceAndOneAtLeast()
    {
        QFETCH(QString, listing);
        QFETCH(QStringList, protectedServices);
        QFETCH(bool, active);
        auto configuration = create(listing);
        for (const QString& name : protectedServices) {
            m_networksetup->servers.insert(name, resolver + '\n');
        }
        QCOMPARE(configuration->isProtectionActive(), active);
    }

    void onlyTheResolverAloneProtects_data()
    {
        QTest::addColumn<QString>("servers");
        QTest::addColumn<bool>("active");
        dataRow("alone", resolver + '\n', true);
        dataRow("without the final line break", resolver, true);
        dataRow("twice", resolver + '\n' + resolver + '\n', true);
        // Another server next to the resolver lets look-ups go around the filter.
        dataRow("after another server", "192.0.2.1\n" + resolver + '\n', false);
        dataRow("before another server", resolver + "\n8.8.8.8\n", false);
        dataRow("inside an IPv6 address", "::ffff:" + resolver + '\n', false);
        dataRow("longer last octet", resolver + "4\n", false);
        dataRow("longer first octet", '1' + resolver + '\n', false);
        dataRow("inside an error text",
            resolver + " is not a valid IP address.\n** Error: The parameters were not valid.\n", false);
        dataRow("none", QString("There aren't any DNS Servers set on Wi-Fi.\n"), false);
    }

    void onlyTheResolverAloneProtects()
    {
        QFETCH(QString, servers);
        QFETCH(bool, active);
        auto configuration = create(typicalListing);
        setAll(servers);
        QCOMPARE(configuration->isProtectionActive(), active);
    }

    void withoutAHandledServiceNothingRuns()
    {
        auto configuration = create(header + "\n*Bluetooth PAN\n");
        QCOMPARE(start(*configuration), QList<bool> {false});
        configuration->closeProtection([](bool closed) { QVERIFY(closed); });
        QCOMPARE(m_runner->commands(), QStringList());
        QCOMPARE(configuration->currentDNSServers(), QStringList({" (Ethernet)", " (Wi-Fi)"}));
    }

    void currentDNSServersKeepTheTextsAsRead()
    {
        auto configuration = create(typicalListing);
        m_networksetup->servers.insert("Ethernet", resolver + '\n');
        m_networksetup->servers.insert("Wi-Fi", "8.8.8.8\n8.8.4.4\n");
        QCOMPARE(configuration->currentDNSServers(),
            QStringList({resolver + "\n (Ethernet)", "8.8.8.8\n8.8.4.4\n (Wi-Fi)",
                "There aren't any DNS Servers set on Thunderbolt Bridge.\n (Thunderbolt)"}));
        QCOMPARE(create("Ethernet\nWi-Fi\n")->currentDNSServers().size(), 2);
    }

    void forTheConnectionWiFiAloneCountsOnAWiFiKindOfConnection_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<bool>("monitor");
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("active");
        using R = Reachability;
        // Wi-Fi shows the resolver, Ethernet does not.
        dataRow("Wi-Fi connection", typicalListing, true, int(R::Reachable), true);
        dataRow("connection on demand", typicalListing, true,
            int(R::Reachable | R::ConnectionRequired | R::ConnectionOnDemand), true);
        dataRow("no connection", typicalListing, true, 0, false);
        dataRow(
            "connection required", typicalListing, true, int(R::Reachable | R::ConnectionRequired), false);
        dataRow("no monitor", typicalListing, false, 0, false);
        dataRow("Wi-Fi not listed", QString("Ethernet\n"), true, int(R::Reachable), false);
    }

    void forTheConnectionWiFiAloneCountsOnAWiFiKindOfConnection()
    {
        QFETCH(QString, listing);
        QFETCH(bool, monitor);
        QFETCH(int, flags);
        QFETCH(bool, active);
        auto shared = std::make_shared<FakeFlagsSource::Shared>();
        shared->reading = {quint32(flags), 0};
        m_networksetup->listing = listing;
        DNSConfiguration configuration([&]() -> std::unique_ptr<Reachability> {
            return monitor ? std::make_unique<Reachability>(std::make_unique<FakeFlagsSource>(shared), true)
                           : nullptr;
        });
        m_networksetup->servers.insert("Wi-Fi", resolver + '\n');
        QCOMPARE(configuration.isProtectionActiveForConnection(), active);
    }

    void theSharedInstanceIsCreatedOnceAndCanBeReplaced()
    {
        m_networksetup->listing = "Wi-Fi\n";
        DNSConfiguration& first = DNSConfiguration::shared();
        QCOMPARE(&DNSConfiguration::shared(), &first);
        QCOMPARE(m_runner->commands(), QStringList {"networksetup -listallnetworkservices"});
        m_networksetup->listing = "Thunderbolt Bridge\n";
        DNSConfiguration::setShared(
            std::make_unique<DNSConfiguration>(DNSConfiguration::ReachabilityFactory()));
        QCOMPARE(DNSConfiguration::shared().availableServices(), QList<Service> {Service::Thunderbolt});
    }
};

QTEST_GUILESS_MAIN(TestDNSConfiguration)
#include "tst_dnsconfiguration.moc"
