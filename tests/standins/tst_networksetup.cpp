#include "DataRow.h"
#include "TemporarySimulatedMac.h"

#include <QFile>
#include <QTest>

using Steps = QList<QStringList>;

class TestNetworkSetup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;

    TemporarySimulatedMac::Result networksetup(const QStringList& arguments)
    {
        return m_mac->run("networksetup", arguments);
    }

private Q_SLOTS:
    void init()
    {
        m_mac = std::make_unique<TemporarySimulatedMac>();
        QVERIFY(m_mac->setUp({"init"}));
    }

    void cleanup() { m_mac.reset(); }

    void answersLikeMacOS_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("exitCode");

        const QString invalid = "** Error: The parameters were not valid.\n";

        dataRow("the listing's asterisk is not part of the name",
            QStringList {"-getdnsservers", "*Bluetooth PAN"},
            "*Bluetooth PAN is not a recognized network service.\n" + invalid, 4);
        dataRow("unknown service", QStringList {"-getdnsservers", "Wi-Fi 2"},
            "Wi-Fi 2 is not a recognized network service.\n" + invalid, 4);
    }

    void answersLikeMacOS()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(int, exitCode);
        const auto result = networksetup(arguments);
        QCOMPARE(result.output, output);
        QCOMPARE(result.errors, QString());
        QCOMPARE(result.exitCode, exitCode);
    }

    void setsDnsServersOrChangesNothing_data()
    {
        QTest::addColumn<Steps>("setup");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("wifiAfterwards");

        const QString invalid = "** Error: The parameters were not valid.\n";
        const QString before = "192.0.2.1\n";
        const Steps configured {{"dns", "Wi-Fi", "192.0.2.1"}};

        dataRow("one address", configured, QStringList {"-setdnsservers", "Wi-Fi", "198.51.100.153"}, "", 0,
            "198.51.100.153\n");
        dataRow("several addresses replace the list", configured,
            QStringList {"-setdnsservers", "Wi-Fi", "9.9.9.9", "2620:fe::fe", "149.112.112.112"}, "", 0,
            "9.9.9.9\n2620:fe::fe\n149.112.112.112\n");
        dataRow("Empty clears", configured, QStringList {"-setdnsservers", "Wi-Fi", "Empty"}, "", 0,
            "There aren't any DNS Servers set on Wi-Fi.\n");
        dataRow("a host name is no address", configured,
            QStringList {"-setdnsservers", "Wi-Fi", "dns.example.com"},
            "dns.example.com is not a valid IP address.\n" + invalid, 4, before);
        dataRow("an octet above 255", configured, QStringList {"-setdnsservers", "Wi-Fi", "198.51.100.256"},
            "198.51.100.256 is not a valid IP address.\n" + invalid, 4, before);
        dataRow("one bad address among good ones", configured,
            QStringList {"-setdnsservers", "Wi-Fi", "9.9.9.9", "nine"},
            "nine is not a valid IP address.\n" + invalid, 4, before);
        const QString denied = "** Error: Command requires admin privileges.\n";
        Steps denying = configured;
        denying.append(QStringList {"deny", "on"});
        dataRow("deny: no change", denying, QStringList {"-setdnsservers", "Wi-Fi", "198.51.100.153"}, denied,
            14, before);
        Steps allowedAgain = denying;
        allowedAgain.append(QStringList {"deny", "off"});
        dataRow("deny switched off again", allowedAgain,
            QStringList {"-setdnsservers", "Wi-Fi", "198.51.100.153"}, "", 0, "198.51.100.153\n");
    }

    void setsDnsServersOrChangesNothing()
    {
        QFETCH(Steps, setup);
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(int, exitCode);
        QFETCH(QString, wifiAfterwards);
        for (const QStringList& step : setup) {
            QVERIFY(m_mac->setUp(step));
        }
        const auto result = networksetup(arguments);
        QCOMPARE(result.output, output);
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(networksetup({"-getdnsservers", "Wi-Fi"}).output, wifiAfterwards);
        // Other services never change with Wi-Fi.
        QCOMPARE(networksetup({"-getdnsservers", "Ethernet"}).output,
            "There aren't any DNS Servers set on Ethernet.\n");
    }

    void readsStillWorkUnderTheDenySwitch()
    {
        QVERIFY(m_mac->setUp({"dns", "Ethernet", "192.0.2.7"}));
        QVERIFY(m_mac->setUp({"deny", "on"}));
        QCOMPARE(networksetup({"-getdnsservers", "Ethernet"}).output, "192.0.2.7\n");
        QCOMPARE(networksetup({"-listallnetworkservices"}).exitCode, 0);
    }

    void aDamagedStateIsReportedAndKept()
    {
        QFile state(m_mac->stateFile());
        QVERIFY(state.open(QIODevice::WriteOnly));
        state.write("{\"format\": 1, \"networkServices\": [{\"name\": 7}]}");
        state.close();
        for (const QStringList& arguments : {QStringList {"-listallnetworkservices"},
                 QStringList {"-setdnsservers", "Wi-Fi", "198.51.100.153"}}) {
            const auto result = networksetup(arguments);
            QCOMPARE(result.exitCode, 1);
            QCOMPARE(result.output, QString());
            QCOMPARE(result.errors,
                "networksetup: the state file " + m_mac->stateFile()
                    + " is damaged: \"networkServices[0].name\" must be a text\n");
        }
        QVERIFY(state.open(QIODevice::ReadOnly));
        QCOMPARE(state.readAll(), "{\"format\": 1, \"networkServices\": [{\"name\": 7}]}");
    }
};

QTEST_GUILESS_MAIN(TestNetworkSetup)
#include "tst_networksetup.moc"
