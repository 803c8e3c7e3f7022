#pragma once

#include <QMainWindow>
#include <QPointer>

class QDialog;

// The main window. Its content is one screen at a time (the start screen or the home screen), and
// secondary screens are sheets begun on it.
class CustomWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit CustomWindow(QWidget* parent = nullptr);

    QWidget* contentViewController() const { return centralWidget(); }
    // Replaces the content; the previous screen is deleted.
    void setContentViewController(QWidget* controller);

    // Fixes the window's size (its minimum and maximum content size).
    void setContentSizeLimits(const QSize& size);

    // Shows `sheet` window-modally on this window, without a nested event loop. A sheet that belongs
    // to another window, or to none, becomes this window's.
    void beginSheet(QDialog* sheet);
    // The sheet open on this window, if any.
    QDialog* attachedSheet() const;
    void endSheet(QDialog* sheet);
};
