#pragma once

#include <QDialog>

// Stands in for a screen that is not part of this version yet, and says so plainly. As a sheet it
// has a Close button; as the content of a window it has none.
class PlaceholderScreen : public QDialog
{
    Q_OBJECT

public:
    enum class Kind { view, sheet };

    PlaceholderScreen(const QString& title, Kind kind, QWidget* parent = nullptr);
};
