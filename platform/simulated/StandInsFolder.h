#pragma once

#include <QString>

namespace platform {

// Where the stand-ins of the simulated Mac are: BREVAK_STANDINS_DIR, or next to the running program,
// where every BREVAK program is built.
QString standInsFolder();

} // namespace platform
