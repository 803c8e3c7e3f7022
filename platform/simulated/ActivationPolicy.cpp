#include "StateFile.h"
#include "ThisProcess.h"
#include "windowing.h"

namespace {

// On the simulated Mac there is no Dock: the policy is recorded so that brevak-simctl state shows
// whether BREVAK runs from the menu bar only.
void recordMenuBarOnly(bool menuBarOnly)
{
    QString error;
    const bool saved = simulated::StateFile().modify(
        [menuBarOnly](simulated::MacState& state) {
            simulated::registerThisProcess(state).menuBarOnly = menuBarOnly;
            return true;
        },
        &error);
    if (!saved) {
        qWarning("Simulated Mac: the activation policy is not recorded: %s", qPrintable(error));
    }
}

} // namespace

void platform::setAccessoryActivationPolicy()
{
    recordMenuBarOnly(true);
}

void platform::setRegularActivationPolicy()
{
    recordMenuBarOnly(false);
}
