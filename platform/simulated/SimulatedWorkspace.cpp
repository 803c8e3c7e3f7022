#include "SimulatedWorkspace.h"

#include "ApplicationBundles.h"
#include "GenericApplicationIcon.h"
#include "Processes.h"
#include "SimulatedRoot.h"

#include <QImageReader>
#include <QRandomGenerator>

#include <algorithm>

namespace simulated {

SimulatedWorkspace::SimulatedWorkspace(QObject* parent)
    : platform::Workspace(parent)
    , m_registration(WorkspaceRegistration::acquire())
{
    connect(m_registration.get(), &WorkspaceRegistration::activated, this, &Workspace::applicationActivated);
}

QList<platform::RunningApplication> SimulatedWorkspace::runningApplications(
    const QString& bundleIdentifier) const
{
    QString error;
    std::optional<MacState> state = m_stateFile.read(&error);
    if (!state) {
        qWarning("Simulated Mac: running applications cannot be read: %s", qPrintable(error));
        return {};
    }
    StateFile::pruneEndedProcesses(*state);
    QList<platform::RunningApplication> running;
    for (const RunningApplication& application : std::as_const(state->runningApplications)) {
        if (application.bundleIdentifier == bundleIdentifier) {
            running.append({application.processId, application.bundleIdentifier, application.localizedName,
                application.startTime});
        }
    }
    // macOS promises no order; neither does the simulated Mac, so nothing comes to rely on one.
    std::shuffle(running.begin(), running.end(), *QRandomGenerator::global());
    return running;
}

bool SimulatedWorkspace::terminate(const platform::RunningApplication& application)
{
    bool ended = false;
    QString error;
    const bool saved = m_stateFile.modify(
        [&](MacState& state) {
            StateFile::pruneEndedProcesses(state);
            const RunningApplication* running = state.findProcess(application.processId);
            if (!running) {
                return false;
            }
            if (!running->simulated) {
                // The process removes itself when it has quit.
                ended = requestTermination({running->processId, running->startTime});
                return false;
            }
            ended = state.removeProcess(application.processId);
            return true;
        },
        &error);
    if (!saved) {
        qWarning("Simulated Mac: %s cannot be terminated: %s", qPrintable(application.localizedName),
            qPrintable(error));
    }
    return saved && ended;
}

QString SimulatedWorkspace::applicationLocation(const QString& bundleIdentifier) const
{
    const std::optional<ApplicationBundle> bundle
        = findApplicationWithIdentifier(applicationsFolder(), bundleIdentifier);
    return bundle ? bundle->path : QString();
}

QIcon SimulatedWorkspace::iconForFile(const QString& path) const
{
    const std::optional<ApplicationBundle> bundle = readApplicationBundle(path);
    if (bundle && !bundle->iconFile.isEmpty() && QImageReader(bundle->iconFile).canRead()) {
        return QIcon(bundle->iconFile);
    }
    return genericApplicationIcon();
}

} // namespace simulated

std::unique_ptr<platform::Workspace> platform::createWorkspace(QObject* parent)
{
    return std::make_unique<simulated::SimulatedWorkspace>(parent);
}
