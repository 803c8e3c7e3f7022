#include "LaunchAgent.h"
#include "LogCapture.h"
#include "RecordingCommandRunner.h"
#include "platform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestLaunchAgent : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_root.isValid());
        QVERIFY(QDir(m_root.path()).removeRecursively());
        qputenv("BREVAK_SIMULATED_ROOT", m_root.path().toUtf8());
    }

    void firstLaunchCreatesTheFolderAndCopiesTheAgent()
    {
        LogCapture log;
        LaunchAgent().install();
        QCOMPARE(log.lines(),
            QStringList({"LaunchAgents Folder Created", "copied plist file to LaunchAgents folder"}));
        QCOMPARE(LaunchAgent::destination(),
            platform::homeFolder() + "/Library/LaunchAgents/com.mac.brevak.plist");

        QFile installed(LaunchAgent::destination());
        QVERIFY(installed.open(QIODevice::ReadOnly));
        const QByteArray content = installed.readAll();
        QVERIFY(content.contains("<string>com.mac.brevak</string>"));
        QVERIFY(content.contains("<key>SuccessfulExit</key>"));
        // The user can remove or edit the copy.
        QVERIFY(installed.permissions() & QFileDevice::WriteOwner);
    }

    void anInstalledAgentIsNeverReplaced()
    {
        LaunchAgent().install();
        QFile installed(LaunchAgent::destination());
        QVERIFY(installed.open(QIODevice::WriteOnly | QIODevice::Truncate));
        installed.write("edited by the user");
        installed.close();

        LogCapture log;
        LaunchAgent().install();
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(
            log.lines().first().startsWith("Error copying .plist file: "), qPrintable(log.lines().first()));
        QVERIFY(installed.open(QIODevice::ReadOnly));
        QCOMPARE(installed.readAll(), QByteArray("edited by the user"));
    }

    void aFolderThatCannotBeCreatedIsReportedAndTheLaunchGoesOn()
    {
        // A file where the folder should be.
        QVERIFY(QDir().mkpath(platform::homeFolder() + "/Library"));
        QFile blocker(platform::homeFolder() + "/Library/LaunchAgents");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        LogCapture log;
        LaunchAgent().install();
        QCOMPARE(log.lines().size(), 2);
        QVERIFY2(log.lines().at(0).startsWith("Error creating LaunchAgents folder: "),
            qPrintable(log.lines().at(0)));
        QVERIFY2(log.lines().at(1).startsWith("Error copying .plist file: "), qPrintable(log.lines().at(1)));
    }

    void loadRunsLaunchctlDirectlyAndPrintsItsOutput()
    {
        RecordingCommandRunner runner;
        runner.setResponder([](const QString&) { return QStringLiteral("service already loaded\n"); });
        LogCapture log;
        LaunchAgent().load();
        QCOMPARE(runner.commands(),
            QStringList {platform::launchctlPath() + " load " + LaunchAgent::destination()});
        QCOMPARE(log.lines(), QStringList {"Load Plist - service already loaded\n"});
    }
};

QTEST_GUILESS_MAIN(TestLaunchAgent)
#include "tst_launchagent.moc"
