#pragma once

#include <QtGlobal>

namespace simulated {

// A real process, told apart from a later one that reuses its id by its start time.
struct ProcessIdentity
{
    qint64 processId = 0;
    qint64 startTime = 0;
};

ProcessIdentity currentProcess();
// True while that very process runs (a zombie counts as ended).
bool isRunning(const ProcessIdentity& process);
// Asks the process to quit in order (SIGTERM); false when it no longer runs or may not be signalled.
bool requestTermination(const ProcessIdentity& process);

} // namespace simulated
