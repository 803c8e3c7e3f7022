#pragma once

#include <QString>

class MainWindowHost;
class QAbstractButton;
class QDialog;
class QWidget;

// How the account sheets hand over to one another on the main window: each ends its own sheet and
// begins the next one; a sheet begun here goes away once it has ended.
namespace sheets {

// Begins the sheet `identifier` (a window controller of the storyboard) on the main window; the
// sheet, or null when there is no main window.
QDialog* begin(MainWindowHost& host, const QString& identifier);
// Ends the sheet that shows `content`.
void end(MainWindowHost& host, QWidget* content);
// Ends the sheet that shows `content` and begins the sheet `identifier` in its place.
void replace(MainWindowHost& host, QWidget* content, const QString& identifier);
// Escape presses `cancel`, as in a macOS sheet, rather than closing the sheet's window and leaving
// the main window with nothing to go on with.
void cancelOnEscape(QWidget* content, QAbstractButton* cancel);

} // namespace sheets
