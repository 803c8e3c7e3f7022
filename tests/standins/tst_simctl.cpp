#include "DataRow.h"
#include "TemporarySimulatedMac.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

class TestSimctl : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;

    QString listing() const { return m_mac->run("networksetup", {"-listallnetworkservices"}).output; }
    QString dns(const QString& service) const
    {
        return m_mac->run("networksetup", {"-getdnsservers", service}).output;
    }
    QString state() const { return m_mac->simctl({"state"}).output; }
    QString section(const QString& title) const
    {
        const QString all = state();
        const qsizetype begin = all.indexOf(title);
        const qsizetype end = all.indexOf("\n\n", begin);
        return all.mid(begin, end < 0 ? -1 : end - begin + 1);
    }
    QByteArray stateBytes() const
    {
        QFile file(m_mac->stateFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void init()
    {
        m_mac = std::make_unique<TemporarySimulatedMac>();
        QVERIFY(m_mac->setUp({"init"}));
    }

    void cleanup() { m_mac.reset(); }

    // A typical Mac again, whatever was changed, except for added applications.
    void initSetsUpATypicalMac()
    {
        QVERIFY(m_mac->setUp({"service", "add", "iPhone USB"}));
        QVERIFY(m_mac->setUp({"dns", "Wi-Fi", "9.9.9.9"}));
        QVERIFY(m_mac->setUp({"deny", "on"}));
        QVERIFY(m_mac->setUp({"network", "offline"}));
        QVERIFY(m_mac->setUp({"app", "add", "Slots Deluxe", "com.example.slots"}));
        QVERIFY(m_mac->setUp({"activate", "Slots Deluxe"}));
        QVERIFY(m_mac->setUp({"init"}));
        QCOMPARE(listing(),
            "An asterisk (*) denotes that a network service is disabled.\n"
            "Ethernet\nWi-Fi\nThunderbolt Bridge\n*Bluetooth PAN\n");
        QCOMPARE(dns("Wi-Fi"), "There aren't any DNS Servers set on Wi-Fi.\n");
        QCOMPARE(section("DNS changes").trimmed(), "DNS changes: allowed (deny off)\nNetwork: online");
        QCOMPARE(section("Running applications"), "Running applications, in launch order:\n  none\n");
        QProcess ls;
        ls.start("ls", {m_mac->root() + "/Applications"});
        QVERIFY(ls.waitForFinished());
        QCOMPARE(ls.readAllStandardOutput(),
            "BREVAK.app\nLucky Spin Casino.app\nRoyal Flush Poker.app\nSafari.app\nSlots "
            "Deluxe.app\nUtilities\n");
        QVERIFY(QDir(m_mac->root() + "/home/Library/LaunchAgents").exists());
    }

    void initDoesNotReplaceADamagedStateUnlessForced()
    {
        QFile file(m_mac->stateFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{ not json");
        file.close();
        auto result = m_mac->simctl({"init"});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.errors,
            "brevak-simctl: the state file " + m_mac->stateFile()
                + " is damaged: unterminated object at byte 3 (brevak-simctl init --force replaces it)\n");
        QCOMPARE(stateBytes(), "{ not json");
        result = m_mac->simctl({"state"});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.errors.contains("is damaged"));

        result = m_mac->simctl({"init", "--force"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, "A typical Mac is set up at " + m_mac->root() + "\n");
        QVERIFY(listing().endsWith("*Bluetooth PAN\n"));
    }

    void serviceCommands_data()
    {
        QTest::addColumn<QList<QStringList>>("commands");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<QString>("listing");
        const QString header = "An asterisk (*) denotes that a network service is disabled.\n";
        const QString typical = header + "Ethernet\nWi-Fi\nThunderbolt Bridge\n*Bluetooth PAN\n";

        dataRow("add", QList<QStringList> {{"service", "add", "iPhone USB"}}, "", typical + "iPhone USB\n");
        dataRow("remove", QList<QStringList> {{"service", "remove", "Ethernet"}}, "",
            header + "Wi-Fi\nThunderbolt Bridge\n*Bluetooth PAN\n");
        dataRow("disable and enable",
            QList<QStringList> {{"service", "disable", "Wi-Fi"}, {"service", "enable", "Bluetooth PAN"}}, "",
            header + "Ethernet\n*Wi-Fi\nThunderbolt Bridge\nBluetooth PAN\n");
        dataRow("add twice", QList<QStringList> {{"service", "add", "Wi-Fi"}},
            "brevak-simctl: there is already a network service named \"Wi-Fi\"\n", typical);
        dataRow("remove unknown", QList<QStringList> {{"service", "remove", "Modem"}},
            "brevak-simctl: there is no network service named \"Modem\"\n", typical);
        dataRow("asterisk", QList<QStringList> {{"service", "add", "*VPN"}},
            "brevak-simctl: a service name may not start with \"*\", which marks a disabled "
            "service\n",
            typical);
    }

    void serviceCommands()
    {
        QFETCH(QList<QStringList>, commands);
        QFETCH(QString, errors);
        QFETCH(QString, listing);
        for (const QStringList& command : commands) {
            const auto result = m_mac->simctl(command);
            QCOMPARE(result.errors, errors);
            QCOMPARE(result.exitCode, errors.isEmpty() ? 0 : 1);
        }
        QCOMPARE(this->listing(), listing);
    }

    void dnsChangesServersBehindBrevaksBack()
    {
        QVERIFY(m_mac->setUp({"deny", "on"})); // simctl acts as an administrator
        QVERIFY(m_mac->setUp({"dns", "Thunderbolt Bridge", "8.8.8.8", "2001:4860:4860::8888"}));
        QCOMPARE(dns("Thunderbolt Bridge"), "8.8.8.8\n2001:4860:4860::8888\n");
        QVERIFY(m_mac->setUp({"dns", "Thunderbolt Bridge", "Empty"}));
        QCOMPARE(dns("Thunderbolt Bridge"), "There aren't any DNS Servers set on Thunderbolt Bridge.\n");

        auto result = m_mac->simctl({"dns", "Wi-Fi", "8.8.8.8", "eight"});
        QCOMPARE(result.errors, "brevak-simctl: \"eight\" is not an IPv4 or IPv6 address\n");
        QCOMPARE(result.exitCode, 1);
        result = m_mac->simctl({"dns", "Modem", "8.8.8.8"});
        QCOMPARE(result.errors, "brevak-simctl: there is no network service named \"Modem\"\n");
        QCOMPARE(dns("Wi-Fi"), "There aren't any DNS Servers set on Wi-Fi.\n");
    }

    void appAddWritesABundle()
    {
        QVERIFY(m_mac->setUp({"app", "add", "Slots Deluxe", "com.example.slots-deluxe"}));
        QCOMPARE(m_mac->run("osascript", {"-e", "id of application \"Slots Deluxe.app\""}).output,
            "com.example.slots-deluxe\n");
        QVERIFY(section("Applications in").contains("  Slots Deluxe.app (com.example.slots-deluxe)\n"));
    }

    void appAddRefusesBadInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("errors");
        dataRow("already installed", QStringList {"Safari", "com.example.other"},
            "brevak-simctl: Safari.app is already in ROOT/Applications\n");
        dataRow("slash", QStringList {"../Escape", "com.example.escape"},
            "brevak-simctl: the application name \"../Escape\" may not contain \"/\" or start "
            "with \".\"\n");
        dataRow("bad identifier", QStringList {"Game", "com example game"},
            "brevak-simctl: \"com example game\" is not a bundle identifier (letters, "
            "digits, \"-\" and \".\", as com.example.Game)\n");
    }

    void appAddRefusesBadInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, errors);
        const QString applicationsBefore = section("Applications in");
        const auto result = m_mac->simctl(QStringList {"app", "add"} + arguments);
        QCOMPARE(result.errors, QString(errors).replace("ROOT", m_mac->root()));
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(section("Applications in"), applicationsBefore);
        QVERIFY(!QFileInfo::exists(m_mac->root() + "/Escape.app"));
    }

    void appRemoveDeletesTheBundleAndEndsIt()
    {
        QVERIFY(m_mac->setUp({"activate", "Royal Flush Poker"}));
        QVERIFY(m_mac->setUp({"app", "remove", "Royal Flush Poker"}));
        QVERIFY(!QFileInfo::exists(m_mac->root() + "/Applications/Royal Flush Poker.app"));
        QCOMPARE(section("Running applications"), "Running applications, in launch order:\n  none\n");
        QVERIFY(m_mac->setUp({"app", "remove", "Terminal.app"})); // found in Utilities
        QVERIFY(!QFileInfo::exists(m_mac->root() + "/Applications/Utilities/Terminal.app"));

        const auto result = m_mac->simctl({"app", "remove", "Royal Flush Poker"});
        QCOMPARE(result.errors,
            "brevak-simctl: there is no application named \"Royal Flush Poker\" in " + m_mac->root()
                + "/Applications\n");
        QCOMPARE(result.exitCode, 1);
    }

    void activateBringsAnApplicationToTheFront()
    {
        QVERIFY(m_mac->setUp({"activate", "Safari"}));
        QVERIFY(m_mac->setUp({"activate", "Lucky Spin Casino.app"}));
        QCOMPARE(section("Running applications"),
            "Running applications, in launch order:\n"
            "  Safari (com.apple.Safari): simulated\n"
            "  Lucky Spin Casino (com.luckyspin.casino): simulated, frontmost\n");
        QVERIFY(m_mac->setUp({"activate", "Safari"}));
        QCOMPARE(section("Running applications"),
            "Running applications, in launch order:\n"
            "  Safari (com.apple.Safari): simulated, frontmost\n"
            "  Lucky Spin Casino (com.luckyspin.casino): simulated\n");

        const auto result = m_mac->simctl({"activate", "Poker Stars"});
        QCOMPARE(result.errors,
            "brevak-simctl: there is no application named \"Poker Stars\" in " + m_mac->root()
                + "/Applications\n");
        QCOMPARE(result.exitCode, 1);
    }

    void switches()
    {
        QVERIFY(m_mac->setUp({"deny", "on"}));
        QVERIFY(m_mac->setUp({"network", "offline"}));
        QCOMPARE(section("DNS changes").trimmed(),
            "DNS changes: denied, as for a user without admin rights (deny on)\nNetwork: offline");
        QVERIFY(m_mac->setUp({"deny", "off"}));
        QVERIFY(m_mac->setUp({"network", "online"}));
        QCOMPARE(section("DNS changes").trimmed(), "DNS changes: allowed (deny off)\nNetwork: online");
    }

    void badUsageSaysSoAndChangesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("problem");
        dataRow("nothing", QStringList {}, "no command given");
        dataRow("unknown command", QStringList {"reboot"}, "unknown command \"reboot\"");
    }

    void badUsageSaysSoAndChangesNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, problem);
        const QByteArray before = stateBytes();
        const auto result = m_mac->simctl(arguments);
        QCOMPARE(result.errors, "brevak-simctl: " + problem + "\nTry 'brevak-simctl --help'.\n");
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(stateBytes(), before);
    }

    void concurrentChangesAreAllKept()
    {
        // Four programs add ten services each at the same time; the lock keeps every one.
        QList<QProcess*> writers;
        for (int writer = 0; writer < 4; ++writer) {
            auto* process = new QProcess(this);
            QStringList script;
            for (int i = 0; i < 10; ++i) {
                script << QStringLiteral("'%1' service add 'Service %2-%3'")
                              .arg(TemporarySimulatedMac::programPath("brevak-simctl"))
                              .arg(writer)
                              .arg(i);
            }
            process->start("/bin/sh", {"-c", script.join(" && ")});
            writers.append(process);
        }
        for (QProcess* process : writers) {
            QVERIFY(process->waitForFinished(60000));
            QCOMPARE(process->exitCode(), 0);
        }
        const QStringList services = listing().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(services.size(), 1 + 4 + 40);
        for (int writer = 0; writer < 4; ++writer) {
            for (int i = 0; i < 10; ++i) {
                QVERIFY(services.contains(QStringLiteral("Service %1-%2").arg(writer).arg(i)));
            }
        }
        qDeleteAll(writers);
    }
};

QTEST_GUILESS_MAIN(TestSimctl)
#include "tst_simctl.moc"
