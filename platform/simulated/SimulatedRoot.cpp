#include "SimulatedRoot.h"

#include <QDir>
#include <QFile>
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

namespace {

QString offlineMarker()
{
    return rootFolder() + "/network-offline";
}

} // namespace

bool isNetworkOffline()
{
    return QFile::exists(offlineMarker());
}

void setNetworkOffline(bool offline)
{
    QDir().mkpath(rootFolder());
    if (offline) {
        QFile marker(offlineMarker());
        marker.open(QIODevice::WriteOnly);
    } else {
        QFile::remove(offlineMarker());
    }
}

} // namespace simulated
