#pragma once

#include "CustomWindow.h"

#include <QObject>

#include <memory>

class AppDelegate;

// Owns the main window: when the window loads it becomes the delegate's main window and takes the
// application's name as its title. Its first content is the start screen, put in at the first turn
// of the event loop.
class MainWindowController : public QObject
{
    Q_OBJECT

public:
    explicit MainWindowController(AppDelegate& delegate, QObject* parent = nullptr);

    CustomWindow* window() const { return m_window.get(); }

private:
    void windowDidLoad(AppDelegate& delegate);

    std::unique_ptr<CustomWindow> m_window;
};
