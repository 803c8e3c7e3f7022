#pragma once

#include "SharedService.h"

#include <QString>
#include <QStringList>

#include <chrono>

// The one way BREVAK runs system programs and AppleScript. Every call is synchronous; standard
// output and standard error arrive joined in one text, in the order the program wrote them.
class CommandRunner
{
public:
    using Registration = SharedService<CommandRunner>::Registration;

    virtual ~CommandRunner() = default;

    // The program's joined output, decoded as UTF-8 and returned unchanged (trailing line breaks
    // stay; the empty text means the program wrote nothing).
    virtual QString runProgram(const QString& executable, const QStringList& arguments) = 0;
    // Runs the AppleScript source and prints its outcome; the caller learns nothing.
    virtual void runAppleScript(const QString& source) = 0;

    // `runProgram` of the shell with "-c" and the command text.
    QString runShellCommand(const QString& command);

    // The registered runner: the application's (ApplicationServices), or a test's fake.
    static CommandRunner& shared();
};

// Runs programs as processes with the stand-in aware environment of the platform, no standard
// input, and a time limit after which the program is killed.
class ProcessCommandRunner : public CommandRunner
{
public:
    explicit ProcessCommandRunner(std::chrono::milliseconds timeLimit = std::chrono::seconds(30));

    QString runProgram(const QString& executable, const QStringList& arguments) override;
    void runAppleScript(const QString& source) override;

private:
    struct Outcome
    {
        QString output;
        bool succeeded = false; // started, ended by itself, exit status 0
    };
    Outcome execute(const QString& executable, const QStringList& arguments);

    std::chrono::milliseconds m_timeLimit;
};

// The three-line AppleScript that asks the named application to quit. `"` and `\` in the name are
// escaped, so no name can end the string early and add commands of its own.
QString quitApplicationScript(const QString& applicationName);
