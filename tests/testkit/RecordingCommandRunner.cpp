#include "RecordingCommandRunner.h"

#include "platform.h"

QString RecordingCommandRunner::runProgram(const QString& executable, const QStringList& arguments)
{
    const bool isShell
        = executable == platform::shellPath() && arguments.size() == 2 && arguments.first() == "-c";
    const QString command = isShell ? arguments.last() : (QStringList {executable} + arguments).join(' ');
    m_commands.append(command);
    if (m_answers.contains(command)) {
        return m_answers.value(command);
    }
    return m_responder ? m_responder(command) : QString();
}

void RecordingCommandRunner::runAppleScript(const QString& source)
{
    m_commands.append("applescript: " + source);
}
