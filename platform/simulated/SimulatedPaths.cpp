#include "SimulatedRoot.h"
#include "StandInsFolder.h"
#include "platform.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

QString standInsFolder()
{
    const QString configured = qEnvironmentVariable("BREVAK_STANDINS_DIR");
    if (!configured.isEmpty()) {
        return QDir(configured).absolutePath();
    }
    return QCoreApplication::applicationDirPath();
}

QString shellPath()
{
    return QStringLiteral("/bin/zsh");
}

QString launchctlPath()
{
    return standInsFolder() + "/launchctl";
}

QString osascriptPath()
{
    return standInsFolder() + "/osascript";
}

QString applicationsFolder()
{
    return simulated::applicationsFolder();
}

QString homeFolder()
{
    return simulated::homeFolder();
}

QString applicationBundle()
{
    return simulated::applicationsFolder() + "/BREVAK.app";
}

// The simulated Mac's launchd is the stand-in launchctl, which starts nothing: the agent names the
// program that runs, as on macOS.
QString launchAgentProgram()
{
    return QCoreApplication::applicationFilePath();
}

QString pluginsFolder()
{
    return QCoreApplication::applicationDirPath();
}

QProcessEnvironment commandEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString path = environment.value("PATH");
    environment.insert("PATH", path.isEmpty() ? standInsFolder() : standInsFolder() + ':' + path);
    environment.insert("BREVAK_SIMULATED_ROOT", simulated::rootFolder());
    environment.insert("HOME", simulated::homeFolder());
    return environment;
}

} // namespace platform
