#include "CommandRunner.h"
#include "DataRow.h"
#include "LogCapture.h"
#include "TemporarySimulatedMac.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using Commands = QList<QStringList>;

// The simulated Mac's programs, each through real processes on a simulated Mac of the test's own:
// brevak-simctl, and the stand-ins for networksetup, launchctl and osascript with macOS's texts and
// exit statuses.
class TestStandIns : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;

    QString listing() const { return m_mac->run("networksetup", {"-listallnetworkservices"}).output; }
    QString section(const QString& title) const
    {
        const QString all = m_mac->simctl({"state"}).output;
        const qsizetype begin = all.indexOf(title);
        const qsizetype end = all.indexOf("\n\n", begin);
        return all.mid(begin, end < 0 ? -1 : end - begin + 1);
    }
    bool isRunning(const QString& name) const
    {
        return section("Running applications").contains("\n  " + name + " (");
    }
    // Runs an AppleScript through the application's runner and waits until its outcome is printed.
    static bool ranScript(const QString& source)
    {
        ProcessCommandRunner runner;
        QObject caller;
        bool done = false;
        runner.runAppleScript(source, &caller, [&done] { done = true; });
        return QTest::qWaitFor([&done] { return done; }, 30000);
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
        for (const QStringList& change :
            Commands {{"service", "add", "iPhone USB"}, {"dns", "Wi-Fi", "9.9.9.9"}, {"deny", "on"},
                {"hang", "on"}, {"network", "offline"}, {"app", "add", "Slots Deluxe", "com.example.slots"},
                {"activate", "Slots Deluxe"}, {"init"}}) {
            QVERIFY(m_mac->setUp(change));
        }
        QCOMPARE(listing(),
            "An asterisk (*) denotes that a network service is disabled.\n"
            "Ethernet\nWi-Fi\nThunderbolt Bridge\n*Bluetooth PAN\n");
        QCOMPARE(m_mac->dnsServers("Wi-Fi"), "There aren't any DNS Servers set on Wi-Fi.\n");
        QCOMPARE(section("DNS changes").trimmed(),
            "DNS changes: allowed (deny off)\nnetworksetup: answers (hang off)\nNetwork: online");
        QCOMPARE(section("Running applications"), "Running applications, in launch order:\n  none\n");
    }

    void aDamagedStateIsReplacedOnlyWhenForced()
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
        QVERIFY(m_mac->setUp({"init", "--force"}));
        QVERIFY(listing().endsWith("*Bluetooth PAN\n"));
    }

    // Each change is refused with a reason, and then changes nothing.
    void changes_data()
    {
        QTest::addColumn<Commands>("commands");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<QString>("listing");
        const QString header = "An asterisk (*) denotes that a network service is disabled.\n";
        const QString typical = header + "Ethernet\nWi-Fi\nThunderbolt Bridge\n*Bluetooth PAN\n";
        dataRow("add", Commands {{"service", "add", "iPhone USB"}}, "", typical + "iPhone USB\n");
        dataRow("remove, disable and enable",
            Commands {{"service", "remove", "Ethernet"}, {"service", "disable", "Wi-Fi"},
                {"service", "enable", "Bluetooth PAN"}},
            "", header + "*Wi-Fi\nThunderbolt Bridge\nBluetooth PAN\n");
        dataRow("add twice", Commands {{"service", "add", "Wi-Fi"}},
            "brevak-simctl: there is already a network service named \"Wi-Fi\"\n", typical);
        dataRow("bad DNS address", Commands {{"dns", "Wi-Fi", "8.8.8.8", "eight"}},
            "brevak-simctl: \"eight\" is not an IPv4 or IPv6 address\n", typical);
    }

    void changes()
    {
        QFETCH(Commands, commands);
        QFETCH(QString, errors);
        QFETCH(QString, listing);
        const QByteArray before = stateBytes();
        for (const QStringList& command : commands) {
            const auto result = m_mac->simctl(command);
            QCOMPARE(result.errors, errors);
            QCOMPARE(result.exitCode, errors.isEmpty() ? 0 : 1);
        }
        QCOMPARE(this->listing(), listing);
        QCOMPARE(stateBytes() == before, !errors.isEmpty());
        QVERIFY(!QFileInfo::exists(m_mac->root() + "/Escape.app"));
    }

    void concurrentChangesAreAllKept()
    {
        // Four programs add ten services each at the same time; the lock keeps every one.
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int writer = 0; writer < 4; ++writer) {
            QStringList script;
            for (int i = 0; i < 10; ++i) {
                script << QStringLiteral("'%1' service add 'Service %2-%3'")
                              .arg(TemporarySimulatedMac::programPath("brevak-simctl"))
                              .arg(writer)
                              .arg(i);
            }
            writers.push_back(std::make_unique<QProcess>());
            writers.back()->start("/bin/sh", {"-c", script.join(" && ")});
        }
        for (const auto& process : writers) {
            QVERIFY(process->waitForFinished(120000));
            QCOMPARE(process->exitCode(), 0);
        }
        QCOMPARE(listing().split('\n', Qt::SkipEmptyParts).size(), 1 + 4 + 40);
    }

    void setsDnsServersOrChangesNothing_data()
    {
        QTest::addColumn<bool>("denied");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("wifiAfterwards");
        const QString invalid = "** Error: The parameters were not valid.\n";
        const QString before = "192.0.2.1\n";
        dataRow("several addresses replace the list", false,
            QStringList {"-setdnsservers", "Wi-Fi", "9.9.9.9", "2620:fe::fe"}, "", 0,
            "9.9.9.9\n2620:fe::fe\n");
        dataRow("Empty clears", false, QStringList {"-setdnsservers", "Wi-Fi", "Empty"}, "", 0,
            "There aren't any DNS Servers set on Wi-Fi.\n");
        dataRow("a host name is no address", false,
            QStringList {"-setdnsservers", "Wi-Fi", "dns.example.com"},
            "dns.example.com is not a valid IP address.\n" + invalid, 4, before);
        dataRow("the listing's asterisk is not part of the name", false,
            QStringList {"-getdnsservers", "*Bluetooth PAN"},
            "*Bluetooth PAN is not a recognized network service.\n" + invalid, 4, before);
        dataRow("denied", true, QStringList {"-setdnsservers", "Wi-Fi", "198.51.100.153"},
            "** Error: Command requires admin privileges.\n", 14, before);
    }

    void setsDnsServersOrChangesNothing()
    {
        QFETCH(bool, denied);
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(int, exitCode);
        QFETCH(QString, wifiAfterwards);
        QVERIFY(m_mac->setUp({"dns", "Wi-Fi", "192.0.2.1"}));
        QVERIFY(!denied || m_mac->setUp({"deny", "on"}));
        const auto result = m_mac->run("networksetup", arguments);
        QCOMPARE(result.output, output);
        QCOMPARE(result.errors, QString());
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(m_mac->dnsServers("Wi-Fi"), wifiAfterwards);
        // Other services never change with Wi-Fi.
        QCOMPARE(m_mac->dnsServers("Ethernet"), "There aren't any DNS Servers set on Ethernet.\n");
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<bool>("groupWritable");
        QTest::addColumn<int>("exitCode");
        QFile bundled(BREVAK_RESOURCES_DIR "/com.mac.brevak.plist");
        const QByteArray agent = bundled.open(QIODevice::ReadOnly) ? bundled.readAll() : QByteArray();
        dataRow("the agent BREVAK installs", agent, false, 0);
        dataRow("missing file", QByteArray(), false, 2);
        dataRow("not a property list", QByteArray("Label = com.mac.brevak"), false, 22);
        dataRow("others may rewrite it", agent, true, 22);
    }

    void load()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, groupWritable);
        QFETCH(int, exitCode);
        QFile file(m_mac->root() + "/home/Library/LaunchAgents/com.mac.brevak.plist");
        if (!content.isNull()) {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
            file.close();
            file.setPermissions(
                file.permissions() | (groupWritable ? QFile::WriteGroup : QFile::Permissions()));
        }
        const auto result = m_mac->run("launchctl", {"load", file.fileName()});
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(result.errors.isEmpty(), exitCode == 0);
        const QString loaded = "Loaded launch agents:\n  com.mac.brevak: " + file.fileName() + "\n";
        QCOMPARE(section("Loaded launch agents:"),
            exitCode == 0 ? loaded : QString("Loaded launch agents:\n  none\n"));
        if (exitCode == 0) {
            // Loading again is refused as launchd refuses it, and changes nothing.
            const auto again = m_mac->run("launchctl", {"load", file.fileName()});
            QCOMPARE(again.errors,
                file.fileName()
                    + ": service already loaded\nLoad failed: 37: Operation already in progress\n");
            QCOMPARE(section("Loaded launch agents:"), loaded);
            // Unloaded, it can be loaded again (a replaced agent is reloaded so); unloaded twice, refused.
            QCOMPARE(m_mac->run("launchctl", {"unload", file.fileName()}).exitCode, 0);
            QCOMPARE(section("Loaded launch agents:"), QString("Loaded launch agents:\n  none\n"));
            QCOMPARE(m_mac->run("launchctl", {"unload", file.fileName()}).errors,
                "Unload failed: 113: Could not find specified service\n");
            QCOMPARE(m_mac->run("launchctl", {"load", file.fileName()}).exitCode, 0);
            QCOMPARE(section("Loaded launch agents:"), loaded);
        }
    }

    // The command runner's quit script reaches any name, and the stand-in ends only that application.
    void theQuitScriptEndsTheNamedApplication_data()
    {
        QTest::addColumn<QString>("name");
        dataRow("plain", "Lucky Spin Casino");
        dataRow("double quotes", "Say \"Jackpot\"");
        dataRow("backslash before the closing quote", "Ends with\\");
    }

    void theQuitScriptEndsTheNamedApplication()
    {
        QFETCH(QString, name);
        QVERIFY(name.startsWith("Lucky") || m_mac->setUp({"app", "add", name, "com.example.casino"}));
        QVERIFY(m_mac->setUp({"activate", name}));
        QVERIFY(m_mac->setUp({"activate", "Safari"}));
        LogCapture log;
        QVERIFY(ranScript(quitApplicationScript(name)));
        QCOMPARE(log.lines(), QStringList());
        QVERIFY(!isRunning(name));
        QVERIFY(isRunning("Safari"));
        // An application that is not installed cannot be quit: the runner prints osascript's error.
        QVERIFY(ranScript(quitApplicationScript("Poker Stars")));
        QCOMPARE(log.lines(),
            QStringList {"error: 5:30: execution error: Can’t get application \"Poker Stars\". (-1728)"});
    }

    // A list of bundle identifiers prints as osascript prints a list of texts; one application it cannot
    // get fails the whole script, and an item that is not an identifier's sentence is a syntax error.
    void aListOfBundleIdentifiers()
    {
        QVERIFY(m_mac->setUp({"app", "add", "Dice, \"Deluxe\"", "org.example.dice"}));
        const auto osascript = [this](const QString& script) { return m_mac->run("osascript", {"-e", script}); };

        auto result = osascript("{id of application \"Dice, \\\"Deluxe\\\"\", id of app \"Safari.app\"}");
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, "org.example.dice, com.apple.Safari\n");

        result = osascript("{id of application \"Safari\", id of application \"Nope\"}");
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.output, QString());
        QVERIFY2(result.errors.contains("execution error: Can’t get application \"Nope\". (-1728)"),
            qPrintable(result.errors));

        result = osascript("{id of application \"Safari\", }");
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errors.contains("syntax error"), qPrintable(result.errors));
    }

    // While the hang switch is on, networksetup answers nothing; it goes on when the switch is off, and
    // ends at once when whoever started it is gone.
    void theHangSwitchHoldsNetworksetup()
    {
        QVERIFY(m_mac->setUp({"hang", "on"}));
        QProcess held;
        held.start(TemporarySimulatedMac::programPath("networksetup"), {"-getdnsservers", "Wi-Fi"});
        QVERIFY(held.waitForStarted());
        QVERIFY(section("networksetup:").contains("hangs until the switch is off (hang on)"));
        QCOMPARE(held.state(), QProcess::Running);

        // Started by a shell that ends at once: its networksetup is left without a parent.
        QProcess shell;
        shell.start("/bin/sh",
            {"-c",
                shellQuoted(TemporarySimulatedMac::programPath("networksetup"))
                    + " -listallnetworkservices >/dev/null 2>&1 & echo $!"});
        QVERIFY(shell.waitForFinished(10000));
        const QString orphan = QString::fromLatin1(shell.readAllStandardOutput()).trimmed();
        QVERIFY(!orphan.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists("/proc/" + orphan), 10000);

        QCOMPARE(held.state(), QProcess::Running);
        QVERIFY(m_mac->setUp({"hang", "off"}));
        QVERIFY(held.waitForFinished(10000));
        QCOMPARE(held.readAllStandardOutput(), "There aren't any DNS Servers set on Wi-Fi.\n");
    }
};

QTEST_GUILESS_MAIN(TestStandIns)
#include "tst_standins.moc"
