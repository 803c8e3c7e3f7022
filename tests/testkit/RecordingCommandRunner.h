#pragma once

#include "CommandRunner.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>

// A command runner that runs nothing: it records every command when it is asked to run it and
// answers later, as a program would, from a script the test sets up. It is the registered runner
// while it lives.
class RecordingCommandRunner : public QObject, public CommandRunner
{
    Q_OBJECT

public:
    using Responder = std::function<QString(const QString& command)>;

    void runProgram(const QString& executable, const QStringList& arguments, const QObject* context,
        Completion completion) override;
    void runAppleScript(const QString& source, const QObject* context, std::function<void()> done) override;

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
