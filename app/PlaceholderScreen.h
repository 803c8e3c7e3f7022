#pragma once

#include <QWidget>

// Stands in for a screen that is not part of this version yet, and says so plainly.
class PlaceholderScreen : public QWidget
{
    Q_OBJECT

public:
    enum class Kind {
        view, // the content of the main window
        sheet, // the content of a sheet: Cancel closes the sheet
    };

    PlaceholderScreen(const QString& title, Kind kind, QWidget* parent = nullptr);
};
