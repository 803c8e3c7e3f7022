#include "LaunchAgent.h"

#include "CommandRunner.h"
#include "Diagnostics.h"
#include "platform.h"

#include <QDir>
#include <QFile>

#include <filesystem>

namespace {

const QString bundledAgent = QStringLiteral(":/com.mac.brevak.plist");

} // namespace

QString LaunchAgent::folder()
{
    return platform::homeFolder() + "/Library/LaunchAgents";
}

QString LaunchAgent::destination()
{
    return folder() + "/com.mac.brevak.plist";
}

void LaunchAgent::install()
{
    if (!QDir(folder()).exists()) {
        std::error_code error;
        std::filesystem::create_directories(folder().toStdString(), error);
        if (error) {
            diagnostics::printLine(
                "Error creating LaunchAgents folder: " + QString::fromStdString(error.message()));
        } else {
            diagnostics::printLine("LaunchAgents Folder Created");
        }
    }

    // QFile::copy never replaces an existing file: an installed agent stays as it is.
    QFile source(bundledAgent);
    if (!source.copy(destination())) {
        diagnostics::printLine("Error copying .plist file: " + source.errorString());
        return;
    }
    // Files copied out of the resources keep their read-only mode; the user owns this copy.
    QFile::setPermissions(destination(),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    diagnostics::printLine("copied plist file to LaunchAgents folder");
}

void LaunchAgent::load(const QObject* context, std::function<void()> done)
{
    CommandRunner::shared().runProgram(platform::launchctlPath(), {QStringLiteral("load"), destination()},
        context, [done = std::move(done)](const QString& output) {
            diagnostics::printLine("Load Plist - " + output);
            if (done) {
                done();
            }
        });
}

void LaunchAgent::uninstall(const QObject* context, std::function<void()> done)
{
    CommandRunner::shared().runProgram(platform::launchctlPath(), {QStringLiteral("unload"), destination()},
        context, [done = std::move(done)](const QString& output) {
            diagnostics::printLine("Unload Plist - " + output);
            QFile agent(destination());
            if (agent.exists() && !agent.remove()) {
                diagnostics::printLine("Error removing .plist file: " + agent.errorString());
            }
            if (done) {
                done();
            }
        });
}
