#include "NotificationCenter.h"
#include "Reachability.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The host's reachability as the simulated Mac reports it, with its offline switch.
class TestLinuxReachability : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

    void setOffline(bool offline)
    {
        const QString marker = m_root.filePath("network-offline");
        if (offline) {
            QFile file(marker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else {
            QVERIFY(QFile::remove(marker));
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        qputenv("BREVAK_SIMULATED_ROOT", m_root.path().toUtf8());
    }

    void theOfflineSwitchIsHeardWithoutPolling()
    {
        ReachabilityError error {};
        std::unique_ptr<Reachability> monitor = Reachability::forInternetConnection(true, &error);
        QVERIFY2(monitor, qPrintable(error.description()));
        QObject observer;
        QList<Reachability::Connection> heard;
        NotificationCenter::shared().addObserver(&observer, notifications::reachabilityChanged,
            [&](const QVariant&) { heard << monitor->currentConnection(); });
        QVERIFY(!monitor->startNotifications());
        QTRY_COMPARE(heard.size(), 1);
        const Reachability::Connection hostConnection = heard.first();

        setOffline(true);
        QTRY_COMPARE(monitor->currentConnection(), Reachability::Connection::unavailable);
        setOffline(false);
        QTRY_COMPARE(monitor->currentConnection(), hostConnection);
        if (hostConnection != Reachability::Connection::unavailable) {
            QTRY_COMPARE(heard.size(), 3);
            QCOMPARE(heard.at(1), Reachability::Connection::unavailable);
        }
    }
};

QTEST_GUILESS_MAIN(TestLinuxReachability)
#include "tst_linuxreachability.moc"
