#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace simulated {

// A network service as System Settings lists it, with its manually set DNS servers in order.
struct NetworkService
{
    QString name;
    bool enabled = true;
    QStringList dnsServers;
};

// An application that runs on the simulated Mac: a real process (a running BREVAK) or one that only
// the simulated Mac knows about (brought to the front by brevak-simctl).
struct RunningApplication
{
    qint64 processId = 0;
    qint64 startTime = 0; // the kernel's start time of a real process, to tell a reused process id
    bool simulated = true;
    QString bundleIdentifier;
    QString localizedName;
    QString bundlePath;
    bool menuBarOnly = false; // the accessory activation policy
    bool listening = false; // a workspace in this process hears activations
    QStringList pendingActivations; // localized names of activations not yet heard, oldest first
};

struct LaunchAgent
{
    QString label;
    QString path;
};

// Everything about the simulated Mac that is not a file of its own: network services, the deny and
// hang switches, running applications in launch order and loaded launch agents. (The offline switch is a
// marker file of its own, see SimulatedRoot.h.)
struct MacState
{
    // Process ids given to simulated applications lie above every id the kernel hands out.
    static constexpr qint64 firstSimulatedProcessId = 1 << 30;

    QList<NetworkService> networkServices; // in service order
    bool denyNetworkChanges = false; // DNS changes fail as for a user without admin rights
    bool hangNetworkSetup = false; // networksetup waits, without a word, until the switch is off
    QList<RunningApplication> runningApplications; // in launch order
    qint64 frontmostProcessId = 0; // 0 when no application is frontmost
    QList<LaunchAgent> loadedLaunchAgents;
    qint64 nextSimulatedProcessId = firstSimulatedProcessId;

    NetworkService* findService(const QString& name);
    const NetworkService* findService(const QString& name) const;
    RunningApplication* findProcess(qint64 processId);
    const RunningApplication* findProcess(qint64 processId) const;
    bool isAgentLoaded(const QString& label) const;

    // Brings the application to the front, starting a simulated process for it when none runs, and
    // queues the activation for every listening BREVAK.
    void activate(const QString& localizedName, const QString& bundleIdentifier, const QString& bundlePath);
    // Forgets a running application; true when it ran.
    bool removeProcess(qint64 processId);

    QByteArray toJson() const;
    // The state a file holds, or nothing with the reason in `error`; every field is checked.
    static std::optional<MacState> fromJson(const QByteArray& json, QString* error);
};

} // namespace simulated
