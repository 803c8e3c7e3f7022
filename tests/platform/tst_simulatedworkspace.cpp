#include "ApplicationBundles.h"
#include "DataRow.h"
#include "TemporarySimulatedMac.h"
#include "windowing.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
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
        QDeadlineTimer deadline(20000);
        while (!process.canReadLine() && process.waitForReadyRead(int(deadline.remainingTime()))) { }
        return QString::fromUtf8(process.readLine()).trimmed();
    }

    QProcess process;
};

} // namespace

// The simulated Mac's workspace against real processes, its state file and brevak-simctl.
class TestSimulatedWorkspace : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    std::unique_ptr<platform::Workspace> m_workspace;
    const qint64 m_ownProcessId = QCoreApplication::applicationPid();

    QList<qint64> runningBrevaks() const
    {
        QList<qint64> ids;
        for (const platform::RunningApplication& application :
            m_workspace->runningApplications("com.mac.brevak")) {
            ids.append(application.processId);
        }
        // The workspace lists them in no promised order.
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    // Whether the state file still has an entry for the process (the state report leaves ended ones out).
    bool listedInStateFile(qint64 processId) const
    {
        QFile file(m_mac->stateFile());
        return file.open(QIODevice::ReadOnly)
            && file.readAll().contains(QStringLiteral("\"processId\": %1,").arg(processId).toUtf8());
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

    void hearsEveryActivationOnceInOrder()
    {
        QSignalSpy activations(m_workspace.get(), &platform::Workspace::applicationActivated);
        // The activations come faster than this process takes them; the last one, heard last, shows
        // that none before it was heard twice.
        const QStringList names {"Safari", "Royal Flush Poker", "Safari", "BREVAK"};
        for (const QString& name : names) {
            QVERIFY(m_mac->setUp({"activate", name}));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!activations.isEmpty() && activations.last().first() == "BREVAK", 20000);
        QStringList heard;
        for (const QList<QVariant>& activation : std::as_const(activations)) {
            heard.append(activation.first().toString());
        }
        QCOMPARE(heard, names);
    }

    // Each BREVAK is listed while its workspace lives; asked to terminate, the other
    // one quits in order and takes itself off the list.
    void runningInstancesAndTheirTermination()
    {
        Probe other;
        QCOMPARE(other.nextLine(), "ready");
        QCOMPARE(runningBrevaks(),
            QList<qint64>({std::min(m_ownProcessId, other.process.processId()),
                std::max(m_ownProcessId, other.process.processId())}));
        QVERIFY(m_mac->setUp({"activate", "Royal Flush Poker"})); // every running BREVAK hears it
        QCOMPARE(other.nextLine(), "activated Royal Flush Poker");

        QVERIFY(m_workspace->terminate({other.process.processId(), "com.mac.brevak", "BREVAK"}));
        QCOMPARE(other.nextLine(), "quitting in order");
        QVERIFY(other.process.waitForFinished(20000));
        QCOMPARE(other.process.exitCode(), 128 + SIGTERM); // in order, but not as a success
        QVERIFY(!listedInStateFile(other.process.processId()));

        m_workspace.reset();
        QVERIFY(!listedInStateFile(m_ownProcessId));
    }

    // The workspace keeps the bundles it has read, as the Mac's application index does, and reads one
    // again once its Info.plist changes, even to a text of the same length.
    void aChangedBundleIsReadAgain()
    {
        QVERIFY(m_mac->setUp({"app", "add", "Dice", "org.example.dice"}));
        const QString bundle = m_mac->root() + "/Applications/Dice.app";
        QCOMPARE(m_workspace->applicationLocation("org.example.dice"), bundle);

        QFile plist(bundle + "/Contents/Info.plist");
        const QDateTime written = QFileInfo(plist).lastModified();
        QVERIFY(plist.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(plist.write(simulated::applicationInfoPlist("Dice", "org.example.dicf")) > 0);
        QVERIFY(plist.setFileTime(written.addSecs(1), QFileDevice::FileModificationTime));
        plist.close();

        QCOMPARE(m_workspace->applicationLocation("org.example.dice"), QString());
        QCOMPARE(m_workspace->applicationLocation("org.example.dicf"), bundle);
        QVERIFY(QDir(bundle).removeRecursively());
        QCOMPARE(m_workspace->applicationLocation("org.example.dicf"), QString());
    }

    void aBrevakThatDiedIsNoLongerListed()
    {
        Probe other;
        QCOMPARE(other.nextLine(), "ready");
        const qint64 otherId = other.process.processId();
        ::kill(static_cast<pid_t>(otherId), SIGKILL);
        QVERIFY(other.process.waitForFinished(20000));
        QVERIFY(listedInStateFile(otherId)); // it had no chance to leave
        QCOMPARE(runningBrevaks(), QList<qint64>({m_ownProcessId}));
        QVERIFY(!m_workspace->terminate({otherId, "com.mac.brevak", "BREVAK"}));
    }
};

QTEST_MAIN(TestSimulatedWorkspace)
#include "tst_simulatedworkspace.moc"
