#pragma once

#include "StateFile.h"
#include "platform.h"

#include <QFileSystemWatcher>

namespace simulated {

// The network configuration of the simulated Mac: its services and their DNS servers in the state
// file. Every change replaces that file atomically (a new file renamed over it), which ends a watch
// on the file itself, so the folder is watched too and the file watched anew after each replacement.
// Changes that leave the services as they were (an activation, a launch agent) are not reported.
class StateFileNetworkWatcher : public platform::NetworkConfigurationWatcher
{
    Q_OBJECT

public:
    explicit StateFileNetworkWatcher(QObject* parent = nullptr);

    bool start() override;

private:
    void stateMayHaveChanged();
    // The services as the state file holds them, in one text; empty when it cannot be read.
    QString networkConfiguration() const;

    StateFile m_stateFile;
    QFileSystemWatcher m_watcher;
    QString m_reported;
};

} // namespace simulated
