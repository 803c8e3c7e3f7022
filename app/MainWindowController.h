#pragma once

#include "CustomWindow.h"

#include <QObject>

// Owns the main window: when the window loads it becomes the delegate's main window and takes the
// application's name as its title. Its first content is the start screen.
class MainWindowController : public QObject
{
    Q_OBJECT

public:
    explicit MainWindowController(QObject* parent = nullptr);
    ~MainWindowController() override;

    CustomWindow* window() const { return m_window; }

private:
    void windowDidLoad();

    CustomWindow* m_window;
};
