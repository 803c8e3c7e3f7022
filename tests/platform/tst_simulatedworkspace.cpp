#include "DataRow.h"
#include "TemporarySimulatedMac.h"
#include "windowing.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

// A second BREVAK process with a workspace of its own, killed with the test if it still runs.
struct Probe
{
    Probe()
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(TemporarySimulatedMac::programPath("workspace_probe"));
    }
    ~Probe()
    {
        process.kill();
        process.waitForFinished();
    }

    // The next line the probe prints; the empty text when none comes.
    QString nextLine()
    {
        QDeadlineTimer deadline(10000);
        while (!process.canReadLine() && process.waitForReadyRead(int(deadline.remainingTime()))) { }
        return QString::fromUtf8(process.readLine()).trimmed();
    }

    QProcess process;
};

QList<qint64> processIds(const QList<platform::RunningApplication>& applications)
{
    QList<qint64> ids;
    for (const platform::RunningApplication& application : applications) {
        ids.append(application.processId);
    }
    return ids;
}

} // namespace

class TestSimulatedWorkspace : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    std::unique_ptr<platform::Workspace> m_workspace;
    const qint64 m_ownProcessId = QCoreApplication::applicationPid();

    QList<qint64> processIdsInStateFile() const
    {
        QFile file(m_mac->stateFile());
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QList<qint64> ids;
        const QJsonArray running
            = QJsonDocument::fromJson(file.readAll()).object().value("runningApplications").toArray();
        for (const QJsonValue& application : running) {
            ids.append(application.toObject().value("processId").toInteger());
        }
        return ids;
    }

