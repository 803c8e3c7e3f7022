#pragma once

#include "SharedService.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

// The one way BREVAK runs system programs and AppleScript. Nothing here waits for a program: every
// call returns at once and its completion runs later, on the thread that made the call, once the
// program has ended. A completion runs only while its `context` still lives, so an object that goes
// away is never called back. Standard output and standard error arrive joined in one text, in the
// order the program wrote them.
class CommandRunner
{
public:
    using Completion = std::function<void(const QString& output)>;
    using Registration = SharedService<CommandRunner>::Registration;

    virtual ~CommandRunner() = default;

    // `completion` gets the program's joined output, decoded as UTF-8 and unchanged (trailing line
    // breaks stay; the empty text means the program wrote nothing).
    virtual void runProgram(const QString& executable, const QStringList& arguments, const QObject* context,
        Completion completion)
        = 0;
    // Runs the AppleScript source and prints its outcome; `done`, when given, runs after that.
    virtual void runAppleScript(
        const QString& source, const QObject* context = nullptr, std::function<void()> done = {})
        = 0;

    // `runProgram` of the shell with "-c" and the command text.
    void runShellCommand(const QString& command, const QObject* context, Completion completion);

    // The registered runner: the application's (ApplicationServices), or a test's fake.
    static CommandRunner& shared();
};

// Runs programs as processes with the stand-in aware environment of the platform and no standard
// input, driven by the event loop. A program still running at the time limit is killed and its
// output so far is delivered, with a line that says so. Programs still running when the runner goes
// are killed.
class ProcessCommandRunner : public QObject, public CommandRunner
{
    Q_OBJECT

public:
    explicit ProcessCommandRunner(std::chrono::milliseconds timeLimit = std::chrono::seconds(30));
    ~ProcessCommandRunner() override;

    void runProgram(const QString& executable, const QStringList& arguments, const QObject* context,
        Completion completion) override;
    void runAppleScript(const QString& source, const QObject* context, std::function<void()> done) override;

private:
    struct Outcome
    {
        QString output;
        bool succeeded = false; // started, ended by itself, exit status 0
    };
    void execute(const QString& executable, const QStringList& arguments, const QObject* context,
        std::function<void(const Outcome&)> finished);

    std::chrono::milliseconds m_timeLimit;
};

// The name as an AppleScript string literal: in double quotes, with `"` and `\` escaped, so that no
// name can end the string early and add commands of its own.
QString appleScriptQuoted(const QString& text);

// The three-line AppleScript that asks the named application to quit. `"` and `\` in the name are
// escaped, so no name can end the string early and add commands of its own.
QString quitApplicationScript(const QString& applicationName);

// The name as one word of a zsh command: in single quotes, a quote inside written as '\''. Nothing in
// it is then expanded or run, whatever it holds ($, `, \, ", ;, blanks).
QString shellQuoted(const QString& word);
