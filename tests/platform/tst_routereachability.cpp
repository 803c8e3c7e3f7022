#include "DataRow.h"
#include "RouteReachabilityFlagsSource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

const QByteArray ipv4Header
    = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
const QByteArray ipv4Default = "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
const QByteArray ipv4Local = "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
const QByteArray ipv6LoopbackReject
    = "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
const QByteArray ipv6Default
    = "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n";
const QByteArray ipv6Local
    = "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 00000100 00000002 00000000 00000001     eth0\n";

} // namespace

class TestRouteReachability : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tables;

    simulated::RouteTables tables() const
    {
        return {m_tables.filePath("route"), m_tables.filePath("ipv6_route")};
    }

    bool writeTables(const QByteArray& ipv4, const QByteArray& ipv6)
    {
        for (const auto& [name, content] : {std::pair {"route", ipv4}, std::pair {"ipv6_route", ipv6}}) {
            QFile::remove(m_tables.filePath(name));
            if (content.isNull()) {
                continue;
            }
            QFile file(m_tables.filePath(name));
            if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
                return false;
            }
        }
        return true;
    }

private Q_SLOTS:
    void reachableWithADefaultRoute_data()
    {
        QTest::addColumn<QByteArray>("ipv4");
        QTest::addColumn<QByteArray>("ipv6");
        QTest::addColumn<int>("flags");

        dataRow("IPv4 default route", ipv4Header + ipv4Local + ipv4Default, ipv6LoopbackReject, 0x2);
        dataRow("local network only", ipv4Header + ipv4Local, ipv6Local + ipv6LoopbackReject, 0);
        dataRow("unreachable default route",
            ipv4Header + QByteArray("eth0\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n"),
            QByteArray(""), 0);
        dataRow("IPv6 default route only", ipv4Header + ipv4Local, ipv6Local + ipv6Default, 0x2);
    }

    void reachableWithADefaultRoute()
    {
        QFETCH(QByteArray, ipv4);
        QFETCH(QByteArray, ipv6);
        QFETCH(int, flags);
        QVERIFY(writeTables(ipv4, ipv6));
        simulated::RouteReachabilityFlagsSource source(tables());
        const auto reading = source.read();
        QCOMPARE(reading.flags, std::optional<quint32>(flags));
        QCOMPARE(reading.errorCode, 0);
    }

    void anUnreadableRoutingTableGivesNoFlags()
    {
        QVERIFY(writeTables(QByteArray(), QByteArray()));
        simulated::RouteReachabilityFlagsSource source(tables());
        const auto reading = source.read();
        QVERIFY(!reading.flags);
        QCOMPARE(reading.errorCode, ENOENT);
    }
};

QTEST_GUILESS_MAIN(TestRouteReachability)
#include "tst_routereachability.moc"
