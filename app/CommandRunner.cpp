#include "CommandRunner.h"

#include "Diagnostics.h"
#include "platform.h"

#include <QPointer>
#include <QProcess>
#include <QTimer>

void CommandRunner::runShellCommand(const QString& command, const QObject* context, Completion completion)
{
    runProgram(platform::shellPath(), {QStringLiteral("-c"), command}, context, std::move(completion));
}

CommandRunner& CommandRunner::shared()
{
    return SharedService<CommandRunner>::get();
}

ProcessCommandRunner::ProcessCommandRunner(std::chrono::milliseconds timeLimit)
    : m_timeLimit(timeLimit)
{ }

ProcessCommandRunner::~ProcessCommandRunner()
{
    // Programs still running belong to nobody any more; their completions would find no caller.
    for (QProcess* process : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        process->disconnect();
        process->kill();
        process->waitForFinished();
    }
}

void ProcessCommandRunner::execute(const QString& executable, const QStringList& arguments,
    const QObject* context, std::function<void(const Outcome&)> finished)
{
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessEnvironment(platform::commandEnvironment());

    auto* timeLimit = new QTimer(process);
    timeLimit->setSingleShot(true);
    timeLimit->setInterval(m_timeLimit);
    auto timedOut = std::make_shared<bool>(false);
    const auto deliver = [process, timeLimit, caller = QPointer<const QObject>(context),
                             finished = std::move(finished)](const Outcome& outcome) {
        timeLimit->stop();
        process->disconnect();
        process->deleteLater();
        if (caller) {
            finished(outcome);
        }
    };

    connect(timeLimit, &QTimer::timeout, process, [process, timedOut] {
        *timedOut = true;
        process->kill();
    });
    connect(process, &QProcess::finished, process,
        [this, process, timedOut, executable, deliver](int exitCode, QProcess::ExitStatus status) {
            QString output = QString::fromUtf8(process->readAll());
            if (*timedOut) {
                output += QStringLiteral("%1 did not end within %2 seconds and was stopped.\n")
                              .arg(executable,
                                  QString::number(static_cast<double>(m_timeLimit.count()) / 1000.0));
            }
            deliver({output, !*timedOut && status == QProcess::NormalExit && exitCode == 0});
        });
    connect(process, &QProcess::errorOccurred, process,
        [process, executable, deliver](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart) {
                return; // the end of a program that started is reported by finished
            }
            const Outcome outcome {
                QStringLiteral("Could not start %1: %2\n").arg(executable, process->errorString()), false};
            // The failure may be known while start() still runs: the caller hears of it later all the same.
            QMetaObject::invokeMethod(
                process, [deliver, outcome] { deliver(outcome); }, Qt::QueuedConnection);
        });
    process->start(executable, arguments, QIODevice::ReadOnly);
    timeLimit->start();
}

void ProcessCommandRunner::runProgram(
    const QString& executable, const QStringList& arguments, const QObject* context, Completion completion)
{
    execute(executable, arguments, context,
        [completion = std::move(completion)](const Outcome& outcome) { completion(outcome.output); });
}

void ProcessCommandRunner::runAppleScript(
    const QString& source, const QObject* context, std::function<void()> done)
{
    // osascript prints the script's result on success and the error information on failure. The
    // outcome is printed even when nobody waits for it.
    execute(platform::osascriptPath(), {QStringLiteral("-e"), source}, this,
        [caller = QPointer<const QObject>(context), done = std::move(done)](const Outcome& outcome) {
            QString text = outcome.output;
            while (text.endsWith('\n')) {
                text.chop(1);
            }
            if (!outcome.succeeded) {
                diagnostics::printLine("error: " + text);
            } else if (!text.isEmpty()) {
                diagnostics::printLine(text);
            }
            if (done && caller) {
                done();
            }
        });
}

QString appleScriptQuoted(const QString& text)
{
    QString escaped = text;
    escaped.replace('\\', QLatin1String("\\\\")).replace('"', QLatin1String("\\\""));
    return '"' + escaped + '"';
}

QString quitApplicationScript(const QString& applicationName)
{
    return QStringLiteral("tell application %1\nquit\nend tell").arg(appleScriptQuoted(applicationName));
}

QString shellQuoted(const QString& word)
{
    QString quoted = word;
    quoted.replace('\'', QLatin1String("'\\''"));
    return '\'' + quoted + '\'';
}
