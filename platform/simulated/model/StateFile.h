#pragma once

#include "MacState.h"

#include <QString>

#include <functional>
#include <optional>

namespace simulated {

// The file that holds the simulated Mac's state, shared by every process that works with it: the
// stand-ins, brevak-simctl and each running BREVAK. Changes are made under an exclusive lock and
// written atomically, so readers never see half a file and no change is lost; a damaged file is
// reported, never replaced behind the user's back.
class StateFile
{
public:
    explicit StateFile(const QString& rootFolder);
    // The state file of the simulated Mac that BREVAK_SIMULATED_ROOT names.
    StateFile();

    QString path() const { return m_folder + QStringLiteral("/state.json"); }
    QString folder() const { return m_folder; } // watched by those who want to hear changes
    bool exists() const;

    // The current state; a Mac that has no state file yet reads as an empty one.
    std::optional<MacState> read(QString* error = nullptr) const;

    // Reads the state, lets `change` edit it and writes it back, all under the lock. `change` returns
    // false to leave the file untouched. False, with the reason in `error`, when the state could not
    // be read or written; nothing has changed then.
    bool modify(const std::function<bool(MacState&)>& change, QString* error = nullptr);

    // Writes `state` under the lock without reading the old file, which may be damaged.
    bool overwrite(const MacState& state, QString* error = nullptr);

    // Ends running applications whose process is gone (and their queued activations with them).
    static bool pruneEndedProcesses(MacState& state);

private:
    bool write(const MacState& state, QString* error);

    QString m_folder;
};

} // namespace simulated
