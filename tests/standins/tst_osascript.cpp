#include "CommandRunner.h"
#include "DataRow.h"
#include "LogCapture.h"
#include "TemporarySimulatedMac.h"

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
        row("an application in a subfolder", {"id of application \"Terminal.app\""}, "com.apple.Terminal\n",
            "", 0);
        row("unknown application", {"id of application \"Nope.app\""}, "",
            "6:28: execution error: Can’t get application \"Nope.app\". (-1728)\n", 1);
        row("quitting an application that does not run", {"tell application \"Safari\"\nquit\nend tell"}, "",
            "", 0);
        row("quitting an unknown application", {"tell application \"Poker Stars\"\nquit\nend tell"}, "",
            "5:30: execution error: Can’t get application \"Poker Stars\". (-1728)\n", 1);
        row("shell script", {"do shell script \"rm -rf ~\""}, "", "0:26: " + notUnderstood, 1);
        row("two commands in the tell block", {"tell application \"Safari\"\nquit\nquit\nend tell"}, "",
            "0:44: " + notUnderstood, 1);
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
        dataRow("blank lines and indentation",
            QStringList {"\ntell application \"Lucky Spin Casino\"\n\n    quit\r\nend tell\n"});
        dataRow("one line", QStringList {"tell application \"Lucky Spin Casino\" to quit"});
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
        dataRow("double quotes", "Say \"Jackpot\"");
        dataRow("backslash before the closing quote", "Ends with\\");
        dataRow("non-ASCII", "Casino Élégance 賭場");
    }

    void quitScriptOfTheCommandRunnerReachesNamesWithQuotesAndBackslashes()
    {
        QFETCH(QString, name);
        QVERIFY(m_mac->setUp({"app", "add", name, "com.example.casino"}));
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
};

QTEST_GUILESS_MAIN(TestOsascript)
#include "tst_osascript.moc"
