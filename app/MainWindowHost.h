#pragma once

class CustomWindow;

// What a screen needs from the application around it: the main window, on which every sheet is begun
// and whose content screens replace. The application delegate is the host; a test gives its own.
// Screens take it in their constructor instead of reaching up to the delegate.
class MainWindowHost
{
public:
    virtual ~MainWindowHost() = default;

    // The main window, or null while there is none.
    virtual CustomWindow* mainWindow() const = 0;
};
