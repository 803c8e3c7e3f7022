#include "DNSConfiguration.h"
#include "DataRow.h"
#include "FakeNetworkSetup.h"
#include "LogCapture.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QString resolver = "198.51.100.153";
const QString header = FakeNetworkSetup::header;
const QString noServices = "This network does not have any services";
const QString typicalListing = FakeNetworkSetup::typicalListing;
const QString listAll = "networksetup -listallnetworkservices";
const QStringList getCommands {"networksetup -getdnsservers Ethernet", "networksetup -getdnsservers Wi-Fi",
    "networksetup -getdnsservers \"Thunderbolt Bridge\""};
const QStringList setCommands {"networksetup -setdnsservers Ethernet 198.51.100.153",
    "networksetup -setdnsservers Wi-Fi 198.51.100.153",
    "networksetup -setdnsservers \"Thunderbolt Bridge\" 198.51.100.153"};

// What a completion was called with: nothing until it is called, once.
template<typename Result>
struct Answer
{
    std::optional<Result> result;
    int calls = 0;
    auto completion()
    {
        return [this](const Result& value) {
            result = value;
            ++calls;
        };
    }
    bool arrived()
    {
        return QTest::qWaitFor([this] { return calls > 0; }, 10000) && calls == 1;
    }
};

} // namespace

