#include "CommandRunner.h"

#include "Diagnostics.h"
#include "platform.h"

#include <QProcess>

QString CommandRunner::runShellCommand(const QString& command)
{
    return runProgram(platform::shellPath(), {QStringLiteral("-c"), command});
}

CommandRunner& CommandRunner::shared()
{
    return SharedService<CommandRunner>::get();
}

ProcessCommandRunner::ProcessCommandRunner(std::chrono::milliseconds timeLimit)
    : m_timeLimit(timeLimit)
{ }

ProcessCommandRunner::Outcome ProcessCommandRunner::execute(
    const QString& executable, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessEnvironment(platform::commandEnvironment());
    process.start(executable, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted()) {
        return {QStringLiteral("Could not start %1: %2\n").arg(executable, process.errorString()), false};
    }

    bool timedOut = false;
    if (!process.waitForFinished(static_cast<int>(m_timeLimit.count()))) {
        timedOut = process.state() != QProcess::NotRunning;
        if (timedOut) {
            process.kill();
            process.waitForFinished();
        }
    }
    QString output = QString::fromUtf8(process.readAll());
    if (timedOut) {
        output += QStringLiteral("%1 did not end within %2 seconds and was stopped.\n")
                      .arg(executable, QString::number(static_cast<double>(m_timeLimit.count()) / 1000.0));
    }
    const bool succeeded
        = !timedOut && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return {output, succeeded};
}

QString ProcessCommandRunner::runProgram(const QString& executable, const QStringList& arguments)
{
    return execute(executable, arguments).output;
}

void ProcessCommandRunner::runAppleScript(const QString& source)
{
    // osascript prints the script's result on success and the error information on failure.
    const Outcome outcome = execute(platform::osascriptPath(), {QStringLiteral("-e"), source});
    QString text = outcome.output;
    while (text.endsWith('\n')) {
        text.chop(1);
    }
    if (!outcome.succeeded) {
        diagnostics::printLine("error: " + text);
    } else if (!text.isEmpty()) {
        diagnostics::printLine(text);
    }
}

QString quitApplicationScript(const QString& applicationName)
{
    QString escaped = applicationName;
    escaped.replace('\\', QLatin1String("\\\\")).replace('"', QLatin1String("\\\""));
    return QStringLiteral("tell application \"%1\"\nquit\nend tell").arg(escaped);
}
