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

bool setNetworkOffline(bool offline)
{
    if (!offline) {
        return !QFile::exists(offlineMarker()) || QFile::remove(offlineMarker());
    }
    QFile marker(offlineMarker());
    return QDir().mkpath(rootFolder()) && marker.open(QIODevice::WriteOnly);
}

} // namespace simulated
