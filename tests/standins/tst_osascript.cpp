#include "CommandRunner.h"
#include "DataRow.h"
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

    // What osascript prints and returns for a script given with one -e a line.
    void answersLikeMacOS_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<int>("exitCode");
        const auto row
            = [](const char* name, const QStringList& lines, const char* output, const QString& errors,
                  int exitCode) { dataRow(name, lines, QString(output), errors, exitCode); };
        const QString notUnderstood = "syntax error: The simulated Mac runs only “id of application "
                                      "\"Name\"” and the quit script. (-2740)\n";

        row("bundle name", {"id of application \"Safari.app\""}, "com.apple.Safari\n", "", 0);
        row("without .app", {"id of application \"Safari\""}, "com.apple.Safari\n", "", 0);
        row("app for application", {"id of app \"Royal Flush Poker.app\""}, "net.royalflush.poker\n", "", 0);
        row("blanks in the name", {"id of application \"Lucky Spin Casino.app\""}, "com.luckyspin.casino\n",
            "", 0);
        row("an application in a subfolder", {"id of application \"Terminal.app\""}, "com.apple.Terminal\n",
            "", 0);
        row("keywords in any case", {"ID OF Application \"Safari.app\""}, "com.apple.Safari\n", "", 0);
        row("unknown application", {"id of application \"Nope.app\""}, "",
            "6:28: execution error: Can’t get application \"Nope.app\". (-1728)\n", 1);
        row("a folder, not an application", {"id of application \"Utilities\""}, "",
            "6:29: execution error: Can’t get application \"Utilities\". (-1728)\n", 1);
        row("quitting an application that does not run", {"tell application \"Safari\"\nquit\nend tell"}, "",
            "", 0);
        row("quitting an unknown application", {"tell application \"Poker Stars\"\nquit\nend tell"}, "",
            "5:30: execution error: Can’t get application \"Poker Stars\". (-1728)\n", 1);
        row("blanks and comments only", {"  ", "-- nothing to do"}, "", "", 0);
        row("shell script", {"do shell script \"rm -rf ~\""}, "", "0:26: " + notUnderstood, 1);
        row("activate", {"tell application \"Safari\"\nactivate\nend tell"}, "", "0:43: " + notUnderstood, 1);
        row("two commands in the tell block", {"tell application \"Safari\"\nquit\nquit\nend tell"}, "",
            "0:44: " + notUnderstood, 1);
        row("id without a name", {"id of application"}, "", "0:17: " + notUnderstood, 1);
        row("string never ends", {"id of application \"Safari"}, "",
            "25:25: syntax error: Expected “\"” but found end of script. (-2741)\n", 1);
    }

    void answersLikeMacOS()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        QFETCH(int, exitCode);
        const auto result = osascript(lines);
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
        dataRow("three lines", QStringList {"tell application \"Lucky Spin Casino\"\nquit\nend tell"});
        dataRow("one -e a line", QStringList {"tell application \"Lucky Spin Casino\"", "quit", "end tell"});
        dataRow("blank lines and indentation",
            QStringList {"\ntell application \"Lucky Spin Casino\"\n\n    quit\r\nend tell\n"});
        dataRow("one line", QStringList {"tell application \"Lucky Spin Casino\" to quit"});
        dataRow("quit application", QStringList {"quit application \"Lucky Spin Casino.app\""});
        dataRow("end alone", QStringList {"tell app \"Lucky Spin Casino\"\nquit\nend"});
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

    void quitScriptOfTheCommandRunnerReachesNamesWithQuotesAndBackslashes_data()
    {
        QTest::addColumn<QString>("name");
        dataRow("plain", "Royal Flush Poker");
        dataRow("double quotes", "Say \"Jackpot\"");
        dataRow("backslash", "Back\\slash");
        dataRow("backslash before the closing quote", "Ends with\\");
        dataRow("non-ASCII", "Casino Élégance 賭場");
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

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        dataRow("no script", QStringList {});
        dataRow("-e without a script", QStringList {"-e"});
        dataRow("a script file", QStringList {"quit.scpt"});
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
