#include "CommandRunner.h"
#include "LogCapture.h"
#include "TemporarySimulatedMac.h"

#include <QDir>
#include <QTest>

class TestOsascript : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;

    TemporarySimulatedMac::Result osascript(const QStringList& lines)
    {
        QStringList arguments;
        for (const QString& line : lines) {
            arguments << "-e" << line;
        }
        return m_mac->run("osascript", arguments);
    }

    bool isRunning(const QString& name) const
    {
        const QString state = m_mac->simctl({"state"}).output;
        const QString running = state.mid(state.indexOf("Running applications"));
        return running.contains("\n  " + name + " (");
    }

private Q_SLOTS:
    void init()
    {
        m_mac = std::make_unique<TemporarySimulatedMac>();
        QVERIFY(m_mac->setUp({"init"}));
    }

    void cleanup() { m_mac.reset(); }

    void bundleIdentifierFromInfoPlist_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("bundle name") << "id of application \"Safari.app\""
                                     << "com.apple.Safari\n"
                                     << "" << 0;
        QTest::newRow("without .app") << "id of application \"Safari\""
                                      << "com.apple.Safari\n"
                                      << "" << 0;
        QTest::newRow("app for application") << "id of app \"Royal Flush Poker.app\""
                                             << "net.royalflush.poker\n"
                                             << "" << 0;
        QTest::newRow("blanks in the name") << "id of application \"Lucky Spin Casino.app\""
                                            << "com.luckyspin.casino\n"
                                            << "" << 0;
        QTest::newRow("an application in a subfolder") << "id of application \"Terminal.app\""
                                                       << "com.apple.Terminal\n"
                                                       << "" << 0;
        QTest::newRow("keywords in any case") << "ID OF Application \"Safari.app\""
                                              << "com.apple.Safari\n"
                                              << "" << 0;
        QTest::newRow("unknown application")
            << "id of application \"Nope.app\""
            << ""
            << "6:28: execution error: Can’t get application \"Nope.app\". (-1728)\n"
            << 1;
        QTest::newRow("a folder, not an application")
            << "id of application \"Utilities\""
            << ""
            << "6:29: execution error: Can’t get application \"Utilities\". (-1728)\n"
            << 1;
    }

    void bundleIdentifierFromInfoPlist()
    {
        QFETCH(QString, source);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        QFETCH(int, exitCode);
        const auto result = osascript({source});
        QCOMPARE(result.output, output);
        QCOMPARE(result.errors, errors);
        QCOMPARE(result.exitCode, exitCode);
    }

    void aBundleWithoutInfoPlistIsNoApplication()
    {
        QVERIFY(QDir().mkpath(m_mac->root() + "/Applications/Broken.app/Contents"));
        const auto result = osascript({"id of application \"Broken.app\""});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.errors.contains("execution error: Can’t get application \"Broken.app\". (-1728)"));
    }

    void theApplicationListCommandRunsThroughZsh()
    {
        // The command text of the application list: twelve blanks, then osascript with its quoting.
        ProcessCommandRunner runner;
        QCOMPARE(
            runner.runShellCommand("            osascript -e 'id of application \"Lucky Spin Casino.app\"'"),
            "com.luckyspin.casino\n");
        const QString missing
            = runner.runShellCommand("            osascript -e 'id of application \"Gone.app\"'");
        QVERIFY2(missing.contains("execution error"), qPrintable(missing));
    }

    void quitEndsASimulatedApplication_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("three lines") << QStringList {
            "tell application \"Lucky Spin Casino\"\nquit\nend tell"};
        QTest::newRow("one -e a line")
            << QStringList {"tell application \"Lucky Spin Casino\"", "quit", "end tell"};
        QTest::newRow("blank lines and indentation")
            << QStringList {"\ntell application \"Lucky Spin Casino\"\n\n    quit\r\nend tell\n"};
        QTest::newRow("one line") << QStringList {"tell application \"Lucky Spin Casino\" to quit"};
        QTest::newRow("quit application") << QStringList {"quit application \"Lucky Spin Casino.app\""};
        QTest::newRow("end alone") << QStringList {"tell app \"Lucky Spin Casino\"\nquit\nend"};
    }

    void quitEndsASimulatedApplication()
    {
        QFETCH(QStringList, lines);
        QVERIFY(m_mac->setUp({"activate", "Lucky Spin Casino"}));
        QVERIFY(m_mac->setUp({"activate", "Safari"}));
        QVERIFY(isRunning("Lucky Spin Casino"));
        const auto result = osascript(lines);
        QCOMPARE(result.output + result.errors, QString());
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!isRunning("Lucky Spin Casino"));
        QVERIFY(isRunning("Safari"));
    }

    void quittingAnApplicationThatDoesNotRunSucceeds()
    {
        const auto result = osascript({"tell application \"Safari\"\nquit\nend tell"});
        QCOMPARE(result.output + result.errors, QString());
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!isRunning("Safari"));
    }

    void quittingAnUnknownApplicationFails()
    {
        const auto result = osascript({"tell application \"Poker Stars\"\nquit\nend tell"});
        QCOMPARE(result.errors, "5:30: execution error: Can’t get application \"Poker Stars\". (-1728)\n");
        QCOMPARE(result.exitCode, 1);
    }

    void quitScriptOfTheCommandRunnerReachesNamesWithQuotesAndBackslashes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Royal Flush Poker";
        QTest::newRow("double quotes") << "Say \"Jackpot\"";
        QTest::newRow("backslash") << "Back\\slash";
        QTest::newRow("backslash before the closing quote") << "Ends with\\";
        QTest::newRow("non-ASCII") << "Casino Élégance 賭場";
    }

    void quitScriptOfTheCommandRunnerReachesNamesWithQuotesAndBackslashes()
    {
        QFETCH(QString, name);
        if (!name.startsWith("Royal")) {
            QVERIFY(m_mac->setUp({"app", "add", name, "com.example.casino"}));
        }
        QVERIFY(m_mac->setUp({"activate", name}));
        QVERIFY(isRunning(name));
        LogCapture log;
        ProcessCommandRunner().runAppleScript(quitApplicationScript(name));
        QCOMPARE(log.lines(), QStringList());
        QVERIFY(!isRunning(name));
    }

    void aNameInsertedWithoutEscapingFailsToCompile()
    {
        LogCapture log;
        ProcessCommandRunner().runAppleScript("tell application \"Say \"Jackpot\"\"\nquit\nend tell");
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(
            log.lines().first().startsWith("error: ") && log.lines().first().contains(": syntax error: "),
            qPrintable(log.lines().first()));
    }

    void otherScriptsAreErrors_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("errors");
        const QString notUnderstood = "syntax error: The simulated Mac runs only “id of application "
                                      "\"Name\"” and the quit script. (-2740)\n";
        QTest::newRow("shell script") << "do shell script \"rm -rf ~\""
                                      << "0:26: " + notUnderstood;
        QTest::newRow("activate") << "tell application \"Safari\"\nactivate\nend tell"
                                  << "0:43: " + notUnderstood;
        QTest::newRow("two commands in the tell block") << "tell application \"Safari\"\nquit\nquit\nend tell"
                                                        << "0:44: " + notUnderstood;
        QTest::newRow("id without a name") << "id of application"
                                           << "0:17: " + notUnderstood;
        QTest::newRow("string never ends")
            << "id of application \"Safari"
            << "25:25: syntax error: Expected “\"” but found end of script. (-2741)\n";
    }

    void otherScriptsAreErrors()
    {
        QFETCH(QString, source);
        QFETCH(QString, errors);
        const auto result = osascript({source});
        QCOMPARE(result.output, QString());
        QCOMPARE(result.errors, errors);
        QCOMPARE(result.exitCode, 1);
    }

    void aScriptOfBlanksAndCommentsDoesNothing()
    {
        const auto result = osascript({"  ", "-- nothing to do"});
        QCOMPARE(result.output + result.errors, QString());
        QCOMPARE(result.exitCode, 0);
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no script") << QStringList {};
        QTest::newRow("-e without a script") << QStringList {"-e"};
        QTest::newRow("a script file") << QStringList {"quit.scpt"};
    }

    void badUsage()
    {
        QFETCH(QStringList, arguments);
        const auto result = m_mac->run("osascript", arguments);
        QCOMPARE(result.output, QString());
        QVERIFY(!result.errors.isEmpty());
        QCOMPARE(result.exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestOsascript)
#include "tst_osascript.moc"
