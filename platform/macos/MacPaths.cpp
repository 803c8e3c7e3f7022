#include "platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QStorageInfo>

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

// The program is BREVAK.app/Contents/MacOS/BREVAK. A program outside a bundle (a bare build) has no
// bundle of its own; the installed one stands for it.
QString applicationBundle()
{
    const QString bundle = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../.."));
    return bundle.endsWith(QStringLiteral(".app")) ? bundle : QStringLiteral("/Applications/BREVAK.app");
}

// A copy opened from a disk image, or one that Gatekeeper's translocation runs from a random
// read-only place, is gone at the next login: launchd would retry it every ten seconds in vain.
QString launchAgentProgram()
{
    const QString program = QCoreApplication::applicationFilePath();
    if (QStorageInfo(program).isReadOnly()) {
        return {};
    }
    return program;
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
