#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QObject;

// The per-user launch agent that starts BREVAK at login and again when it is killed. Its file is made
// from the application's resources and names the running copy's program; an installed file that names
// another (an older copy, a copy since moved) is replaced and loaded anew. It is loaded at every launch
// and every orderly quit.
class LaunchAgent
{
public:
    static QString folder(); // <home>/Library/LaunchAgents
    static QString destination(); // <home>/Library/LaunchAgents/com.mac.brevak.plist
    // The agent's file for a program: the bundled one with the program as ProgramArguments.
    static QByteArray contentFor(const QString& program);

    // Creates the folder when missing and writes the agent into it when it is missing or differs,
    // printing what happened.
    void install();
    // Runs launchctl load on the installed file and prints its output; then `done` runs. An agent
    // replaced by install() is unloaded first, so that launchd takes the new program. Both happen
    // only while `context` lives.
    void load(const QObject* context, std::function<void()> done = {});
    // Runs launchctl unload on the installed file, then deletes it, printing both outcomes, so that
    // nothing tries to start a program that is gone; then `done` runs. Only while `context` lives.
    void uninstall(const QObject* context, std::function<void()> done = {});

private:
    bool m_reloadNeeded = false;
};
