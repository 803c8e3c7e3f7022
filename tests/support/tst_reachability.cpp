#include "DataRow.h"
#include "EventOrder.h"
#include "FakeInternetRoute.h"
#include "NotificationCenter.h"

#include <QTest>

using Connection = Reachability::Connection;

class TestReachability : public QObject
{
    Q_OBJECT

private:
    NotificationCenter m_notifications;
    NotificationCenter::Registration m_notificationsRegistration {m_notifications};

    // A monitor over the route, and what it was heard to say: "reachable", "unreachable" (its
    // callbacks) and "notification".
    struct Monitor
    {
        explicit Monitor(std::optional<quint32> flags, int startError = 0)
            : route(flags, startError)
        {
            reachability->whenReachable = [this](Reachability&) { heard << "reachable"; };
            reachability->whenUnreachable = [this](Reachability&) { heard << "unreachable"; };
            NotificationCenter::shared().addObserver(
                reachability.get(), notifications::reachabilityChanged,
                [this](const QVariant& object) {
                    if (object.value<QObject*>() == reachability.get()) {
                        heard << "notification";
                    }
                },
                reachability.get());
        }

        FakeInternetRoute route;
        std::unique_ptr<Reachability> reachability = route.monitor();
        QStringList heard;
    };

private Q_SLOTS:
    void connectionRule_data()
    {
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<Connection>("expected");
        using R = Reachability;
        dataRow("reachable", quint32(R::Reachable), Connection::wifi);
        dataRow(
            "connection required", quint32(R::Reachable | R::ConnectionRequired), Connection::unavailable);
        dataRow("on traffic", quint32(R::Reachable | R::ConnectionRequired | R::ConnectionOnTraffic),
            Connection::wifi);
        dataRow("on demand needs the user",
            quint32(R::Reachable | R::ConnectionRequired | R::ConnectionOnDemand | R::InterventionRequired),
            Connection::unavailable);
    }

    void connectionRule()
    {
        QFETCH(quint32, flags);
        QFETCH(Connection, expected);
        QCOMPARE(Reachability::connectionFor(flags), expected);
    }

    // The first reading counts as a change; repeats do not; a second start changes nothing.
    void changesAreReportedOnceOnTheMainThread()
    {
        Monitor monitor(Reachability::Reachable);
        QVERIFY(!monitor.reachability->startNotifications());
        QVERIFY(monitor.reachability->notifierRunning());
        // The flags were read on the monitor's own thread, the report comes on this one.
        QVERIFY(monitor.route.readThread() != QThread::currentThread());
        QVERIFY(monitor.heard.isEmpty());
        QTRY_COMPARE(monitor.heard, QStringList({"reachable", "notification"}));

        QVERIFY(!monitor.reachability->startNotifications());
        monitor.route.report(Reachability::Reachable); // the same as before: nobody hears it
        monitor.route.report(0);
        QTRY_COMPARE(monitor.heard.size(), 4);
        monitor.route.report(0);
        monitor.route.report(Reachability::Reachable | Reachability::IsDirect); // heard last
        QTRY_COMPARE(monitor.heard.size(), 6);
        QCOMPARE(
            monitor.heard.mid(2), QStringList({"unreachable", "notification", "reachable", "notification"}));
        QCOMPARE(monitor.route.starts(), 1);
    }

    void startFailures()
    {
        Monitor refused(Reachability::Reachable, 7);
        const std::optional<ReachabilityError> callbackError = refused.reachability->startNotifications();
        QVERIFY(callbackError);
        QCOMPARE(callbackError->kind, ReachabilityError::Kind::unableToSetCallback);
        QCOMPARE(callbackError->code, 7);
        QVERIFY(!refused.reachability->notifierRunning());

        Monitor unreadable(std::nullopt);
        const std::optional<ReachabilityError> flagsError = unreadable.reachability->startNotifications();
        QVERIFY(flagsError);
        QCOMPARE(flagsError->kind, ReachabilityError::Kind::unableToGetFlags);
        QVERIFY(!unreadable.reachability->notifierRunning());
        // Flags that cannot be read mean no connection, and that is no news.
        QCOMPARE(unreadable.reachability->currentConnection(), Connection::unavailable);
        QVERIFY(waitForPostedEvents());
        QVERIFY(unreadable.heard.isEmpty());
    }

    // A monitor whose notifications could not start follows the network all the same: it reads the
    // flags afresh at every question instead of keeping its first answer for good.
    void aMonitorThatCouldNotStartReadsAfresh()
    {
        Monitor monitor(0, 7); // offline at the start, which fails
        QVERIFY(monitor.reachability->startNotifications());
        QCOMPARE(monitor.reachability->currentConnection(), Connection::unavailable);
        monitor.route.report(Reachability::Reachable); // unheard: no callback is installed
        QCOMPARE(monitor.reachability->currentConnection(), Connection::wifi);
        monitor.route.report(0);
        QCOMPARE(monitor.reachability->currentConnection(), Connection::unavailable);
    }

    void aReportAfterTheMonitorIsGoneDoesNothing()
    {
        Monitor monitor(Reachability::Reachable);
        QVERIFY(!monitor.reachability->startNotifications());
        // The first report is queued for the main thread; the monitor dies before it is delivered.
        monitor.reachability.reset();
        QVERIFY(waitForPostedEvents());
        QVERIFY(monitor.heard.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReachability)
#include "tst_reachability.moc"
