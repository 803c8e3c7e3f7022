#pragma once

#include "StateFile.h"

#include <QFileSystemWatcher>
#include <QObject>

#include <memory>

namespace simulated {

// This BREVAK process as the simulated Mac sees it: registered among the running applications while
// at least one workspace lives, and told of every activation. brevak-simctl queues each activation
// for every registered BREVAK in the state file; a watcher on the state folder wakes this process,
// which takes its queue under the lock, so no activation is lost or heard twice.
class WorkspaceRegistration : public QObject
{
    Q_OBJECT

public:
    // The registration of this process, shared by all its workspaces.
    static std::shared_ptr<WorkspaceRegistration> acquire();
    ~WorkspaceRegistration() override;

Q_SIGNALS:
    void activated(const QString& localizedName);

private:
    WorkspaceRegistration();
    void takeActivations();

    StateFile m_stateFile;
    QFileSystemWatcher m_watcher;
};

} // namespace simulated
