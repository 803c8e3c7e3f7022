#pragma once

#include <QString>

namespace simulated {

// The one folder that holds the simulated Mac: BREVAK_SIMULATED_ROOT when set, else a folder under
// the user's data folder. Every stand-in, brevak-simctl and the application agree on it.
QString rootFolder();

QString applicationsFolder(); // <root>/Applications
QString homeFolder(); // <root>/home, with Library/LaunchAgents inside

// The switch of `brevak-simctl network offline`: while it is on, the simulated Mac has no route to
// the internet whatever the host has.
bool isNetworkOffline();
bool setNetworkOffline(bool offline); // false when the switch could not be changed

} // namespace simulated
