// launchctl of the simulated Mac: `load` records a launch agent as loaded under its label, with the
// messages macOS prints for a missing file, an unreadable property list, unsafe permissions and an
// agent that is already loaded; `unload` forgets it again.
#include "PropertyList.h"
#include "StandIn.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <functional>

using simulated::MacState;
using standin::printError;

namespace {

const QString program = QStringLiteral("launchctl");

// The error numbers launchctl reports as its exit status.
constexpr int noSuchFile = 2;
constexpr int invalidArgument = 22;
constexpr int alreadyInProgress = 37;
constexpr int usageError = 64;
constexpr int noSuchService = 113;

struct Agent
{
    QString label;
    int error = 0;
    QString message;
};

Agent readAgent(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists()) {
        return {{}, noSuchFile, path + QStringLiteral(": No such file or directory\n")};
    }
    // launchd refuses a job description that others could rewrite.
    if (file.permissions() & (QFile::WriteGroup | QFile::WriteOther)) {
        return {{}, invalidArgument, path + QStringLiteral(": Path had bad ownership/permissions\n")};
    }
    const std::optional<QVariant> list = propertylist::readFile(path);
    const QString label = list ? list->toMap().value(QStringLiteral("Label")).toString() : QString();
    if (label.isEmpty()) {
        return {{}, invalidArgument, path + QStringLiteral(": Invalid property list\n")};
    }
    return {label, 0, {}};
}

// Runs `change` on each readable agent file under the state's lock; it prints its own refusal and
// returns 0 when it changed the state, or launchctl's error number. The last error is the exit status.
int changeAgents(
    const QStringList& paths, const std::function<int(MacState&, const QString& path, const Agent&)>& change)
{
    int status = 0;
    QString error;
    const bool saved = simulated::StateFile().modify(
        [&](MacState& state) {
            bool changed = false;
            for (const QString& given : paths) {
                const QString path = QFileInfo(given).absoluteFilePath();
                const Agent agent = readAgent(path);
                if (agent.error != 0) {
                    printError(agent.message);
                    status = agent.error;
                } else if (const int refused = change(state, path, agent)) {
                    status = refused;
                } else {
                    changed = true;
                }
            }
            return changed;
        },
        &error);
    if (!saved) {
        printError(program + QStringLiteral(": ") + error + '\n');
        return 1;
    }
    return status;
}

int load(MacState& state, const QString& path, const Agent& agent)
{
    if (state.isAgentLoaded(agent.label)) {
        printError(path + QStringLiteral(": service already loaded\n"));
        printError(QStringLiteral("Load failed: 37: Operation already in progress\n"));
        return alreadyInProgress;
    }
    state.loadedLaunchAgents.append({agent.label, path});
    return 0;
}

int unload(MacState& state, const QString&, const Agent& agent)
{
    if (!state.isAgentLoaded(agent.label)) {
        printError(QStringLiteral("Unload failed: 113: Could not find specified service\n"));
        return noSuchService;
    }
    state.loadedLaunchAgents.removeIf(
        [&agent](const simulated::LaunchAgent& loaded) { return loaded.label == agent.label; });
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString subcommand = arguments.isEmpty() ? QString() : arguments.takeFirst();

    if (subcommand == "load") {
        // -w (also enable) and -F (force) change nothing on the simulated Mac.
        arguments.removeIf([](const QString& argument) { return argument == "-w" || argument == "-F"; });
        if (arguments.isEmpty()) {
            printError(QStringLiteral("Usage: launchctl load <service-path, service-path2, ...>\n"));
            return usageError;
        }
        return changeAgents(arguments, &load);
    }
    if (subcommand == "unload") {
        arguments.removeIf([](const QString& argument) { return argument == "-w"; });
        if (arguments.isEmpty()) {
            printError(QStringLiteral("Usage: launchctl unload <service-path, service-path2, ...>\n"));
            return usageError;
        }
        return changeAgents(arguments, &unload);
    }
    if (!subcommand.isEmpty()) {
        printError(QStringLiteral("Unrecognized subcommand: %1\n").arg(subcommand));
    }
    printError(
        QStringLiteral("Usage: launchctl <subcommand> ... | help [subcommand]\n"
                       "(The simulated Mac's launchctl knows the subcommands load and unload only.)\n"));
    return usageError;
}
