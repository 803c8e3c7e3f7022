#include "CommandRunner.h"
#include "Configuration.h"
#include "DataRow.h"
#include "NotificationCenter.h"
#include "TemporarySimulatedMac.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

// The core without windows: the settings store, the notification centre, the command runner and the
// deployment constants.
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
        QCOMPARE(ProcessCommandRunner().runShellCommand(command),
            QString(expected).replace("STANDINS", QCoreApplication::applicationDirPath()));
    }

    void aProgramThatNeverEndsIsStoppedAtTheTimeLimit()
    {
        // Far longer than zsh needs to start and print, even on a busy machine.
        const QString output
            = ProcessCommandRunner(std::chrono::seconds(3)).runShellCommand("print started; sleep 60");
        QCOMPARE(output, "started\n/bin/zsh did not end within 3 seconds and was stopped.\n");
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