private Q_SLOTS:
    void init()
    {
        m_mac = std::make_unique<TemporarySimulatedMac>();
        QVERIFY(m_mac->setUp({"init"}));
        m_workspace = platform::createWorkspace();
    }

    void cleanup()
    {
        m_workspace.reset();
        m_mac.reset();
    }

    void brevakIsListedAsRunningUntilItsWorkspaceGoes()
    {
        const QList<platform::RunningApplication> running
            = m_workspace->runningApplications("com.mac.brevak");
        QCOMPARE(running.size(), 1);
        QCOMPARE(running.first().processId, m_ownProcessId);
        QCOMPARE(running.first().localizedName, "BREVAK");
        QVERIFY(m_mac->simctl({"state"}).output.contains(
            QStringLiteral("  BREVAK (com.mac.brevak): pid %1\n").arg(m_ownProcessId)));

        m_workspace.reset();
        QVERIFY(!processIdsInStateFile().contains(m_ownProcessId));
    }

    void hearsEveryActivationOnceInOrder()
    {
        QSignalSpy activations(m_workspace.get(), &platform::Workspace::applicationActivated);
        // The activations come faster than this process takes them; the last one, heard last, shows
        // that none before it was heard twice.
        const QStringList names {"Safari", "Royal Flush Poker", "Lucky Spin Casino", "Safari", "BREVAK"};
        for (const QString& name : names) {
            QVERIFY(m_mac->setUp({"activate", name}));
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            !activations.isEmpty() && activations.last().first().toString() == "BREVAK", 20000);
        QStringList heard;
        for (const QList<QVariant>& activation : std::as_const(activations)) {
            heard.append(activation.first().toString());
        }
        QCOMPARE(heard, names);
    }

    void everyRunningBrevakHearsTheActivation()
    {
        Probe other;
        QCOMPARE(other.nextLine(), "ready");
        QSignalSpy activations(m_workspace.get(), &platform::Workspace::applicationActivated);
        QVERIFY(m_mac->setUp({"activate", "Royal Flush Poker"}));
        QCOMPARE(other.nextLine(), "activated Royal Flush Poker");
        QTRY_COMPARE_WITH_TIMEOUT(activations.size(), 1, 20000);
        QCOMPARE(activations.first().first().toString(), "Royal Flush Poker");
    }

    void runningInstancesInLaunchOrderAndTerminateQuitsTheOtherInOrder()
    {
        Probe other;
        QCOMPARE(other.nextLine(), "ready");
        QList<platform::RunningApplication> running = m_workspace->runningApplications("com.mac.brevak");
        QCOMPARE(processIds(running), QList<qint64>({m_ownProcessId, other.process.processId()}));

        QVERIFY(m_workspace->terminate(running.at(1)));
        QCOMPARE(other.nextLine(), "quitting in order");
        QVERIFY(other.process.waitForFinished(10000));
        QCOMPARE(other.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(other.process.exitCode(), 128 + SIGTERM); // quit in order, but not as a success
        QVERIFY(!processIdsInStateFile().contains(running.at(1).processId)); // it removed itself
        QCOMPARE(
            processIds(m_workspace->runningApplications("com.mac.brevak")), QList<qint64>({m_ownProcessId}));
        QVERIFY(!m_workspace->terminate(running.at(1)));
    }

    void aBrevakThatDiedIsNoLongerListed()
    {
        Probe other;
        QCOMPARE(other.nextLine(), "ready");
        const qint64 otherId = other.process.processId();
        ::kill(static_cast<pid_t>(otherId), SIGKILL);
        QVERIFY(other.process.waitForFinished(10000));
        QVERIFY(processIdsInStateFile().contains(otherId)); // it had no chance to leave
        QCOMPARE(
            processIds(m_workspace->runningApplications("com.mac.brevak")), QList<qint64>({m_ownProcessId}));
        QVERIFY(!m_workspace->terminate({otherId, "com.mac.brevak", "BREVAK"}));
    }

    void terminatingASimulatedApplicationEndsIt()
    {
        QVERIFY(m_mac->setUp({"activate", "Safari"}));
        const QList<platform::RunningApplication> safari
            = m_workspace->runningApplications("com.apple.Safari");
        QCOMPARE(safari.size(), 1);
        QCOMPARE(safari.first().localizedName, "Safari");
        QVERIFY(m_workspace->terminate(safari.first()));
        QVERIFY(m_workspace->runningApplications("com.apple.Safari").isEmpty());
        QVERIFY(!m_workspace->terminate(safari.first()));
    }

    void applicationLocationByBundleIdentifier_data()
    {
        QTest::addColumn<QString>("bundleIdentifier");
        QTest::addColumn<QString>("location");
        dataRow("top level", "net.royalflush.poker", "/Applications/Royal Flush Poker.app");
        dataRow("in a subfolder", "com.apple.Terminal", "/Applications/Utilities/Terminal.app");
        dataRow("case matters", "com.apple.safari", "");
    }

    void applicationLocationByBundleIdentifier()
    {
        QFETCH(QString, bundleIdentifier);
        QFETCH(QString, location);
        QCOMPARE(m_workspace->applicationLocation(bundleIdentifier),
            location.isEmpty() ? QString() : m_mac->root() + location);
    }

    void iconFromTheBundleOrAGenericOne()
    {
        const QString safari = m_mac->root() + "/Applications/Safari.app";
        const QImage bundled(safari + "/Contents/Resources/AppIcon.png");
        const QImage shown = m_workspace->iconForFile(safari).pixmap(128, 128).toImage();
        QCOMPARE(shown.pixelColor(64, 64), bundled.pixelColor(64, 64));
        QCOMPARE(shown.pixelColor(20, 64), bundled.pixelColor(20, 64));

        const QString casino = m_mac->root() + "/Applications/Lucky Spin Casino.app";
        QVERIFY(QFile::remove(casino + "/Contents/Resources/AppIcon.png"));
        const QImage casinoIcon = m_workspace->iconForFile(casino).pixmap(64, 64).toImage();
        QCOMPARE(casinoIcon.size(), QSize(64, 64));
        QCOMPARE(casinoIcon.pixelColor(32, 32), QColor(242, 242, 247)); // the generic icon's face
    }

    void menuBarOnlyIsRecorded()
    {
        platform::setAccessoryActivationPolicy();
        QVERIFY(m_mac->simctl({"state"}).output.contains(
            QStringLiteral("  BREVAK (com.mac.brevak): pid %1, menu-bar only\n").arg(m_ownProcessId)));
    }

    void aDamagedStateIsReportedAndKept()
    {
        m_workspace.reset();
        QFile file(m_mac->stateFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[]");
        file.close();
        const auto warning = [](const QString& start) {
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression("^Simulated Mac: " + start
                    + ": the state file .* is damaged: the top level is not an object$"));
        };
        warning("this BREVAK is not registered as running");
        warning("activations cannot be read");
        m_workspace = platform::createWorkspace();
        warning("running applications cannot be read");
        QVERIFY(m_workspace->runningApplications("com.mac.brevak").isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "[]");
        file.close();
        warning("this BREVAK stays listed as running");
        m_workspace.reset();
    }
};

QTEST_MAIN(TestSimulatedWorkspace)
#include "tst_simulatedworkspace.moc"
