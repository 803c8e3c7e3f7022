#pragma once

#include "CommandRunner.h"

#include <QHash>
#include <QStringList>

#include <functional>

// A command runner that runs nothing: it records every command and answers from a script the test
// sets up. It is the registered runner while it lives.
class RecordingCommandRunner : public CommandRunner
{
public:
    using Responder = std::function<QString(const QString& command)>;

    QString runProgram(const QString& executable, const QStringList& arguments) override;
    void runAppleScript(const QString& source) override;

    // Shell commands as their command text, other programs as the program and its arguments
    // joined by blanks, AppleScript as "applescript: " and the source.
    const QStringList& commands() const { return m_commands; }
    void clear() { m_commands.clear(); }

    // Fixed answer for one exact command; `setResponder` answers everything else.
    void answer(const QString& command, const QString& output) { m_answers.insert(command, output); }
    void setResponder(Responder responder) { m_responder = std::move(responder); }

private:
    QStringList m_commands;
    QHash<QString, QString> m_answers;
    Responder m_responder;
    Registration m_registration {*this};
};