// The exact command texts and printed lines, over a runner that runs nothing; the same scenarios
// through real zsh and the stand-ins are in tst_dnsconfiguration_e2e.
class TestDNSConfiguration : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeNetworkSetup> m_networksetup;
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<DNSConfiguration> m_dns;

    const QStringList& commands() const { return m_networksetup->runner.commands(); }
    void forget()
    {
        m_networksetup->runner.clear();
        m_log->clear();
    }

    // Runs one operation and waits for its answer: true only when it came once and was a success.
    bool succeeded(void (DNSConfiguration::*operation)(DNSConfiguration::Completion))
    {
        Answer<bool> answer;
        (m_dns.get()->*operation)(answer.completion());
        return answer.arrived() && *answer.result;
    }
    bool start() { return succeeded(&DNSConfiguration::startProtection); }
    bool close() { return succeeded(&DNSConfiguration::closeProtection); }
    bool active() { return succeeded(&DNSConfiguration::isProtectionActive); }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_RESOLVER_ADDRESS", resolver.toUtf8()); }

    void init()
    {
        m_networksetup = std::make_unique<FakeNetworkSetup>();
        m_log = std::make_unique<LogCapture>();
        m_dns = std::make_unique<DNSConfiguration>();
    }

    void cleanup()
    {
        QCOMPARE(m_networksetup->unexpected, QStringList());
        m_dns.reset();
        m_log.reset();
        m_networksetup.reset();
    }

    // The listing is printed when it first comes and whenever it changes; the header and disabled
    // services are not handled.
    void theListingIsPrintedWhenItChanges()
    {
        QVERIFY(!active());
        QCOMPARE(m_log->lines(),
            QStringList({header, noServices, "Ethernet", "Wi-Fi", "Thunderbolt Bridge", "*Bluetooth PAN",
                noServices}));
        m_log->clear();
        QVERIFY(!active());
        QCOMPARE(m_log->lines(), QStringList());
        m_networksetup->listing = header + "\nWi-Fi\n";
        QVERIFY(!active());
        QCOMPARE(m_log->lines(), QStringList({header, noServices, "Wi-Fi"}));
    }

    void startProtectionRunsTheExactCommandsThenTakesTheShortcut()
    {
        QVERIFY(start());
        QCOMPARE(commands(), QStringList {listAll} + setCommands + getCommands);
        QCOMPARE(m_log->lines().mid(m_log->lines().size() - 3), QStringList({"", "", ""})); // the set outputs

        // Protection that holds is only read again.
        forget();
        QVERIFY(start());
        QCOMPARE(m_log->lines(), QStringList {"already cinfigured"});
        QCOMPARE(commands(), QStringList {listAll} + getCommands);

        // Changed since the last reading: the shortcut reads it and sets it again.
        m_networksetup->servers.insert("Wi-Fi", "8.8.8.8\n");
        forget();
        QVERIFY(start());
        QCOMPARE(commands(), QStringList {listAll} + getCommands + setCommands + getCommands);
    }

    // Any service but the three with fixed texts is named as one single-quoted shell word.
    void everyEnabledServiceIsProtected()
    {
        m_networksetup->listing = header + "\nUSB 10/100/1000 LAN\nBob's iPhone\nWi-Fi\n*Bluetooth PAN\n";
        QVERIFY(start());
        QCOMPARE(commands(),
            QStringList({listAll, "networksetup -setdnsservers 'USB 10/100/1000 LAN' 198.51.100.153",
                "networksetup -setdnsservers 'Bob'\\''s iPhone' 198.51.100.153",
                "networksetup -setdnsservers Wi-Fi 198.51.100.153",
                "networksetup -getdnsservers 'USB 10/100/1000 LAN'",
                "networksetup -getdnsservers 'Bob'\\''s iPhone'", "networksetup -getdnsservers Wi-Fi"}));
        QCOMPARE(m_networksetup->servers.value("Bob's iPhone"), resolver + '\n');

        forget();
        QVERIFY(close());
        QCOMPARE(commands().mid(1, 3),
            QStringList({"networksetup -setdnsservers 'USB 10/100/1000 LAN' \"Empty\"",
                "networksetup -setdnsservers 'Bob'\\''s iPhone' \"Empty\"",
                "networksetup -setdnsservers Wi-Fi \"Empty\""}));
    }

    // What the protection screen lists: every enabled service with its servers and whether it is
    // protected; and the servers as the log prints them.
    void theLastCheckDescribesEveryEnabledService()
    {
        m_networksetup->listing = header + "\nEthernet\niPhone USB\nThunderbolt Bridge\n";
        m_networksetup->servers = {{"Ethernet", resolver + '\n'}, {"iPhone USB", "8.8.8.8\n1.1.1.1\n"}};
        QSignalSpy checked(m_dns.get(), &DNSConfiguration::lastCheckChanged);
        QVERIFY(!active());
        QCOMPARE(checked.size(), 1);
        const QList<DNSConfiguration::ServiceStatus>& check = m_dns->lastCheck();
        QCOMPARE(check.size(), 3);
        QCOMPARE(check.at(0).name, "Ethernet");
        QCOMPARE(check.at(0).servers, QStringList {resolver});
        QVERIFY(check.at(0).isProtected);
        QCOMPARE(check.at(1).servers, QStringList({"8.8.8.8", "1.1.1.1"}));
        QVERIFY(!check.at(1).isProtected);
        QCOMPARE(check.at(2).servers, QStringList()); // "There aren't any DNS Servers set on ..."
        QCOMPARE(m_dns->lastCheckServers(),
            QStringList({resolver + "\n (Ethernet)", "8.8.8.8\n1.1.1.1\n (iPhone USB)",
                "There aren't any DNS Servers set on Thunderbolt Bridge.\n (Thunderbolt)"}));
    }

    void closeProtectionSucceedsOnlyWhenNoEnabledServiceShowsTheResolver_data()
    {
        QTest::addColumn<QStringList>("refusing");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("printed"); // only Ethernet's output is printed
        dataRow("all cleared", QStringList {}, true, QString());
        dataRow("Thunderbolt Bridge keeps it", QStringList {"Thunderbolt Bridge"}, false, QString());
        dataRow("Ethernet keeps it", QStringList {"Ethernet"}, false, FakeNetworkSetup::adminError);
    }

    void closeProtectionSucceedsOnlyWhenNoEnabledServiceShowsTheResolver()
    {
        QFETCH(QStringList, refusing);
        QFETCH(bool, result);
        QFETCH(QString, printed);
        QVERIFY(!active());
        m_networksetup->setAll(resolver + '\n');
        m_networksetup->refusing = refusing;
        forget();
        QCOMPARE(close(), result);
        QCOMPARE(commands(),
            QStringList({listAll, "networksetup -setdnsservers Ethernet \"Empty\"",
                "networksetup -setdnsservers Wi-Fi \"Empty\"",
                "networksetup -setdnsservers \"Thunderbolt Bridge\" \"Empty\""})
                + getCommands);
        QCOMPARE(m_log->lines(), QStringList {printed});
    }

    // Protection holds when every enabled service, and one at least, shows the resolver alone: a
    // second server would let look-ups go around the filter.
    void verificationRule_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("servers"); // Ethernet, Wi-Fi, Thunderbolt Bridge, iPhone USB
        QTest::addColumn<bool>("active");
        const QString alone = resolver + '\n';
        const QString three = header + "\nEthernet\nWi-Fi\nThunderbolt Bridge\n";
        dataRow("all three", three, QStringList {alone, resolver, alone, ""}, true);
        dataRow("Ethernet missing", three, QStringList {"", alone, alone, ""}, false);
        dataRow("no Ethernet service", header + "\nWi-Fi\nThunderbolt Bridge\n",
            QStringList {"", alone, alone, ""}, true);
        dataRow("another enabled service unprotected", three + "iPhone USB\n",
            QStringList {alone, alone, alone, ""}, false);
        dataRow("the same service disabled", three + "*iPhone USB\n", QStringList {alone, alone, alone, ""},
            true);
        dataRow("no enabled service", header + "\n*Bluetooth PAN\n", QStringList {alone, alone, alone, alone},
            false);
        dataRow(
            "before another server", three, QStringList {alone, resolver + "\n8.8.8.8\n", alone, ""}, false);
        dataRow("longer last octet", three, QStringList {alone, alone, resolver + "4\n", ""}, false);
        dataRow("inside an error text", three,
            QStringList {alone, resolver + " is not a valid IP address.\n", alone, ""}, false);
    }

    void verificationRule()
    {
        QFETCH(QString, listing);
        QFETCH(QStringList, servers);
        QFETCH(bool, active);
        m_networksetup->listing = listing;
        const QStringList names {"Ethernet", "Wi-Fi", "Thunderbolt Bridge", "iPhone USB"};
        for (int i = 0; i < names.size(); ++i) {
            m_networksetup->servers.insert(names.at(i), servers.at(i));
        }
        QCOMPARE(this->active(), active);
    }

    // A listing that is an error (networksetup stopped at its time limit, say) names no service: the
    // services of the last listing stay the ones handled.
    void anUnreadableListingKeepsTheServicesLastListed()
    {
        QVERIFY(start());
        m_networksetup->runner.answer(listAll, "/bin/zsh did not end within 30 seconds and was stopped.\n");
        forget();
        QVERIFY(active());
        QCOMPARE(commands(), QStringList {listAll} + getCommands);
        QCOMPARE(m_log->lines(),
            QStringList {"The network services could not be listed: /bin/zsh did not end within 30 seconds "
                         "and was stopped."});
    }

    void withoutAnEnabledServiceNothingIsChanged()
    {
        m_networksetup->listing = header + "\n*Bluetooth PAN\n";
        QVERIFY(!start());
        QVERIFY(close());
        QCOMPARE(commands(), QStringList({listAll, listAll}));
        Answer<QStringList> servers;
        m_dns->currentDNSServers(servers.completion());
        QVERIFY(servers.arrived());
        QCOMPARE(*servers.result, QStringList());
    }

    // Operations asked for together run one after the other, never interleaving their commands; one
    // asked for from a completion runs right after it, before those waiting.
    void operationsRunOneAfterAnother()
    {
        QStringList order;
        m_dns->isProtectionActive([&](bool) {
            order << "first read";
            m_dns->startProtection([&](bool) { order << "chained start"; });
        });
        m_dns->closeProtection([&](bool) { order << "close"; });
        QVERIFY(commands().size() == 1); // only the first operation has begun
        QTRY_COMPARE(order.size(), 3);
        QCOMPARE(order, QStringList({"first read", "chained start", "close"}));
        QCOMPARE(commands(),
            QStringList {listAll} + getCommands + QStringList {listAll} + setCommands + getCommands
                + QStringList({listAll, "networksetup -setdnsservers Ethernet \"Empty\"",
                    "networksetup -setdnsservers Wi-Fi \"Empty\"",
                    "networksetup -setdnsservers \"Thunderbolt Bridge\" \"Empty\""})
                + getCommands);
    }
};

QTEST_GUILESS_MAIN(TestDNSConfiguration)
#include "tst_dnsconfiguration.moc"
