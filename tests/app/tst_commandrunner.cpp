#include "CommandRunner.h"
#include "DataRow.h"
#include "LogCapture.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCommandRunner : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_standIns;

    void writeExecutable(const QString& name, const QByteArray& script)
    {
        QFile file(m_standIns.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(script);
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_standIns.isValid());
        qputenv("BREVAK_STANDINS_DIR", m_standIns.path().toUtf8());
        // An osascript that answers like the real one: a result on success, the error on failure.
        writeExecutable("osascript",
            "#!/bin/sh\n"
            "case \"$2\" in\n"
            "  *fail*) echo \"execution error: Can't get application (-1728)\" >&2; exit 1;;\n"
            "  *silent*) exit 0;;\n"
            "  *) echo \"result of $2\";;\n"
            "esac\n");
    }

    void shellOutputKeepsWriteOrderAndLineBreaks_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("expected");
        dataRow("interleaved", "print -n out1; print -n err1 >&2; print -n out2; print err2 >&2",
            "out1err1out2err2\n");
        dataRow("line breaks kept", "print 'a\\nb\\n'", "a\nb\n\n");
        dataRow("utf-8", "print 'Réseau 無線'", "Réseau 無線\n");
        dataRow("no standard input", "cat; print done", "done\n");
        dataRow("leading blanks", "            print ok", "ok\n");
    }

    void shellOutputKeepsWriteOrderAndLineBreaks()
    {
        QFETCH(QString, command);
        QFETCH(QString, expected);
        ProcessCommandRunner runner;
        QCOMPARE(runner.runShellCommand(command), expected);
    }

    void standInsComeFirstOnPath()
    {
        ProcessCommandRunner runner;
        QCOMPARE(runner.runShellCommand("whence -p osascript"), m_standIns.filePath("osascript") + "\n");
    }

    void aProgramThatNeverEndsIsStoppedAtTheTimeLimit()
    {
        // Far longer than zsh needs to start and print, even on a busy machine.
        ProcessCommandRunner runner(std::chrono::seconds(3));
        const QString output = runner.runShellCommand("print started; sleep 600");
        QVERIFY2(output.startsWith("started\n"), qPrintable(output));
        QVERIFY2(
            output.endsWith("/bin/zsh did not end within 3 seconds and was stopped.\n"), qPrintable(output));
    }

    void aProgramThatCannotStartReturnsAnErrorText()
    {
        ProcessCommandRunner runner;
        const QString output = runner.runProgram("/nonexistent/networksetup", {"-listallnetworkservices"});
        QVERIFY2(output.startsWith("Could not start /nonexistent/networksetup: "), qPrintable(output));
    }

    void appleScriptPrintsItsResultOrItsError()
    {
        ProcessCommandRunner runner;
        LogCapture log;
        runner.runAppleScript("id of application \"Safari.app\"");
        runner.runAppleScript("please fail");
        runner.runAppleScript("silent");
        QCOMPARE(log.lines(),
            QStringList({"result of id of application \"Safari.app\"",
                "error: execution error: Can't get application (-1728)"}));
    }

    void quitScriptNameCannotBreakOutOfItsString()
    {
        const QString script = quitApplicationScript("Evil\" \ndo shell script \"rm -rf ~\" --\\");
        QCOMPARE(script,
            "tell application \"Evil\\\" \ndo shell script \\\"rm -rf ~\\\" --\\\\\"\nquit\nend tell");
    }
};

QTEST_GUILESS_MAIN(TestCommandRunner)
#include "tst_commandrunner.moc"
