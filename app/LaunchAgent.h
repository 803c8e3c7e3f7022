#pragma once

#include <QString>

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
    // Runs launchctl load on the installed file and prints its output.
    void load();
};
