// brevak-simctl drives the simulated Mac from outside: it sets up a typical Mac, adds and removes
// network services and applications, changes DNS servers behind BREVAK's back, flips the deny, hang
// and offline switches, brings applications to the front and shows the whole state.
#include "ApplicationInstaller.h"
#include "NetworkAddress.h"
#include "SimulatedBrowser.h"
#include "SimulatedRoot.h"
#include "StandIn.h"
#include "StateReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

using simulated::MacState;
using simulated::NetworkService;
using standin::printError;
using standin::printOut;

namespace {

const QString program = QStringLiteral("brevak-simctl");
constexpr int failure = 1;
constexpr int usageError = 2;

const QString helpText = QStringLiteral(R"(Usage: brevak-simctl COMMAND [ARGUMENTS]

Drives the simulated Mac in the folder BREVAK_SIMULATED_ROOT (now %1).

  init [--force]               set up a typical Mac: services Ethernet, Wi-Fi, Thunderbolt Bridge and a
                               disabled Bluetooth PAN, all without DNS servers; BREVAK, Safari, two
                               gambling applications and Utilities/Terminal; switches off. Other
                               applications and the home folder stay. --force also replaces a damaged
                               state file.
  service add NAME             add an enabled network service without DNS servers
  service remove NAME          remove a network service
  service disable NAME         disable a service (networksetup lists it as *NAME)
  service enable NAME          enable a service again
  dns NAME ADDR... | Empty     set a service's DNS servers (as an administrator, behind BREVAK's back)
  app add NAME BUNDLE_ID       install Applications/NAME.app with that bundle identifier
  app remove NAME              delete an application (and end it if it runs)
  deny on|off                  on: DNS changes fail as for a user without admin rights
  hang on|off                  on: every networksetup waits, without a word, until the switch is off
  network offline|online       offline: every BREVAK sees the network as unreachable
  activate NAME                bring an application to the front; every running BREVAK hears it
  browser [approve|deny|close] what the browser (the stand-in `open`) does with a sign-in page: agree
                               and follow it back to the application (the default), refuse, or close
                               without answering; without an argument, show it
  state                        show everything
  --help                       show this text
)");

int fail(const QString& message)
{
    printError(program + QStringLiteral(": ") + message + '\n');
    return failure;
}

int usage(const QString& problem)
{
    printError(program + QStringLiteral(": ") + problem + QStringLiteral("\nTry 'brevak-simctl --help'.\n"));
    return usageError;
}

// Applies `edit` under the state lock; `edit` returns the empty text, or a problem, which leaves the
// state as it was.
int changeState(const std::function<QString(MacState&)>& edit)
{
    QString problem;
    QString error;
    const bool saved = simulated::StateFile().modify(
        [&](MacState& state) {
            problem = edit(state);
            return problem.isEmpty();
        },
        &error);
    if (!saved) {
        return fail(error);
    }
    return problem.isEmpty() ? 0 : fail(problem);
}

// A name the Mac could show in a list of one name a line.
QString nameProblem(const QString& what, const QString& name)
{
    static const QRegularExpression control(QStringLiteral("[\\x00-\\x1f\\x7f]"));
    if (name.trimmed().isEmpty()) {
        return QStringLiteral("the %1 name is empty").arg(what);
    }
    if (name.contains(control)) {
        return QStringLiteral("the %1 name \"%2\" contains a line break or another control character")
            .arg(what, name);
    }
    return {};
}

QString applicationNameProblem(const QString& name)
{
    const QString problem = nameProblem(QStringLiteral("application"), name);
    if (!problem.isEmpty()) {
        return problem;
    }
    if (name.contains('/') || name.startsWith('.')) {
        return QStringLiteral("the application name \"%1\" may not contain \"/\" or start with \".\"")
            .arg(name);
    }
    return {};
}

MacState typicalMac()
{
    MacState state;
    state.networkServices = {{QStringLiteral("Ethernet"), true, {}}, {QStringLiteral("Wi-Fi"), true, {}},
        {QStringLiteral("Thunderbolt Bridge"), true, {}}, {QStringLiteral("Bluetooth PAN"), false, {}}};
    return state;
}

