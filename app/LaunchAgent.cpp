#include "LaunchAgent.h"

#include "CommandRunner.h"
#include "Diagnostics.h"
#include "platform.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <filesystem>
#include <optional>
#include <utility>

namespace {

const QString bundledAgent = QStringLiteral(":/com.mac.brevak.plist");
// The program the bundled agent names; replaced by the running copy's.
const QByteArray bundledProgram = "<string>/Applications/BREVAK.app/Contents/MacOS/BREVAK</string>";

std::optional<QByteArray> readFile(const QString& path, QString* error = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return std::nullopt;
    }
    return file.readAll();
}

// Writes the whole file or nothing, readable by launchd and writable by the user alone (launchd
// refuses an agent that others could rewrite).
bool writeAgent(const QByteArray& content, QString* error)
{
    QSaveFile file(LaunchAgent::destination());
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()
        || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
            | QFileDevice::ReadOther)
        || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

QString LaunchAgent::folder()
{
    return platform::homeFolder() + "/Library/LaunchAgents";
}

QString LaunchAgent::destination()
{
    return folder() + "/com.mac.brevak.plist";
}

QByteArray LaunchAgent::contentFor(const QString& program)
{
    QByteArray content = readFile(bundledAgent).value_or(QByteArray());
    const QByteArray programElement = "<string>" + program.toHtmlEscaped().toUtf8() + "</string>";
    return content.replace(bundledProgram, programElement);
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

    const QString program = platform::launchAgentProgram();
    if (program.isEmpty()) {
        diagnostics::printLine(QStringLiteral("The launch agent is left as it is: this copy of BREVAK runs "
                                              "from a place that will be gone at the next login"));
        return;
    }
    const QByteArray wanted = contentFor(program);
    const std::optional<QByteArray> installed = readFile(destination());
    if (installed == wanted) {
        diagnostics::printLine("Error copying .plist file: " + destination() + " already exists");
        return;
    }
    QString error;
    if (!writeAgent(wanted, &error)) {
        diagnostics::printLine("Error copying .plist file: " + error);
        return;
    }
    if (installed) {
        diagnostics::printLine("Replaced the launch agent " + destination() + ": it now starts " + program);
        m_reloadNeeded = true;
    } else {
        diagnostics::printLine("copied plist file to LaunchAgents folder");
    }
}

void LaunchAgent::load(const QObject* context, std::function<void()> done)
{
    const auto loadAgent = [context, done = std::move(done)] {
        CommandRunner::shared().runProgram(platform::launchctlPath(), {QStringLiteral("load"), destination()},
            context, [done](const QString& output) {
                diagnostics::printLine("Load Plist - " + output);
                if (done) {
                    done();
                }
            });
    };
    if (!std::exchange(m_reloadNeeded, false)) {
        loadAgent();
        return;
    }
    CommandRunner::shared().runProgram(platform::launchctlPath(), {QStringLiteral("unload"), destination()},
        context, [loadAgent](const QString& output) {
            diagnostics::printLine("Unload Plist - " + output);
            loadAgent();
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
