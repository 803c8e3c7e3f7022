#pragma once

#include <QString>

#include <variant>
#include <vector>

// The few AppleScript sentences the simulated Mac understands: asking for an application's bundle
// identifier, or for a list of them, and telling an application to quit, in the forms macOS's script
// editor accepts.
namespace applescript {

struct Command
{
    // nothing: a script of blanks and comments; bundleIdentifiers: a list literal of bundleIdentifier
    // items, "{id of application "A", id of application "B"}".
    enum class Kind { nothing, bundleIdentifier, bundleIdentifiers, quit };

    Kind kind;
    QString applicationName; // the text of the string literal, escapes resolved
    qsizetype begin = 0; // where the application specifier starts and ends in the source, for errors
    qsizetype end = 0;
    std::vector<Command> items; // bundleIdentifiers: the list's items, in order
};

struct SyntaxError
{
    QString message; // as osascript prints it after "syntax error: "
    qsizetype begin = 0;
    qsizetype end = 0;
};

// The command that `source` states, or the reason it is not one.
std::variant<Command, SyntaxError> parse(const QString& source);

} // namespace applescript
