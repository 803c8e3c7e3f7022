#pragma once

#include "platform.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// What went wrong with the platform's reachability service, with its error code.
struct ReachabilityError
{
    enum class Kind {
        failedToCreateWithAddress,
        failedToCreateWithHostname,
        unableToSetCallback,
        unableToSetDispatchQueue,
        unableToGetFlags,
    };

    Kind kind;
    int code = 0;
    QString subject; // the address or host name of the creation errors

    QString description() const;
};

// Watches whether the machine can reach the internet and of which kind its connection is. Flags are
// read on a serial worker thread of the monitor's own; changes are reported through the two callbacks
// and the "reachabilityChanged" notification, on the main thread when so created.
class Reachability : public QObject
{
    Q_OBJECT

public:
    enum class Connection { unavailable, wifi, cellular };

    // Flag bits, as the platform reports them.
    enum Flag : quint32 {
        TransientConnection = 0x1,
        Reachable = 0x2,
        ConnectionRequired = 0x4,
        ConnectionOnTraffic = 0x8,
        InterventionRequired = 0x10,
        ConnectionOnDemand = 0x20,
        IsLocalAddress = 0x10000,
        IsDirect = 0x20000,
    };

    using Callback = std::function<void(Reachability&)>;

    // A monitor of the general internet route (0.0.0.0). With `notifyOnMainThread` false the
    // changes are reported at once on the thread that sees them. Absent when the platform cannot
    // create one; `error` then says why.
    static std::unique_ptr<Reachability> forInternetConnection(
        bool notifyOnMainThread = true, ReachabilityError* error = nullptr);
    // The same over a flags source of the caller's (tests use a fake one).
    Reachability(std::unique_ptr<platform::ReachabilityFlagsSource> source, bool notifyOnMainThread);
    ~Reachability() override;

    Callback whenReachable;
    Callback whenUnreachable;
    bool reachableOnWWAN = true;
    bool allowsCellularConnection = true;
    bool isRunningOnDevice = true;

    // Starts hearing changes; the first reading counts as a change. Does nothing when running. While
    // notifications do not run, currentConnection reads the flags afresh at every call.
    std::optional<ReachabilityError> startNotifications();
    void stopNotifications();
    bool notifierRunning() const { return m_notifierRunning; }

    std::optional<quint32> flags() const;
    Connection currentConnection();

    static QString connectionText(Connection connection); // "No Connection", "WiFi", "Cellular"
    QString connectionText() { return connectionText(currentConnection()); }
    // W, R, blank, c, t, i, C, D, l, d; "-" for each flag not set.
    static QString flagsText(quint32 flags);
    QString description() const; // the flags text, or "unavailable flags"

    // The connection kind that flags describe.
    static Connection connectionFor(std::optional<quint32> flags);

private:
    std::optional<ReachabilityError> updateFlags();
    void setFlags(quint32 flags);
    void reportChange();

    std::unique_ptr<platform::ReachabilityFlagsSource> m_source;
    QMetaObject::Connection m_callback;
    QThread m_serialThread;
    bool m_notifyOnMainThread;
    std::atomic<bool> m_notifierRunning {false}; // read by currentConnection, from any thread
    // Written on the serial thread, read anywhere: -1 while no flags are known.
    std::atomic<qint64> m_flags {-1};
};
