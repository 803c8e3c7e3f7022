#include "SimulatedRoot.h"

#include <QDir>
#include <QStandardPaths>

namespace simulated {

QString rootFolder()
{
    const QString configured = qEnvironmentVariable("BREVAK_SIMULATED_ROOT");
    if (!configured.isEmpty()) {
        return QDir::cleanPath(QDir(configured).absolutePath());
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/brevak/simulated-mac";
}

QString applicationsFolder()
{
    return rootFolder() + "/Applications";
}

QString homeFolder()
{
    return rootFolder() + "/home";
}

} // namespace simulated
