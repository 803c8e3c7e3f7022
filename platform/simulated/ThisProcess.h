#pragma once

#include "MacState.h"

namespace simulated {

// The entry of this BREVAK process among the running applications, added when it is missing (a
// process registers when its workspace starts, or when it first changes its activation policy).
RunningApplication& registerThisProcess(MacState& state);
// Removes this process's entry; true when there was one.
bool unregisterThisProcess(MacState& state);

} // namespace simulated
