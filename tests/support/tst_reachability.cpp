#include "DataRow.h"
#include "FakeFlagsSource.h"
#include "NotificationCenter.h"
#include "Reachability.h"

#include <QSignalSpy>
#include <QTest>

using Connection = Reachability::Connection;

class TestReachability : public QObject
{
    Q_OBJECT

private:
    struct Monitor
    {
        std::shared_ptr<FakeFlagsSource::Shared> shared = std::make_shared<FakeFlagsSource::Shared>();
        FakeFlagsSource* source = nullptr;
        std::unique_ptr<Reachability> reachability;
        QStringList heard; // "reachable", "unreachable", "notification"
    };

    std::unique_ptr<Monitor> makeMonitor(std::optional<quint32> initialFlags)
    {
        auto monitor = std::make_unique<Monitor>();
        monitor->shared->reading = {initialFlags, initialFlags ? 0 : 42};
        auto source = std::make_unique<FakeFlagsSource>(monitor->shared);
        monitor->source = source.get();
        monitor->reachability = std::make_unique<Reachability>(std::move(source), true);
        Monitor* m = monitor.get();
        m->reachability->whenReachable = [m](Reachability&) { m->heard << "reachable"; };
        m->reachability->whenUnreachable = [m](Reachability&) { m->heard << "unreachable"; };
        NotificationCenter::shared().addObserver(
            m->reachability.get(), notifications::reachabilityChanged,
            [m](const QVariant& object) {
                QVERIFY(object.value<QObject*>() == m->reachability.get());
                m->heard << "notification";
            },
            m->reachability.get());
        return monitor;
    }

private Q_SLOTS:
    void connectionRule_data()
    {
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<Connection>("expected");
        using R = Reachability;
        dataRow("nothing", quint32(0), Connection::unavailable);
        dataRow("reachable", quint32(R::Reachable), Connection::wifi);
        dataRow(
            "connection required", quint32(R::Reachable | R::ConnectionRequired), Connection::unavailable);
        dataRow("on demand", quint32(R::Reachable | R::ConnectionRequired | R::ConnectionOnDemand),
            Connection::wifi);
        dataRow("on traffic", quint32(R::Reachable | R::ConnectionRequired | R::ConnectionOnTraffic),
            Connection::wifi);
        dataRow("on demand needs the user",
            quint32(R::Reachable | R::ConnectionRequired | R::ConnectionOnDemand | R::InterventionRequired),
            Connection::unavailable);
        dataRow("not reachable but on demand", quint32(R::ConnectionOnDemand), Connection::unavailable);
        dataRow("direct local", quint32(R::Reachable | R::IsDirect | R::IsLocalAddress), Connection::wifi);
    }

    void connectionRule()
    {
        QFETCH(quint32, flags);
        QFETCH(Connection, expected);
        QCOMPARE(Reachability::connectionFor(flags), expected);
        QCOMPARE(Reachability::connectionFor(std::nullopt), Connection::unavailable);
    }

    void flagsText()
    {
        QCOMPARE(Reachability::flagsText(0), "-- -------");
        QCOMPARE(Reachability::flagsText(Reachability::Reachable | Reachability::IsDirect), "-R ------d");
        QCOMPARE(Reachability::flagsText(0x3003F), "-R ctiCDld");
        QCOMPARE(Reachability::connectionText(Connection::unavailable), "No Connection");
        QCOMPARE(Reachability::connectionText(Connection::wifi), "WiFi");
    }

    void startReportsOnceOnTheMainThread()
    {
        auto monitor = makeMonitor(Reachability::Reachable);
        QCOMPARE(monitor->reachability->description(), "unavailable flags");
        QVERIFY(!monitor->reachability->startNotifications());
        QVERIFY(monitor->reachability->notifierRunning());
        // The flags were read on the monitor's own thread, the report comes on this one.
        QVERIFY(monitor->shared->readThread != QThread::currentThread());
        QVERIFY(monitor->heard.isEmpty());
        QTRY_COMPARE(monitor->heard, QStringList({"reachable", "notification"}));
        QCOMPARE(monitor->reachability->description(), "-R -------");
    }

    void changesAreReportedAndRepeatsAreNot()
    {
        auto monitor = makeMonitor(Reachability::Reachable);
        QVERIFY(!monitor->reachability->startNotifications());
        QTRY_COMPARE(monitor->heard.size(), 2);
        monitor->heard.clear();

        monitor->source->report(Reachability::Reachable); // same as before: nobody hears it
        monitor->source->report(0);
        monitor->source->report(0);
        QTRY_COMPARE(monitor->heard, QStringList({"unreachable", "notification"}));
        QCOMPARE(monitor->reachability->currentConnection(), Connection::unavailable);
        QTest::qWait(50);
        QCOMPARE(monitor->heard.size(), 2);
    }

    void startingTwiceChangesNothing()
    {
        auto monitor = makeMonitor(Reachability::Reachable);
        QVERIFY(!monitor->reachability->startNotifications());
        QTRY_COMPARE(monitor->heard.size(), 2);
        QVERIFY(!monitor->reachability->startNotifications());
        QTest::qWait(50);
        QCOMPARE(monitor->heard.size(), 2);
        QCOMPARE(monitor->shared->starts, 1);
    }

    void startFailures()
    {
        auto refused = makeMonitor(Reachability::Reachable);
        refused->shared->startError = 7;
        const std::optional<ReachabilityError> callbackError = refused->reachability->startNotifications();
        QVERIFY(callbackError);
        QCOMPARE(callbackError->kind, ReachabilityError::Kind::unableToSetCallback);
        QCOMPARE(callbackError->code, 7);
        QVERIFY(!refused->reachability->notifierRunning());

        auto unreadable = makeMonitor(std::nullopt);
        const std::optional<ReachabilityError> flagsError = unreadable->reachability->startNotifications();
        QVERIFY(flagsError);
        QCOMPARE(flagsError->kind, ReachabilityError::Kind::unableToGetFlags);
        QCOMPARE(flagsError->code, 42);
        QVERIFY(!unreadable->reachability->notifierRunning());
        QCOMPARE(unreadable->shared->stops, 1);
    }

    void unknownFlagsThatCannotBeReadMeanUnavailable()
    {
        auto monitor = makeMonitor(std::nullopt);
        QCOMPARE(monitor->reachability->currentConnection(), Connection::unavailable);
        QTest::qWait(20);
        QVERIFY(monitor->heard.isEmpty());
    }

    void unknownFlagsAreReadOnDemand()
    {
        auto monitor = makeMonitor(Reachability::Reachable | Reachability::ConnectionRequired);
        QCOMPARE(monitor->reachability->currentConnection(), Connection::unavailable);
        QCOMPARE(monitor->reachability->flags(), std::optional<quint32>(0x6));
    }

    void aReportAfterTheMonitorIsGoneDoesNothing()
    {
        auto monitor = makeMonitor(Reachability::Reachable);
        QVERIFY(!monitor->reachability->startNotifications());
        // The first report is queued for the main thread; the monitor dies before it is delivered.
        monitor->reachability.reset();
        QTest::qWait(50);
        QVERIFY(monitor->heard.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReachability)
#include "tst_reachability.moc"
