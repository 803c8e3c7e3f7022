#pragma once

#include <QString>

#include <functional>

class QObject;

// The per-user launch agent that starts BREVAK at login and again when it is killed. Its file is
// copied from the application's resources once, never replaced, and loaded at every launch and
// every orderly quit.
class LaunchAgent
{
public:
    static QString folder(); // <home>/Library/LaunchAgents
    static QString destination(); // <home>/Library/LaunchAgents/com.mac.brevak.plist

    // Creates the folder when missing and copies the agent into it, printing what happened.
    void install();
    // Runs launchctl load on the installed file and prints its output; then `done` runs. Both happen
    // only while `context` lives.
    void load(const QObject* context, std::function<void()> done = {});
    // Runs launchctl unload on the installed file, then deletes it, printing both outcomes, so that
    // nothing tries to start a program that is gone; then `done` runs. Only while `context` lives.
    void uninstall(const QObject* context, std::function<void()> done = {});
};
