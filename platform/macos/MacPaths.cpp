#include "platform.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

QString shellPath()
{
    return QStringLiteral("/bin/zsh");
}

QString launchctlPath()
{
    return QStringLiteral("/bin/launchctl");
}

QString osascriptPath()
{
    return QStringLiteral("/usr/bin/osascript");
}

QString applicationsFolder()
{
    return QStringLiteral("/Applications");
}

QString homeFolder()
{
    return QDir::homePath();
}

QString applicationBundle()
{
    return QStringLiteral("/Applications/BREVAK.app");
}

// The program is BREVAK.app/Contents/MacOS/BREVAK.
QString pluginsFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../PlugIns"));
}

// The system programs find what they need on the user's own PATH.
QProcessEnvironment commandEnvironment()
{
    return QProcessEnvironment::systemEnvironment();
}

} // namespace platform
