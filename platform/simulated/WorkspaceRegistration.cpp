#include "WorkspaceRegistration.h"

#include "Processes.h"
#include "ThisProcess.h"

#include <QDir>

#include <utility>

namespace simulated {

std::shared_ptr<WorkspaceRegistration> WorkspaceRegistration::acquire()
{
    static std::weak_ptr<WorkspaceRegistration> current;
    std::shared_ptr<WorkspaceRegistration> registration = current.lock();
    if (!registration) {
        registration.reset(new WorkspaceRegistration());
        current = registration;
    }
    return registration;
}

WorkspaceRegistration::WorkspaceRegistration()
{
    QString error;
    const bool registered = m_stateFile.modify(
        [](MacState& state) {
            StateFile::pruneEndedProcesses(state);
            registerThisProcess(state).listening = true;
            return true;
        },
        &error);
    if (!registered) {
        qWarning("Simulated Mac: this BREVAK is not registered as running: %s", qPrintable(error));
    }
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &WorkspaceRegistration::takeActivations);
    if (!QDir().mkpath(m_stateFile.folder()) || !m_watcher.addPath(m_stateFile.folder())) {
        qWarning(
            "Simulated Mac: activations cannot be heard (cannot watch %s)", qPrintable(m_stateFile.folder()));
    }
    takeActivations();
}

WorkspaceRegistration::~WorkspaceRegistration()
{
    QString error;
    if (!m_stateFile.modify(&unregisterThisProcess, &error)) {
        qWarning("Simulated Mac: this BREVAK stays listed as running: %s", qPrintable(error));
    }
}

void WorkspaceRegistration::takeActivations()
{
    // Most changes of the folder are not for this process; a read without the lock tells.
    const std::optional<MacState> current = m_stateFile.read();
    if (current) {
        const ProcessIdentity self = currentProcess();
        const RunningApplication* entry = current->findProcess(self.processId);
        if (entry && entry->listening && entry->pendingActivations.isEmpty()) {
            return;
        }
    }
    QStringList activations;
    QString error;
    const bool taken = m_stateFile.modify(
        [&activations](MacState& state) {
            // The entry is back if the state was set up anew while this process ran.
            RunningApplication& self = registerThisProcess(state);
            const bool wasListening = self.listening;
            self.listening = true;
            activations = std::exchange(self.pendingActivations, {});
            return !wasListening || !activations.isEmpty();
        },
        &error);
    if (!taken) {
        qWarning("Simulated Mac: activations cannot be read: %s", qPrintable(error));
        return;
    }
    for (const QString& localizedName : std::as_const(activations)) {
        Q_EMIT activated(localizedName);
    }
}

} // namespace simulated
