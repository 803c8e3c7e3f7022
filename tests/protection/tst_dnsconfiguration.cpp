#include "Configuration.h"
#include "DNSConfiguration.h"
#include "FakeFlagsSource.h"
#include "LogCapture.h"
#include "Reachability.h"
#include "RecordingCommandRunner.h"

#include <QRegularExpression>
#include <QTest>

using Service = DNSConfiguration::networkservices;
Q_DECLARE_METATYPE(QList<DNSConfiguration::networkservices>)

namespace {

const QString resolver = QStringLiteral("198.51.100.153");
const QString header = QStringLiteral("An asterisk (*) denotes that a network service is disabled.");
const QString noServices = QStringLiteral("This network does not have any services");

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
        static const QRegularExpression get(
            R"(^networksetup -getdnsservers (Ethernet|Wi-Fi|"Thunderbolt Bridge")$)");
        static const QRegularExpression set(
            R"(^networksetup -setdnsservers (Ethernet|Wi-Fi|"Thunderbolt Bridge") ("Empty"|\d+\.\d+\.\d+\.\d+)$)");
        if (command == "networksetup -listallnetworkservices") {
            return listing;
        }
        if (const auto match = get.match(command); match.hasMatch()) {
            const QString name = unquoted(match.captured(1));
            const QString current = servers.value(name);
            return current.isEmpty() ? "There aren't any DNS Servers set on " + name + ".\n" : current;
        }
        if (const auto match = set.match(command); match.hasMatch()) {
            const QString name = unquoted(match.captured(1));
            if (refusing.contains(name)) {
                return "** Error: Command requires admin privileges.\n";
            }
            servers.insert(name, match.captured(2) == "\"Empty\"" ? QString() : match.captured(2) + '\n');
            return {};
        }
        unexpected.append(command);
        return "unexpected command\n";
    }

    static QString unquoted(QString name) { return name.remove('"'); }
};

// Records every completion call.
struct CompletionProbe
{
    QList<bool> results;
    DNSConfiguration::Completion completion()
    {
        return [this](bool result) { results.append(result); };
    }
};

