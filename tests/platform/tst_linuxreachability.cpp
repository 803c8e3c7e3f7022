#include "NotificationCenter.h"
#include "Reachability.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

// The reachability monitor over the simulated Mac's own flags source: the host's routes and the
// offline switch of brevak-simctl, heard on the main thread.
class TestLinuxReachability : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theOfflineSwitchIsHeard()
    {
        TemporarySimulatedMac mac;
        QVERIFY(mac.setUp({"init"}));
        NotificationCenter notifications;
        const NotificationCenter::Registration registration(notifications);
        ReachabilityError error {};
        std::unique_ptr<Reachability> monitor = Reachability::forInternetConnection(true, &error);
        QVERIFY2(monitor, qPrintable(error.description()));
        QObject observer;
        QList<Reachability::Connection> heard;
        notifications.addObserver(
            &observer, notifications::reachabilityChanged,
            [&](const QVariant&) { heard << monitor->currentConnection(); }, monitor.get());
        QVERIFY(!monitor->startNotifications());
        QTRY_VERIFY(!heard.isEmpty());
        const Reachability::Connection host = heard.last();

        QVERIFY(mac.setUp({"network", "offline"}));
        QTRY_COMPARE(heard.last(), Reachability::Connection::unavailable);
        QVERIFY(mac.setUp({"network", "online"}));
        QTRY_COMPARE(heard.last(), host);
    }
};

QTEST_GUILESS_MAIN(TestLinuxReachability)
#include "tst_linuxreachability.moc"
