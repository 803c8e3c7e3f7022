#include "SimulatedRoot.h"
#include "platform.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr quint32 reachableFlag = 0x2;
constexpr unsigned routeUp = 0x1; // RTF_UP
constexpr unsigned routeReject = 0x200; // RTF_REJECT

// A default route, IPv4 or IPv6, in the kernel's routing table.
bool hasDefaultRoute()
{
    QFile ipv4(QStringLiteral("/proc/net/route"));
    if (ipv4.open(QIODevice::ReadOnly)) {
        ipv4.readLine(); // header
        while (!ipv4.atEnd()) {
            const QList<QByteArray> fields = ipv4.readLine().simplified().split(' ');
            if (fields.size() >= 8 && fields.at(1) == "00000000" && fields.at(7) == "00000000") {
                const unsigned flags = fields.at(3).toUInt(nullptr, 16);
                if ((flags & routeUp) && !(flags & routeReject)) {
                    return true;
                }
            }
        }
    }
    QFile ipv6(QStringLiteral("/proc/net/ipv6_route"));
    if (ipv6.open(QIODevice::ReadOnly)) {
        const QByteArray any(32, '0');
        while (!ipv6.atEnd()) {
            const QList<QByteArray> fields = ipv6.readLine().simplified().split(' ');
            if (fields.size() >= 10 && fields.at(0) == any && fields.at(1) == "00" && fields.at(9) != "lo") {
                const unsigned flags = fields.at(8).toUInt(nullptr, 16);
                if ((flags & routeUp) && !(flags & routeReject)) {
                    return true;
                }
            }
        }
    }
    return false;
}

// Reachable while the host has a default route and the simulated Mac is not switched offline.
// Route changes come from a netlink route socket and the switch from a watch on the simulated
// Mac's folder; nothing polls.
class LinuxReachabilityFlagsSource : public ReachabilityFlagsSource
{
public:
    using ReachabilityFlagsSource::ReachabilityFlagsSource;
    ~LinuxReachabilityFlagsSource() override { stop(); }

    Reading read() override
    {
        if (simulated::isNetworkOffline()) {
            return {0u, 0};
        }
        return {hasDefaultRoute() ? reachableFlag : 0u, 0};
    }

    int start() override
    {
        m_socket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
        if (m_socket < 0) {
            return errno;
        }
        sockaddr_nl address {};
        address.nl_family = AF_NETLINK;
        address.nl_groups = RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE | RTMGRP_LINK;
        if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            const int error = errno;
            stop();
            return error;
        }
        m_notifier = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            drainSocket();
            reportFlags();
        });

        const QString root = simulated::rootFolder();
        QDir().mkpath(root);
        m_watcher = new QFileSystemWatcher({root}, this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { reportFlags(); });
        return 0;
    }

    void stop() override
    {
        delete m_notifier;
        m_notifier = nullptr;
        delete m_watcher;
        m_watcher = nullptr;
        if (m_socket >= 0) {
            ::close(m_socket);
            m_socket = -1;
        }
    }

private:
    void drainSocket()
    {
        char buffer[8192];
        while (::recv(m_socket, buffer, sizeof buffer, 0) > 0) { }
    }

    void reportFlags()
    {
        if (const std::optional<quint32> flags = read().flags) {
            Q_EMIT flagsChanged(*flags);
        }
    }

    int m_socket = -1;
    QSocketNotifier* m_notifier = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
};

} // namespace

std::unique_ptr<ReachabilityFlagsSource> createReachabilityFlagsSource(QObject* parent)
{
    return std::make_unique<LinuxReachabilityFlagsSource>(parent);
}

} // namespace platform
