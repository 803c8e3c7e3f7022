// osascript of the simulated Mac. It runs the AppleScript sentences BREVAK sends: the bundle
// identifier of an application, from its Info.plist, or a list of them, and the quit script, which ends the application
// on the simulated Mac (a simulated one is forgotten, a real process gets SIGTERM). Results go to
// standard output; errors go to standard error as "<start>:<end>: <kind> error: ..." with status 1.
#include "AppleScript.h"
#include "ApplicationBundles.h"
#include "Processes.h"
#include "SimulatedRoot.h"
#include "StandIn.h"

#include <QCoreApplication>

using simulated::MacState;
using simulated::RunningApplication;
using standin::printError;

namespace {

const QString program = QStringLiteral("osascript");

int scriptError(const char* kind, const QString& message, qsizetype begin, qsizetype end)
{
    printError(QStringLiteral("%1:%2: %3 error: %4\n").arg(begin).arg(end).arg(QLatin1String(kind), message));
    return 1;
}

int cannotGetApplication(const applescript::Command& command)
{
    return scriptError("execution",
        QStringLiteral("Can’t get application \"%1\". (-1728)").arg(command.applicationName), command.begin,
        command.end);
}

int printBundleIdentifier(const applescript::Command& command)
{
    const auto bundle
        = simulated::findApplicationNamed(simulated::applicationsFolder(), command.applicationName);
    if (!bundle) {
        return cannotGetApplication(command);
    }
    standin::printOut(bundle->bundleIdentifier + '\n');
    return 0;
}

// The identifiers of a list, as osascript prints a list of texts: "a, b". One application it cannot
// get fails the whole script, which prints nothing else.
int printBundleIdentifiers(const std::vector<applescript::Command>& items)
{
    QStringList identifiers;
    for (const applescript::Command& item : items) {
        const auto bundle = simulated::findApplicationNamed(simulated::applicationsFolder(), item.applicationName);
        if (!bundle) {
            return cannotGetApplication(item);
        }
        identifiers.append(bundle->bundleIdentifier);
    }
    standin::printOut(identifiers.join(QStringLiteral(", ")) + '\n');
    return 0;
}

// Quitting an application that does not run succeeds without starting it, as on macOS.
int quitApplication(const applescript::Command& command)
{
    const auto bundle
        = simulated::findApplicationNamed(simulated::applicationsFolder(), command.applicationName);
    QList<RunningApplication> ending;
    QString error;
    const bool saved = simulated::StateFile().modify(
        [&](MacState& state) {
            const bool pruned = simulated::StateFile::pruneEndedProcesses(state);
            for (const RunningApplication& application : std::as_const(state.runningApplications)) {
                if ((bundle && application.bundlePath == bundle->path)
                    || application.localizedName == command.applicationName) {
                    ending.append(application);
                }
            }
            for (const RunningApplication& application : std::as_const(ending)) {
                if (application.simulated) {
                    state.removeProcess(application.processId);
                }
            }
            return pruned || !ending.isEmpty();
        },
        &error);
    if (!saved) {
        printError(program + QStringLiteral(": ") + error + '\n');
        return 1;
    }
    if (!bundle && ending.isEmpty()) {
        return cannotGetApplication(command);
    }
    // A real process leaves the list itself when it has quit.
    for (const RunningApplication& application : std::as_const(ending)) {
        if (!application.simulated) {
            simulated::requestTermination({application.processId, application.startTime});
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);

    // Each -e gives one line of the script.
    QStringList lines;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) != "-e" || i + 1 == arguments.size()) {
            printError(
                QStringLiteral("usage: osascript [-l language] [-e script] [-i] [-s {ehso}] [programfile] "
                               "[argument ...]\n(The simulated Mac's osascript runs -e scripts only.)\n"));
            return 1;
        }
        lines.append(arguments.at(++i));
    }
    if (lines.isEmpty()) {
        printError(QStringLiteral("osascript: no script given (the simulated Mac does not read scripts from "
                                  "standard input)\n"));
        return 1;
    }
    const QString source = lines.join('\n');

    const auto parsed = applescript::parse(source);
    if (const auto* error = std::get_if<applescript::SyntaxError>(&parsed)) {
        return scriptError("syntax", error->message, error->begin, error->end);
    }
    const auto& command = std::get<applescript::Command>(parsed);
    switch (command.kind) {
    case applescript::Command::Kind::bundleIdentifier:
        return printBundleIdentifier(command);
    case applescript::Command::Kind::bundleIdentifiers:
        return printBundleIdentifiers(command.items);
    case applescript::Command::Kind::quit:
        return quitApplication(command);
    case applescript::Command::Kind::nothing:
        break;
    }
    return 0;
}
