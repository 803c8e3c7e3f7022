#include "DNSConfiguration.h"
#include "DataRow.h"
#include "FakeNetworkSetup.h"
#include "LogCapture.h"

#include <QTest>

using Service = DNSConfiguration::networkservices;
Q_DECLARE_METATYPE(QList<DNSConfiguration::networkservices>)

namespace {

const QString resolver = "198.51.100.153";
const QString header = FakeNetworkSetup::header;
const QString noServices = "This network does not have any services";
const QString typicalListing = FakeNetworkSetup::typicalListing;
const QStringList getCommands {"networksetup -getdnsservers Ethernet", "networksetup -getdnsservers Wi-Fi",
    "networksetup -getdnsservers \"Thunderbolt Bridge\""};

} // namespace

// The exact command texts and printed lines, over a runner that runs nothing; the same scenarios
// through real zsh and the stand-ins are in tst_dnsconfiguration_e2e.
class TestDNSConfiguration : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeNetworkSetup> m_networksetup;
    std::unique_ptr<LogCapture> m_log;

    // A configuration over the scripted listing, without a reachability monitor.
    std::unique_ptr<DNSConfiguration> create(const QString& listing)
    {
        m_networksetup->listing = listing;
        auto configuration = std::make_unique<DNSConfiguration>();
        m_networksetup->runner.clear();
        m_log->clear();
        return configuration;
    }

    static QList<bool> start(DNSConfiguration& configuration)
    {
        QList<bool> results;
        configuration.startProtection([&results](bool result) { results.append(result); });
        return results;
    }

    const QStringList& commands() const { return m_networksetup->runner.commands(); }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_RESOLVER_ADDRESS", resolver.toUtf8()); }

    void init()
    {
        m_networksetup = std::make_unique<FakeNetworkSetup>();
        m_log = std::make_unique<LogCapture>();
    }

    void cleanup()
    {
        QCOMPARE(m_networksetup->unexpected, QStringList());
        m_log.reset();
        m_networksetup.reset();
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
        dataRow("every kind of line break", QString("Ethernet\r\nWi-Fi\x0bThunderbolt Bridge\fA\u2029\n\n"),
            QList<Service> {Service::Ethernet, Service::WiFi, Service::Thunderbolt},
            QStringList {"Ethernet", "Wi-Fi", "Thunderbolt Bridge", "A", noServices});
    }

    void creationListsTheHandledServicesAndPrintsEveryLine()
    {
        QFETCH(QString, listing);
        QFETCH(QList<Service>, services);
        QFETCH(QStringList, printed);
        m_networksetup->listing = listing;
        const DNSConfiguration configuration;
        QCOMPARE(configuration.availableServices(), services);
        QCOMPARE(m_log->lines(), printed);
        QCOMPARE(commands(), QStringList {"networksetup -listallnetworkservices"});
    }

    void startProtectionRunsTheExactCommandsThenTakesTheShortcut()
    {
        auto configuration = create(typicalListing);
        QCOMPARE(start(*configuration), QList<bool> {true});
        QCOMPARE(commands(),
            QStringList({"networksetup -setdnsservers Ethernet 198.51.100.153",
                "networksetup -setdnsservers Wi-Fi 198.51.100.153",
                "networksetup -setdnsservers \"Thunderbolt Bridge\" 198.51.100.153"})
                + getCommands);
        QCOMPARE(m_log->lines(), QStringList({"", "", ""})); // each set command's (empty) output

        // Protection that holds is only read again.
        m_networksetup->runner.clear();
        m_log->clear();
        QCOMPARE(start(*configuration), QList<bool> {true});
        QCOMPARE(m_log->lines(), QStringList {"already cinfigured"});
        QCOMPARE(commands(), getCommands);
    }

    void closeProtectionSucceedsOnlyWhenNoListedServiceShowsTheResolver_data()
    {
        QTest::addColumn<QStringList>("refusing");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("printed"); // only Ethernet's output is printed
        dataRow("all cleared", QStringList {}, true, QString());
        dataRow("Thunderbolt Bridge keeps it", QStringList {"Thunderbolt Bridge"}, false, QString());
        dataRow("Ethernet keeps it", QStringList {"Ethernet"}, false, FakeNetworkSetup::adminError);
    }

    void closeProtectionSucceedsOnlyWhenNoListedServiceShowsTheResolver()
    {
        QFETCH(QStringList, refusing);
        QFETCH(bool, result);
        QFETCH(QString, printed);
        auto configuration = create(typicalListing);
        m_networksetup->setAll(resolver + '\n');
        m_networksetup->refusing = refusing;
        QList<bool> results;
        configuration->closeProtection([&results](bool closed) { results.append(closed); });
        QCOMPARE(results, QList<bool> {result});
        QCOMPARE(commands(),
            QStringList({"networksetup -setdnsservers Ethernet \"Empty\"",
                "networksetup -setdnsservers Wi-Fi \"Empty\"",
                "networksetup -setdnsservers \"Thunderbolt Bridge\" \"Empty\""})
                + getCommands);
        QCOMPARE(m_log->lines(), QStringList {printed});
    }

    // Protection holds when every listed service, and one at least, shows the resolver alone: a
    // second server would let look-ups go around the filter.
    void verificationRule_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("servers"); // Ethernet, Wi-Fi, Thunderbolt Bridge
        QTest::addColumn<bool>("active");
        const QString alone = resolver + '\n';
        dataRow("all three", typicalListing, QStringList {alone, resolver, alone}, true);
        dataRow("Ethernet missing", typicalListing, QStringList {"", alone, alone}, false);
        dataRow("no Ethernet service", QString("Wi-Fi\nThunderbolt Bridge\n"), QStringList {"", alone, alone},
            true);
        dataRow("no handled service", header + "\nBluetooth PAN\n", QStringList {alone, alone, alone}, false);
        dataRow("before another server", typicalListing, QStringList {alone, resolver + "\n8.8.8.8\n", alone},
            false);
        dataRow("longer last octet", typicalListing, QStringList {alone, alone, resolver + "4\n"}, false);
        dataRow("inside an error text", typicalListing,
            QStringList {alone, resolver + " is not a valid IP address.\n", alone}, false);
    }

    void verificationRule()
    {
        QFETCH(QString, listing);
        QFETCH(QStringList, servers);
        QFETCH(bool, active);
        auto configuration = create(listing);
        const QStringList names {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"};
        for (int i = 0; i < names.size(); ++i) {
            m_networksetup->servers.insert(names.at(i), servers.at(i));
        }
        QCOMPARE(configuration->isProtectionActive(), active);
    }

    void withoutAHandledServiceNothingRuns()
    {
        auto configuration = create(header + "\n*Bluetooth PAN\n");
        QCOMPARE(start(*configuration), QList<bool> {false});
        bool closed = false;
        configuration->closeProtection([&closed](bool result) { closed = result; });
        QVERIFY(closed);
        QCOMPARE(commands(), QStringList());
        QCOMPARE(configuration->currentDNSServers(), QStringList({" (Ethernet)", " (Wi-Fi)"}));
    }
};

QTEST_GUILESS_MAIN(TestDNSConfiguration)
#include "tst_dnsconfiguration.moc"
