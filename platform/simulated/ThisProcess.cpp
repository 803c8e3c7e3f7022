#include "ThisProcess.h"

#include "Processes.h"
#include "platform.h"

namespace simulated {

RunningApplication& registerThisProcess(MacState& state)
{
    const ProcessIdentity self = currentProcess();
    RunningApplication* entry = state.findProcess(self.processId);
    if (entry && !entry->simulated && entry->startTime == self.startTime) {
        return *entry;
    }
    state.removeProcess(self.processId); // an earlier process with the same id has ended
    RunningApplication application;
    application.processId = self.processId;
    application.startTime = self.startTime;
    application.simulated = false;
    application.bundleIdentifier = QString::fromLatin1(platform::ownBundleIdentifier);
    application.localizedName = QStringLiteral("BREVAK");
    application.bundlePath = platform::applicationBundle();
    state.runningApplications.append(application);
    return state.runningApplications.last();
}

bool unregisterThisProcess(MacState& state)
{
    return state.removeProcess(currentProcess().processId);
}

} // namespace simulated