int init(const QStringList& arguments)
{
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments.first() != "--force")) {
        return usage(QStringLiteral("init takes only --force"));
    }
    const QString root = simulated::rootFolder();
    const QString applications = simulated::applicationsFolder();
    if (!QDir().mkpath(applications)
        || !QDir().mkpath(simulated::homeFolder() + QStringLiteral("/Library/LaunchAgents"))) {
        return fail(QStringLiteral("cannot create the folders of %1").arg(root));
    }
    const QList<std::tuple<QString, QString, QString>> typicalApplications {
        {QString(), QStringLiteral("BREVAK"), QStringLiteral("com.mac.brevak")},
        {QString(), QStringLiteral("Safari"), QStringLiteral("com.apple.Safari")},
        {QString(), QStringLiteral("Lucky Spin Casino"), QStringLiteral("com.luckyspin.casino")},
        {QString(), QStringLiteral("Royal Flush Poker"), QStringLiteral("net.royalflush.poker")},
        {QStringLiteral("/Utilities"), QStringLiteral("Terminal"), QStringLiteral("com.apple.Terminal")},
    };
    for (const auto& [subfolder, name, identifier] : typicalApplications) {
        QString error;
        if (!installer::installApplication(applications + subfolder, name, identifier, &error)) {
            return fail(error);
        }
    }

    simulated::StateFile file;
    QString error;
    if (arguments.isEmpty()) {
        // Running BREVAK processes stay registered; process ids are never handed out twice.
        const bool saved = file.modify(
            [](MacState& state) {
                MacState fresh = typicalMac();
                for (const simulated::RunningApplication& application :
                    std::as_const(state.runningApplications)) {
                    if (!application.simulated) {
                        fresh.runningApplications.append(application);
                    }
                }
                fresh.nextSimulatedProcessId = state.nextSimulatedProcessId;
                state = fresh;
                return true;
            },
            &error);
        if (!saved) {
            return fail(error + QStringLiteral(" (brevak-simctl init --force replaces it)"));
        }
    } else if (!file.overwrite(typicalMac(), &error)) {
        return fail(error);
    }
    if (!simulated::setNetworkOffline(false)) {
        return fail(QStringLiteral("cannot switch the network online in %1").arg(root));
    }
    printOut(QStringLiteral("A typical Mac is set up at %1\n").arg(root));
    return 0;
}

int service(const QStringList& arguments)
{
    const QString action = arguments.value(0);
    if (arguments.size() != 2 || !QStringList {"add", "remove", "disable", "enable"}.contains(action)) {
        return usage(QStringLiteral("use: service add|remove|disable|enable NAME"));
    }
    const QString name = arguments.at(1);
    if (action == "add") {
        QString problem = nameProblem(QStringLiteral("service"), name);
        if (problem.isEmpty() && name.startsWith('*')) {
            problem
                = QStringLiteral("a service name may not start with \"*\", which marks a disabled service");
        }
        if (!problem.isEmpty()) {
            return fail(problem);
        }
    }
    return changeState([&](MacState& state) -> QString {
        NetworkService* existing = state.findService(name);
        if (action == "add") {
            if (existing) {
                return QStringLiteral("there is already a network service named \"%1\"").arg(name);
            }
            state.networkServices.append({name, true, {}});
            return {};
        }
        if (!existing) {
            return QStringLiteral("there is no network service named \"%1\"").arg(name);
        }
        if (action == "remove") {
            state.networkServices.removeIf(
                [&name](const NetworkService& service) { return service.name == name; });
        } else {
            existing->enabled = action == "enable";
        }
        return {};
    });
}

int dns(const QStringList& arguments)
{
    if (arguments.size() < 2) {
        return usage(QStringLiteral("use: dns NAME ADDR... | dns NAME Empty"));
    }
    const QString name = arguments.at(0);
    const QStringList addresses = arguments.mid(1);
    const bool clear = addresses.size() == 1 && addresses.first().compare("empty", Qt::CaseInsensitive) == 0;
    if (!clear) {
        for (const QString& address : addresses) {
            if (!simulated::isValidIpAddress(address)) {
                return fail(QStringLiteral("\"%1\" is not an IPv4 or IPv6 address").arg(address));
            }
        }
    }
    return changeState([&](MacState& state) -> QString {
        NetworkService* service = state.findService(name);
        if (!service) {
            return QStringLiteral("there is no network service named \"%1\"").arg(name);
        }
        service->dnsServers = clear ? QStringList() : addresses;
        return {};
    });
}

int addApplication(const QString& name, const QString& bundleIdentifier)
{
    static const QRegularExpression identifierForm(QStringLiteral("^[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*$"));
    const QString problem = applicationNameProblem(name);
    if (!problem.isEmpty()) {
        return fail(problem);
    }
    if (!identifierForm.match(bundleIdentifier).hasMatch()) {
        return fail(QStringLiteral("\"%1\" is not a bundle identifier (letters, digits, \"-\" and \".\", as "
                                   "com.example.Game)")
                        .arg(bundleIdentifier));
    }
    const QString folder = simulated::applicationsFolder();
    if (QFileInfo::exists(folder + '/' + name + QStringLiteral(".app"))) {
        return fail(QStringLiteral("%1.app is already in %2").arg(name, folder));
    }
    QString error;
    if (!QDir().mkpath(folder) || !installer::installApplication(folder, name, bundleIdentifier, &error)) {
        return fail(error.isEmpty() ? QStringLiteral("cannot create %1").arg(folder) : error);
    }
    return 0;
}

