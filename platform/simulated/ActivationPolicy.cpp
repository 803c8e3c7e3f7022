#include "StateFile.h"
#include "ThisProcess.h"
#include "windowing.h"

// On the simulated Mac there is no Dock: the policy is recorded so that brevak-simctl state shows
// that BREVAK runs from the menu bar only.
void platform::setAccessoryActivationPolicy()
{
    QString error;
    const bool saved = simulated::StateFile().modify(
        [](simulated::MacState& state) {
            simulated::registerThisProcess(state).menuBarOnly = true;
            return true;
        },
        &error);
    if (!saved) {
        qWarning("Simulated Mac: the menu-bar-only policy is not recorded: %s", qPrintable(error));
    }
}
