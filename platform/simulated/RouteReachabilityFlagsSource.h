#pragma once

#include "platform.h"

#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <memory>

namespace simulated {

// The kernel's routing tables as /proc shows them (tests give files of their own).
struct RouteTables
{
    QString ipv4 = QStringLiteral("/proc/net/route");
    QString ipv6 = QStringLiteral("/proc/net/ipv6_route");
};

// Reachability of the internet on a Linux host running the simulated Mac: Reachable while the
// kernel's routing table has a default route and the simulated Mac is not switched offline. Route
// changes are heard on a netlink route socket, the offline switch through a watcher on the root
// folder; nothing polls.
class RouteReachabilityFlagsSource : public platform::ReachabilityFlagsSource
{
    Q_OBJECT

public:
    explicit RouteReachabilityFlagsSource(RouteTables tables = {}, QObject* parent = nullptr);
    ~RouteReachabilityFlagsSource() override;

    Reading read() override;
    int start() override;
    void stop() override;

private:
    void drainRouteMessages();
    void reportIfChanged();

    RouteTables m_tables;
    int m_routeSocket = -1;
    std::unique_ptr<QSocketNotifier> m_routeNotifier;
    std::unique_ptr<QFileSystemWatcher> m_switchWatcher;
    std::optional<quint32> m_reported;
};

} // namespace simulated
