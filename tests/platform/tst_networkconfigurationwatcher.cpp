#include "EventOrder.h"
#include "TemporarySimulatedMac.h"
#include "platform.h"

#include <QSignalSpy>
#include <QTest>

using Commands = QList<QStringList>;

// The watcher of the simulated Mac's network configuration, against brevak-simctl's real changes.
class TestNetworkConfigurationWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every change of the services or their servers is heard once, though each one replaces the state
    // file; changes that leave the network as it was are not heard.
    void changesOfTheNetworkAreHeardOnce()
    {
        TemporarySimulatedMac mac;
        QVERIFY(mac.setUp({"init"}));
        const std::unique_ptr<platform::NetworkConfigurationWatcher> watcher
            = platform::createNetworkConfigurationWatcher();
        QVERIFY(watcher->start());
        QSignalSpy changed(watcher.get(), &platform::NetworkConfigurationWatcher::changed);
        for (const QStringList& change : Commands {{"dns", "Wi-Fi", "8.8.8.8"}, {"dns", "Wi-Fi", "1.1.1.1"},
                 {"service", "add", "iPhone USB"}, {"service", "disable", "Ethernet"}}) {
            const qsizetype before = changed.size();
            QVERIFY(mac.setUp(change));
            QTRY_COMPARE(changed.size(), before + 1);
        }

        QVERIFY(mac.setUp({"activate", "Safari"}));
        QVERIFY(mac.setUp({"deny", "on"}));
        QVERIFY(mac.setUp({"dns", "Wi-Fi", "1.1.1.1"})); // the servers it already has
        QVERIFY(mac.setUp({"dns", "Thunderbolt Bridge", "9.9.9.9"}));
        QTRY_COMPARE(changed.size(), 5);
        QVERIFY(waitForPostedEvents());
        QCOMPARE(changed.size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestNetworkConfigurationWatcher)
#include "tst_networkconfigurationwatcher.moc"
