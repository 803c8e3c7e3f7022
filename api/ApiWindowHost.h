#pragma once

// What the API client needs from the application's windows. The application shell installs one
// (ApiManager::setWindowHost); without it the client acts as in a process without windows: no alert
// for an unreachable network, nothing to raise or replace when a session expires, while everything
// that does not touch a window (the settings wipe, the session flags) still happens.
class ApiWindowHost
{
public:
    virtual ~ApiWindowHost() = default;

    // The application delegate has a main window.
    virtual bool hasMainWindow() const = 0;
    // Brings the first of the application's windows, if any, to the front.
    virtual void raiseFrontWindow() = 0;
    // Ends the sheet attached to the main window, if there is one.
    virtual void endAttachedSheet() = 0;
    // Puts a new start screen ("ViewController") into the main window, fixes the window's content size
    // at 795 x 594 and makes its title bar opaque.
    virtual void showStartScreen() = 0;
};
