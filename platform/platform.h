#pragma once

// The seam between BREVAK and the operating system, without windows: paths, the environment of the
// programs BREVAK runs, the settings, the computer's identity, the reachability of the internet and
// the termination signals. It needs Qt Core only, so the core libraries and their tests link no Gui.
// The window side (workspace, activation policy, title bar) is windowing.h. Everything above the
// seam is the same on macOS and on the simulated Mac used on other hosts; each function and
// interface here has one implementation per platform, chosen at build time (platform/macos,
// platform/simulated).

#include <QObject>
#include <QProcessEnvironment>
#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

namespace platform {

// Locations of the system programs and folders the application works with. On macOS they are the
// literal system paths; on the simulated Mac they point into its root folder and to the stand-ins.
QString shellPath(); // "/bin/zsh"
QString launchctlPath(); // "/bin/launchctl"
QString osascriptPath(); // "/usr/bin/osascript"
QString applicationsFolder(); // "/Applications"
QString homeFolder(); // the user's home directory
QString applicationBundle(); // the running copy's BREVAK.app
// The program the launch agent starts: this running copy's executable. Empty when this copy runs from
// a place that will be gone at the next login (a copy that macOS moved aside before running it).
QString launchAgentProgram();

// The environment every external program runs with. On the simulated Mac the stand-ins come first
// on PATH, so a command text names `networksetup` exactly as it would on macOS.
QProcessEnvironment commandEnvironment();

// The per-user preferences of BREVAK: the user-defaults domain on macOS, a typed file inside the
// simulated Mac's home folder elsewhere. Values keep their types across runs (a Bool stays a Bool,
// a one-element list stays a list).
std::unique_ptr<QSettings> createUserDefaults();

// Bundle identifier of BREVAK itself.
inline constexpr auto ownBundleIdentifier = "com.mac.brevak";

// Identity of this computer, as the account server knows it.
std::optional<QString> platformUUID(); // absent when it cannot be read
QString deviceModel(); // empty when it cannot be read

// Reachability flags of the general internet route, with the bit values of macOS's
// SCNetworkReachability (Reachable 0x2, ConnectionRequired 0x4, ...). The reachability monitor moves
// its source to a worker thread of its own and calls read, start and stop there, so a source creates
// its notifiers and watchers in start(), never in its constructor.
class ReachabilityFlagsSource : public QObject
{
    Q_OBJECT

public:
    struct Reading
    {
        std::optional<quint32> flags; // absent when the platform could not tell
        int errorCode = 0; // the platform's error code when absent
    };

    using QObject::QObject;

    virtual Reading read() = 0;
    // Starts reporting changes through flagsChanged; returns the platform's error code, 0 on success.
    virtual int start() = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    // Emitted from any thread when the platform reports new flags.
    void flagsChanged(quint32 flags);
};

std::unique_ptr<ReachabilityFlagsSource> createReachabilityFlagsSource(QObject* parent = nullptr);

// Hears changes of the network configuration: the DNS servers of any network service, and the list of
// services. On macOS, SystemConfiguration's dynamic store; on the simulated Mac, its state file. A
// burst of changes may be heard as one; a change may also be heard that, read back, changed nothing.
// It lives on the main thread and reports there.
class NetworkConfigurationWatcher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts hearing changes; false when the platform cannot report them (then only a timer helps).
    virtual bool start() = 0;

Q_SIGNALS:
    void changed();
};

std::unique_ptr<NetworkConfigurationWatcher> createNetworkConfigurationWatcher(QObject* parent = nullptr);

// Where the application's own plug-ins are: next to the program on the simulated Mac, the bundle's
// Contents/PlugIns on macOS.
QString pluginsFolder();

// Ends the application in an orderly way (its aboutToQuit runs) on SIGTERM, SIGINT and SIGHUP, with
// the exit status 128 + the signal's number.
void quitOnTerminationSignals();

} // namespace platform