int removeApplication(const QString& name)
{
    const QString problem = applicationNameProblem(name);
    if (!problem.isEmpty()) {
        return fail(problem);
    }
    const QString folder = simulated::applicationsFolder();
    QString path = folder + '/' + (name.endsWith(".app") ? name : name + QStringLiteral(".app"));
    if (!QFileInfo(path).isDir()) {
        const auto bundle = simulated::findApplicationNamed(folder, name);
        if (!bundle) {
            return fail(QStringLiteral("there is no application named \"%1\" in %2").arg(name, folder));
        }
        path = bundle->path;
    }
    path = QDir::cleanPath(path);
    if (!QDir(path).removeRecursively()) {
        return fail(QStringLiteral("cannot delete %1").arg(path));
    }
    // A simulated process of the deleted bundle ends with it; a real BREVAK keeps running, as on macOS.
    return changeState([&path](MacState& state) -> QString {
        QList<qint64> ended;
        for (const simulated::RunningApplication& application : std::as_const(state.runningApplications)) {
            if (application.simulated && application.bundlePath == path) {
                ended.append(application.processId);
            }
        }
        for (qint64 processId : ended) {
            state.removeProcess(processId);
        }
        return {};
    });
}

int application(const QStringList& arguments)
{
    if (arguments.size() == 3 && arguments.at(0) == "add") {
        return addApplication(arguments.at(1), arguments.at(2));
    }
    if (arguments.size() == 2 && arguments.at(0) == "remove") {
        return removeApplication(arguments.at(1));
    }
    return usage(QStringLiteral("use: app add NAME BUNDLE_ID | app remove NAME"));
}

// An on/off switch of the state file.
int toggle(const QString& command, const QStringList& arguments, bool MacState::*field)
{
    if (arguments.size() != 1 || (arguments.first() != "on" && arguments.first() != "off")) {
        return usage(QStringLiteral("use: %1 on|off").arg(command));
    }
    const bool on = arguments.first() == "on";
    return changeState([on, field](MacState& state) {
        state.*field = on;
        return QString();
    });
}

int network(const QStringList& arguments)
{
    if (arguments.size() != 1 || (arguments.first() != "offline" && arguments.first() != "online")) {
        return usage(QStringLiteral("use: network offline|online"));
    }
    if (!simulated::setNetworkOffline(arguments.first() == "offline")) {
        return fail(QStringLiteral("cannot switch the network %1 in %2")
                        .arg(arguments.first(), simulated::rootFolder()));
    }
    return 0;
}

int activate(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        return usage(QStringLiteral("use: activate NAME"));
    }
    const auto bundle = simulated::findApplicationNamed(simulated::applicationsFolder(), arguments.first());
    if (!bundle) {
        return fail(QStringLiteral("there is no application named \"%1\" in %2")
                        .arg(arguments.first(), simulated::applicationsFolder()));
    }
    return changeState([&bundle](MacState& state) {
        simulated::StateFile::pruneEndedProcesses(state);
        state.activate(bundle->name, bundle->bundleIdentifier, bundle->path);
        return QString();
    });
}

int browser(const QStringList& arguments)
{
    if (arguments.isEmpty()) {
        printOut(simulated_browser::name(simulated_browser::behaviour()) + '\n');
        return 0;
    }
    const std::optional<simulated_browser::Behaviour> behaviour
        = arguments.size() == 1 ? simulated_browser::fromName(arguments.first()) : std::nullopt;
    if (!behaviour) {
        return usage(QStringLiteral("use: browser [approve|deny|close]"));
    }
    if (!simulated_browser::setBehaviour(*behaviour)) {
        return fail(
            QStringLiteral("cannot store the browser's behaviour in %1").arg(simulated::rootFolder()));
    }
    return 0;
}

int showState(const QStringList& arguments)
{
    if (!arguments.isEmpty()) {
        return usage(QStringLiteral("state takes no arguments"));
    }
    const std::optional<MacState> state = standin::readState(simulated::StateFile(), program);
    if (!state) {
        return failure;
    }
    MacState shown = *state;
    simulated::StateFile::pruneEndedProcesses(shown);
    const QStringList agentFiles = QDir(simulated::homeFolder() + QStringLiteral("/Library/LaunchAgents"))
                                       .entryList(QDir::Files | QDir::Hidden, QDir::Name);
    printOut(stateReport(simulated::rootFolder(), shown, simulated::isNetworkOffline(),
        simulated::installedApplications(simulated::applicationsFolder()), agentFiles));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        return usage(QStringLiteral("no command given"));
    }
    const QString command = arguments.takeFirst();
    if (command == "--help" || command == "-h" || command == "help") {
        printOut(helpText.arg(simulated::rootFolder()));
        return 0;
    }
    if (command == "init") {
        return init(arguments);
    }
    if (command == "service") {
        return service(arguments);
    }
    if (command == "dns") {
        return dns(arguments);
    }
    if (command == "app") {
        return application(arguments);
    }
    if (command == "deny") {
        return toggle(command, arguments, &MacState::denyNetworkChanges);
    }
    if (command == "hang") {
        return toggle(command, arguments, &MacState::hangNetworkSetup);
    }
    if (command == "network") {
        return network(arguments);
    }
    if (command == "activate") {
        return activate(arguments);
    }
    if (command == "browser") {
        return browser(arguments);
    }
    if (command == "state") {
        return showState(arguments);
    }
    return usage(QStringLiteral("unknown command \"%1\"").arg(command));
}
