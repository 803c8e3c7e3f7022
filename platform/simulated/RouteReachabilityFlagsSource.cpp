#include "RouteReachabilityFlagsSource.h"

#include "SimulatedRoot.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace simulated {

namespace {

constexpr quint32 reachable = 0x2;
constexpr unsigned routeUp = 0x1; // RTF_UP
constexpr unsigned routeRejected = 0x200; // RTF_REJECT: an unreachable route

struct RouteLookup
{
    bool found = false;
    int errorCode = 0; // errno when the table could not be read
};

// A line of /proc/net/route: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
RouteLookup findIpv4DefaultRoute(const QString& path)
{
    QFile table(path);
    if (!table.open(QIODevice::ReadOnly)) {
        return {false, ENOENT};
    }
    table.readLine(); // the header
    while (!table.atEnd()) {
        const QList<QByteArray> fields = table.readLine().simplified().split(' ');
        if (fields.size() >= 8 && fields.at(1) == "00000000" && fields.at(7) == "00000000"
            && (fields.at(3).toUInt(nullptr, 16) & routeUp)
            && !(fields.at(3).toUInt(nullptr, 16) & routeRejected)) {
            return {true, 0};
        }
    }
    return {};
}

// A line of /proc/net/ipv6_route: destination, prefix length, source, source prefix length, next
// hop, metric, reference count, use, flags, interface. The loopback's default route only rejects.
RouteLookup findIpv6DefaultRoute(const QString& path)
{
    QFile table(path);
    if (!table.open(QIODevice::ReadOnly)) {
        return {false, ENOENT};
    }
    while (!table.atEnd()) {
        const QList<QByteArray> fields = table.readLine().simplified().split(' ');
        if (fields.size() < 10) {
            continue;
        }
        const unsigned flags = fields.at(8).toUInt(nullptr, 16);
        if (fields.at(0) == QByteArray(32, '0') && fields.at(1) == "00" && (flags & routeUp)
            && !(flags & routeRejected) && fields.at(9) != "lo") {
            return {true, 0};
        }
    }
    return {};
}

} // namespace

RouteReachabilityFlagsSource::RouteReachabilityFlagsSource(RouteTables tables, QObject* parent)
    : platform::ReachabilityFlagsSource(parent)
    , m_tables(std::move(tables))
{ }

RouteReachabilityFlagsSource::~RouteReachabilityFlagsSource()
{
    stop();
}

platform::ReachabilityFlagsSource::Reading RouteReachabilityFlagsSource::read()
{
    const RouteLookup ipv4 = findIpv4DefaultRoute(m_tables.ipv4);
    if (ipv4.errorCode != 0) {
        return {std::nullopt, ipv4.errorCode};
    }
    // A host without IPv6 has no IPv6 table; that is no error.
    const bool hasRoute = ipv4.found || findIpv6DefaultRoute(m_tables.ipv6).found;
    return {hasRoute && !isNetworkOffline() ? reachable : 0, 0};
}

int RouteReachabilityFlagsSource::start()
{
    if (m_routeSocket >= 0) {
        return 0;
    }
    m_routeSocket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (m_routeSocket < 0) {
        return errno;
    }
    sockaddr_nl address = {};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (::bind(m_routeSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        const int error = errno;
        ::close(m_routeSocket);
        m_routeSocket = -1;
        return error;
    }
    m_routeNotifier = std::make_unique<QSocketNotifier>(m_routeSocket, QSocketNotifier::Read);
    connect(m_routeNotifier.get(), &QSocketNotifier::activated, this,
        &RouteReachabilityFlagsSource::drainRouteMessages);

    // The offline switch is a marker file directly in the root folder.
    const QString root = rootFolder();
    m_switchWatcher = std::make_unique<QFileSystemWatcher>();
    if (!QDir().mkpath(root) || !m_switchWatcher->addPath(root)) {
        qWarning("Simulated Mac: the offline switch cannot be heard (cannot watch %s)", qPrintable(root));
    }
    connect(m_switchWatcher.get(), &QFileSystemWatcher::directoryChanged, this,
        &RouteReachabilityFlagsSource::reportIfChanged);

    m_reported = read().flags;
    return 0;
}

void RouteReachabilityFlagsSource::stop()
{
    m_switchWatcher.reset();
    m_routeNotifier.reset();
    if (m_routeSocket >= 0) {
        ::close(m_routeSocket);
        m_routeSocket = -1;
    }
}

void RouteReachabilityFlagsSource::drainRouteMessages()
{
    // The messages only say that something changed; the routing table says what holds now.
    // A full socket buffer (ENOBUFS) lost messages but not the table; anything else ends the draining.
    char buffer[8192];
    for (;;) {
        const ssize_t received = ::recv(m_routeSocket, buffer, sizeof(buffer), 0);
        if (received > 0 || (received < 0 && errno == ENOBUFS)) {
            continue;
        }
        break;
    }
    reportIfChanged();
}

void RouteReachabilityFlagsSource::reportIfChanged()
{
    const std::optional<quint32> flags = read().flags;
    if (flags && flags != m_reported) {
        m_reported = flags;
        Q_EMIT flagsChanged(*flags);
    }
}

} // namespace simulated

std::unique_ptr<platform::ReachabilityFlagsSource> platform::createReachabilityFlagsSource(QObject* parent)
{
    return std::make_unique<simulated::RouteReachabilityFlagsSource>(simulated::RouteTables(), parent);
}
