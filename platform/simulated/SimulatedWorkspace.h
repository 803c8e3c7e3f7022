#pragma once

#include "StateFile.h"
#include "WorkspaceRegistration.h"
#include "windowing.h"

#include <memory>

namespace simulated {

// The workspace of the simulated Mac: running applications and activations from its state file,
// applications and icons from its Applications folder.
class SimulatedWorkspace : public platform::Workspace
{
    Q_OBJECT

public:
    explicit SimulatedWorkspace(QObject* parent = nullptr);

    QList<platform::RunningApplication> runningApplications(const QString& bundleIdentifier) const override;
    // A running BREVAK receives SIGTERM, which it turns into an orderly quit
    // (platform::quitOnTerminationSignals); a simulated application just ends.
    bool terminate(const platform::RunningApplication& application) override;
    QString applicationLocation(const QString& bundleIdentifier) const override;
    QIcon iconForFile(const QString& path) const override;

private:
    std::shared_ptr<WorkspaceRegistration> m_registration;
    StateFile m_stateFile;
};

} // namespace simulated