const QString typicalListing = header + "\nEthernet\nWi-Fi\nThunderbolt Bridge\n*Bluetooth PAN\n";

} // namespace

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

        QTest::newRow("typical Mac") << typicalListing
                                     << QList<Service> {Service::Ethernet, Service::WiFi,
                                            Service::Thunderbolt}
                                     << QStringList {header, noServices, "Ethernet", "Wi-Fi",
                                            "Thunderbolt Bridge", "*Bluetooth PAN", noServices};
        QTest::newRow("listing order")
            << "Wi-Fi\nUSB 10/100/1000 LAN\nEthernet\n"
            << QList<Service> {Service::WiFi, Service::Ethernet}
            << QStringList {"Wi-Fi", "USB 10/100/1000 LAN", noServices, "Ethernet"};
        QTest::newRow("a disabled handled service")
            << "*Wi-Fi\nThunderbolt Bridge" << QList<Service> {Service::Thunderbolt}
            << QStringList {"*Wi-Fi", noServices, "Thunderbolt Bridge"};
        QTest::newRow("whole lines only") << "Wi-Fi 2\n Ethernet\nThunderbolt Bridge \nwi-fi\n"
                                          << QList<Service> {}
                                          << QStringList {"Wi-Fi 2", noServices, " Ethernet", noServices,
                                                 "Thunderbolt Bridge ", noServices, "wi-fi", noServices};
        QTest::newRow("every kind of line break")
            << "Ethernet\r\nWi-Fi\x0bThunderbolt Bridge\fA\u0085B\u2028C\u2029\n\n"
            << QList<Service> {Service::Ethernet, Service::WiFi, Service::Thunderbolt}
            << QStringList {"Ethernet", "Wi-Fi", "Thunderbolt Bridge", "A", noServices, "B", noServices, "C",
                   noServices};
        QTest::newRow("nothing listed") << "" << QList<Service> {} << QStringList {};
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
        for (Service service : {Service::Ethernet, Service::WiFi, Service::Thunderbolt}) {
            QCOMPARE(configuration.statusString(service), QString());
        }
    }

    void startProtectionRunsTheExactCommands()
    {
        auto configuration = create(typicalListing);
        CompletionProbe probe;
        configuration->startProtection(probe.completion());
        QCOMPARE(probe.results, QList<bool> {true});
        QCOMPARE(m_runner->commands(),
            QStringList({"networksetup -setdnsservers Ethernet 198.51.100.153",
                "networksetup -setdnsservers Wi-Fi 198.51.100.153",
                "networksetup -setdnsservers \"Thunderbolt Bridge\" 198.51.100.153",
                "networksetup -getdnsservers Ethernet", "networksetup -getdnsservers Wi-Fi",
                "networksetup -getdnsservers \"Thunderbolt Bridge\""}));
        QCOMPARE(m_log->lines(), QStringList({"", "", ""})); // each set command's (empty) output
        QCOMPARE(configuration->statusString(Service::Thunderbolt), "198.51.100.153\n");
    }

    void closeProtectionRunsTheExactCommandsAndPrintsEthernetsOutput()
    {
        auto configuration = create(typicalListing);
        setAll(resolver + '\n');
        m_networksetup->refusing = {"Ethernet", "Wi-Fi"};
        CompletionProbe probe;
        configuration->closeProtection(probe.completion());
        QCOMPARE(m_runner->commands(),
            QStringList({"networksetup -setdnsservers Ethernet \"Empty\"",
                "networksetup -setdnsservers Wi-Fi \"Empty\"",
                "networksetup -setdnsservers \"Thunderbolt Bridge\" \"Empty\"",
                "networksetup -getdnsservers Ethernet", "networksetup -getdnsservers Wi-Fi",
                "networksetup -getdnsservers \"Thunderbolt Bridge\""}));
        QCOMPARE(m_log->lines(), QStringList {"** Error: Command requires admin privileges.\n"});
        QCOMPARE(probe.results, QList<bool> {false}); // Ethernet and Wi-Fi still point at the resolver
    }

    void closeProtectionSucceedsOnlyWhenNoListedServiceShowsTheResolver_data()
    {
        QTest::addColumn<QStringList>("refusing");
        QTest::addColumn<bool>("result");
        QTest::newRow("all cleared") << QStringList {} << true;
        QTest::newRow("Thunderbolt Bridge keeps it") << QStringList {"Thunderbolt Bridge"} << false;
        QTest::newRow("Ethernet keeps it") << QStringList {"Ethernet"} << false;
        QTest::newRow("all keep it") << QStringList {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"} << false;
    }

    void closeProtectionSucceedsOnlyWhenNoListedServiceShowsTheResolver()
    {
        QFETCH(QStringList, refusing);
        QFETCH(bool, result);
        auto configuration = create(typicalListing);
        setAll(resolver + '\n');
        m_networksetup->refusing = refusing;
        CompletionProbe probe;
        configuration->closeProtection(probe.completion());
        QCOMPARE(probe.results, QList<bool> {result});
    }

    void theShortcutSkipsTheSetCommandsWhenProtectionHolds()
    {
        auto configuration = create(typicalListing);
        CompletionProbe probe;
        configuration->startProtection(probe.completion());
        m_runner->clear();
        m_log->clear();
        configuration->startProtection(probe.completion());
        QCOMPARE(probe.results, QList<bool>({true, true}));
        QCOMPARE(m_log->lines(), QStringList {"already cinfigured"});
        QCOMPARE(m_runner->commands(),
            QStringList({"networksetup -getdnsservers Ethernet", "networksetup -getdnsservers Wi-Fi",
                "networksetup -getdnsservers \"Thunderbolt Bridge\""}));
    }

    void theShortcutSetsAgainWhatWasChangedSinceTheLastReading()
    {
        auto configuration = create(typicalListing);
        CompletionProbe probe;
        configuration->startProtection(probe.completion());
        m_networksetup->servers.insert("Wi-Fi", "8.8.8.8\n"); // behind the application's back
        m_runner->clear();
        m_log->clear();
        configuration->startProtection(probe.completion());
        QCOMPARE(probe.results, QList<bool>({true, true}));
        QCOMPARE(m_log->lines(), QStringList({"already cinfigured", "", "", ""}));
        QCOMPARE(m_runner->commands().size(), 3 + 3 + 3);
        QCOMPARE(m_networksetup->servers.value("Wi-Fi"), resolver + '\n');
    }

    void protectionNeedsEveryListedServiceAndOneAtLeast_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("protectedServices");
        QTest::addColumn<bool>("active");
        const QString all = typicalListing;
        QTest::newRow("all three") << all << QStringList {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"} << true;
        QTest::newRow("Thunderbolt Bridge missing") << all << QStringList {"Ethernet", "Wi-Fi"} << false;
        QTest::newRow("Ethernet missing") << all << QStringList {"Wi-Fi", "Thunderbolt Bridge"} << false;
        QTest::newRow("no Ethernet service") << "Wi-Fi\nThunderbolt Bridge\n"
                                             << QStringList {"Wi-Fi", "Thunderbolt Bridge"} << true;
        QTest::newRow("no Thunderbolt Bridge service") << "Ethernet\nWi-Fi\n"
                                                       << QStringList {"Ethernet", "Wi-Fi"} << true;
        QTest::newRow("Wi-Fi only") << "Wi-Fi\n" << QStringList {"Wi-Fi"} << true;
        QTest::newRow("Wi-Fi only, unprotected") << "Wi-Fi\n" << QStringList {"Ethernet"} << false;
        QTest::newRow("no handled service") << header + "\nBluetooth PAN\n"
                                            << QStringList {"Ethernet", "Wi-Fi"} << false;
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
        QTest::newRow("alone") << resolver + '\n' << true;
        QTest::newRow("without the final line break") << resolver << true;
        // Another server next to the resolver lets look-ups go around the filter.
        QTest::newRow("after another server") << "192.0.2.1\n" + resolver + '\n' << false;
        QTest::newRow("before another server") << resolver + "\n8.8.8.8\n" << false;
        QTest::newRow("twice") << resolver + '\n' + resolver + '\n' << true;
        QTest::newRow("inside an IPv6 address") << "::ffff:" + resolver + '\n' << false;
        QTest::newRow("longer last octet") << resolver + "4\n" << false;
        QTest::newRow("longer first octet") << '1' + resolver + '\n' << false;
        QTest::newRow("inside an error text")
            << resolver + " is not a valid IP address.\n** Error: The parameters were not valid.\n"
            << false;
        QTest::newRow("none") << "There aren't any DNS Servers set on Wi-Fi.\n" << false;
    }

    void onlyTheResolverAloneProtects()
    {
        QFETCH(QString, servers);
        QFETCH(bool, active);
        auto configuration = create(typicalListing);
        setAll(servers);
        QCOMPARE(configuration->isProtectionActive(), active);
    }

    void startProtectionOnEthernetAndWiFiOnlySetsEveryTime()
    {
        auto configuration = create("Ethernet\nWi-Fi\n");
        CompletionProbe probe;
        configuration->startProtection(probe.completion());
        configuration->startProtection(probe.completion());
        QCOMPARE(probe.results, QList<bool>({true, true}));
        QVERIFY(!m_log->contains("already cinfigured"));
        QCOMPARE(m_runner->commands().count("networksetup -setdnsservers Wi-Fi 198.51.100.153"), 2);
        QVERIFY(!m_runner->commands().join('\n').contains("Thunderbolt"));
    }

    void withoutAHandledServiceNothingRuns()
    {
        auto configuration = create(header + "\n*Bluetooth PAN\n");
        CompletionProbe probe;
        configuration->startProtection(probe.completion());
        configuration->closeProtection(probe.completion());
        QCOMPARE(probe.results, QList<bool>({false, true}));
        QCOMPARE(m_runner->commands(), QStringList());
        QCOMPARE(configuration->isProtectionActive(), false);
        QCOMPARE(configuration->currentDNSServers(), QStringList({" (Ethernet)", " (Wi-Fi)"}));
    }

    void deniedChangesFail()
    {
        auto configuration = create(typicalListing);
        m_networksetup->refusing = {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"};
        CompletionProbe probe;
        configuration->startProtection(probe.completion());
        QCOMPARE(probe.results, QList<bool> {false});
        QCOMPARE(m_log->lines(), QStringList(3, "** Error: Command requires admin privileges.\n"));
    }

    void currentDNSServersKeepTheTextsAsRead()
    {
        auto configuration = create(typicalListing);
        m_networksetup->servers.insert("Ethernet", resolver + '\n');
        m_networksetup->servers.insert("Wi-Fi", "8.8.8.8\n8.8.4.4\n");
        QCOMPARE(configuration->currentDNSServers(),
            QStringList({resolver + "\n (Ethernet)", "8.8.8.8\n8.8.4.4\n (Wi-Fi)",
                "There aren't any DNS Servers set on Thunderbolt Bridge.\n (Thunderbolt)"}));
        auto withoutBridge = create("Ethernet\nWi-Fi\n");
        QCOMPARE(withoutBridge->currentDNSServers().size(), 2);
    }

    void forTheConnectionWiFiAloneCountsOnAWiFiKindOfConnection_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<bool>("monitor");
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("active");
        // Wi-Fi shows the resolver, Ethernet does not.
        QTest::newRow("Wi-Fi connection") << typicalListing << true << int(Reachability::Reachable) << true;
        QTest::newRow("connection on demand")
            << typicalListing << true
            << int(Reachability::Reachable | Reachability::ConnectionRequired
                   | Reachability::ConnectionOnDemand)
            << true;
        QTest::newRow("no connection") << typicalListing << true << 0 << false;
        QTest::newRow("connection required")
            << typicalListing << true << int(Reachability::Reachable | Reachability::ConnectionRequired)
            << false;
        QTest::newRow("no monitor") << typicalListing << false << 0 << false;
        QTest::newRow("Wi-Fi not listed") << "Ethernet\n" << true << int(Reachability::Reachable) << false;
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
            if (!monitor) {
                return nullptr;
            }
            return std::make_unique<Reachability>(std::make_unique<FakeFlagsSource>(shared), true);
        });
        QCOMPARE(bool(configuration.rechability()), monitor);
        m_networksetup->servers.insert("Wi-Fi", resolver + '\n');
        QCOMPARE(configuration.isProtectionActiveForConnection(), active);
    }

    void theSharedInstanceIsCreatedOnceAndCanBeReplaced()
    {
        m_networksetup->listing = "Wi-Fi\n";
        DNSConfiguration& first = DNSConfiguration::shared();
        QCOMPARE(&DNSConfiguration::shared(), &first);
        QCOMPARE(m_runner->commands(), QStringList {"networksetup -listallnetworkservices"});

        m_networksetup->listing = "Ethernet\n";
        DNSConfiguration::setShared(nullptr);
        QCOMPARE(DNSConfiguration::shared().availableServices(), QList<Service> {Service::Ethernet});

        m_networksetup->listing = "Thunderbolt Bridge\n";
        DNSConfiguration::setShared(
            std::make_unique<DNSConfiguration>(DNSConfiguration::ReachabilityFactory()));
        QCOMPARE(DNSConfiguration::shared().availableServices(), QList<Service> {Service::Thunderbolt});
        QVERIFY(!DNSConfiguration::shared().rechability());
    }
};

QTEST_GUILESS_MAIN(TestDNSConfiguration)
#include "tst_dnsconfiguration.moc"
