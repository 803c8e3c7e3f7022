#include "AlertRecorder.h"
#include "CommandRunner.h"
#include "Configuration.h"
#include "DataRow.h"
#include "EventOrder.h"
#include "NotificationCenter.h"
#include "TemporarySimulatedMac.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// The output of a shell command run through `runner`, once it has come.
QString outputOf(CommandRunner& runner, const QString& command)
{
    QObject caller;
    std::optional<QString> output;
    runner.runShellCommand(command, &caller, [&output](const QString& text) { output = text; });
    if (!QTest::qWaitFor([&output] { return output.has_value(); }, 30000))
        return QStringLiteral("(no answer)");
    return *output;
}

} // namespace

// The core without windows: the settings store, the notification centre, the command runner, the
// alert routine and the deployment constants.
class TestCore : public QObject
{
    Q_OBJECT

private:
    // What another process finds in the store on disk: QSettings serves this process from its cache.
    static QJsonObject storedInAnotherProcess(const QString& mode)
    {
        QProcess probe;
        probe.start(QCoreApplication::applicationDirPath() + "/settings_probe", {mode});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0) {
            qWarning() << "probe failed" << probe.readAllStandardError();
            return {};
        }
        return QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
    }

private Q_SLOTS:
    // Bools, integers, texts and one-element lists keep their types on disk, and a wipe reaches it.
    void theSettingsKeepTheirTypesAcrossProcesses()
    {
        TemporarySimulatedMac mac;
        QVERIFY(storedInAnotherProcess("write").isEmpty());
        const QJsonObject read = storedInAnotherProcess("read");
        QCOMPARE(read["types"].toString(), "bool bool qlonglong QString QVariantList absent");
        QCOMPARE(read["userIdText"].toString(), "42");
        QCOMPARE(read["blocked"].toVariant(), QVariantList {"Poker Stars"});
        storedInAnotherProcess("wipe");
        QCOMPARE(
            storedInAnotherProcess("read")["types"].toString(), "absent absent absent absent absent absent");
    }

    void notificationsReachTheLivingObserversOfTheirName()
    {
        NotificationCenter center;
        QObject first;
        auto* second = new QObject;
        QObject monitor;
        QStringList calls;
        center.addObserver(&first, notifications::dnsState, [&](const QVariant& v) {
            calls << "first " + v.toString();
            delete second; // an observer that goes during a post is not called
        });
        center.addObserver(second, notifications::dnsState, [&](const QVariant&) { calls << "second"; });
        center.addObserver(
            &first, notifications::pinProtectionOff, [&](const QVariant&) { calls << "other name"; });
        center.addObserver(
            &first, notifications::reachabilityChanged, [&](const QVariant&) { calls << "monitor"; },
            &monitor);
        center.post(notifications::dnsState, false);
        center.post(notifications::reachabilityChanged, {}, &first); // another sender
        center.post(notifications::reachabilityChanged, {}, &monitor);
        center.removeObserver(&first, notifications::dnsState);
        center.post(notifications::dnsState, true);
        QCOMPARE(calls, QStringList({"first false", "monitor"}));
    }

    // A test's centre may go before the objects that observe it; their end must not reach it.
    void anObserverMayOutliveTheCentre()
    {
        QObject owner;
        NotificationCenter center;
        center.addObserver(&owner, notifications::dnsState, [](const QVariant&) {});
    }

    void shellOutputKeepsWriteOrderAndLineBreaks_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("expected");
        dataRow("interleaved", "print -n out1; print -n err1 >&2; print -n out2; print err2 >&2",
            "out1err1out2err2\n");
        dataRow("line breaks kept", "print 'a\\nb\\n'", "a\nb\n\n");
        dataRow("no standard input", "cat; print done", "done\n");
        dataRow("stand-ins come first on PATH", "whence -p networksetup", "STANDINS/networksetup\n");
    }

    void shellOutputKeepsWriteOrderAndLineBreaks()
    {
        QFETCH(QString, command);
        QFETCH(QString, expected);
        ProcessCommandRunner runner;
        QCOMPARE(outputOf(runner, command),
            QString(expected).replace("STANDINS", QCoreApplication::applicationDirPath()));
    }

    // The caller goes on while the program runs: its own timer fires meanwhile, and the answer comes
    // later, at the time limit for a program that never ends.
    void theEventLoopTurnsWhileAProgramRunsUntilItsTimeLimit()
    {
        // Far longer than zsh needs to start and print, even on a busy machine.
        ProcessCommandRunner runner(std::chrono::seconds(3));
        QObject caller;
        std::optional<QString> output;
        runner.runShellCommand(
            "print started; sleep 60", &caller, [&](const QString& text) { output = text; });
        QVERIFY(!output);
        QTimer tick;
        QSignalSpy ticked(&tick, &QTimer::timeout);
        tick.start(50);
        QVERIFY(ticked.wait(10000));
        QVERIFY(!output);
        QTRY_VERIFY_WITH_TIMEOUT(output, 30000);
        QCOMPARE(*output, "started\n/bin/zsh did not end within 3 seconds and was stopped.\n");
    }

    // A caller that is gone hears nothing: not from a program that ends after it, nor from one that
    // never started, nor from one that a runner going away had to stop.
    void callersThatAreGoneHearNothing()
    {
        QStringList heard;
        auto runner = std::make_unique<ProcessCommandRunner>();
        auto gone = std::make_unique<QObject>();
        runner->runShellCommand(
            "print late", gone.get(), [&](const QString& text) { heard << "gone: " + text; });
        runner->runProgram(
            "/nonexistent/program", {}, gone.get(), [&](const QString&) { heard << "gone: missing"; });
        gone.reset();
        QObject caller;
        runner->runProgram("/nonexistent/program", {}, &caller, [&](const QString& text) { heard << text; });
        QVERIFY(heard.isEmpty()); // a program that cannot start is reported later too
        QTRY_COMPARE_WITH_TIMEOUT(heard.size(), 1, 30000);
        QVERIFY2(
            heard.first().startsWith("Could not start /nonexistent/program: "), qPrintable(heard.first()));
        QCOMPARE(outputOf(*runner, "print after"), "after\n"); // everything asked before has ended
        QCOMPARE(heard.size(), 1);

        runner->runShellCommand("sleep 60", &caller, [&](const QString&) { heard << "stopped"; });
        runner.reset();
        QVERIFY(waitForPostedEvents());
        QCOMPARE(heard.size(), 1);
    }

    // A word quoted for the shell reaches the program as it is, and nothing in it runs.
    void quotedWordsRunNothing_data()
    {
        QTest::addColumn<QString>("word");
        dataRow("quotes", "Bob's \"USB\" Dock");
        dataRow("dollar and backslash", "$HOME \\n \\ $(touch ran) `touch ran`");
        dataRow("separators", "a; touch ran && b | c > ran");
        dataRow("only quotes", "'''");
    }

    void quotedWordsRunNothing()
    {
        QFETCH(QString, word);
        const QTemporaryDir folder;
        ProcessCommandRunner runner;
        const QString command = "cd " + shellQuoted(folder.path()) + " && print -rn -- " + shellQuoted(word);
        QCOMPARE(outputOf(runner, command), word);
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    // An alert already open is not shown again; every caller's handler runs when it closes, by OK or
    // because the program dismissed it. Closed, it can be shown again.
    void oneAlertPerTextsAtATime()
    {
        AlertRecorder alerts;
        QStringList handled;
        showAlert("Ooops", "Network Not Reachable", [&] { handled << "first"; });
        showAlert("Ooops", "Network Not Reachable", [&] { handled << "second"; });
        showAlert("Ooops", "Requires admin privileges", [&] { handled << "other"; });
        QCOMPARE(alerts.shown(), 2);
        alerts.pressOk();
        QCOMPARE(handled, QStringList({"first", "second"}));

        dismissAlert("Ooops", "Network Not Reachable"); // not open: nothing happens
        dismissAlert("Ooops", "Requires admin privileges");
        QCOMPARE(handled, QStringList({"first", "second", "other"}));
        QCOMPARE(alerts.count(), 0);
        showAlert("Ooops", "Network Not Reachable");
        QCOMPARE(alerts.shown(), 3);
    }

    // The resolver address goes into shell commands: only a dotted IPv4 address replaces the built-in one.
    void onlyAnIPv4AddressReplacesTheResolver()
    {
        qunsetenv("BREVAK_RESOLVER_ADDRESS");
        const QString builtIn = configuration::resolverAddress();
        for (const char* overridden :
            {"203.0.113.1; rm -rf ~", "203.0.113.256", "203.0.113", "203.0.113.111"}) {
            qputenv("BREVAK_RESOLVER_ADDRESS", overridden);
            QCOMPARE(
                configuration::resolverAddress(), strcmp(overridden, "203.0.113.111") ? builtIn : overridden);
        }
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
