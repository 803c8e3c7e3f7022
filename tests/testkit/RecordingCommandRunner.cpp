#include "RecordingCommandRunner.h"

#include "platform.h"

#include <QPointer>

void RecordingCommandRunner::runProgram(
    const QString& executable, const QStringList& arguments, const QObject* context, Completion completion)
{
    const bool isShell
        = executable == platform::shellPath() && arguments.size() == 2 && arguments.first() == "-c";
    const QString command = isShell ? arguments.last() : (QStringList {executable} + arguments).join(' ');
    m_commands.append(command);
    // The answer is what the program finds now; the caller hears it later.
    const QString output = m_answers.contains(command) ? m_answers.value(command)
        : m_responder                                  ? m_responder(command)
                                                       : QString();
    QMetaObject::invokeMethod(
        this,
        [caller = QPointer<const QObject>(context), completion = std::move(completion), output] {
            if (caller) {
                completion(output);
            }
        },
        Qt::QueuedConnection);
}

void RecordingCommandRunner::runAppleScript(
    const QString& source, const QObject* context, std::function<void()> done)
{
    m_commands.append("applescript: " + source);
    if (done) {
        QMetaObject::invokeMethod(
            this,
            [caller = QPointer<const QObject>(context), done = std::move(done)] {
                if (caller) {
                    done();
                }
            },
            Qt::QueuedConnection);
    }
}
