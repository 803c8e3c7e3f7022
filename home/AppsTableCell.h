#pragma once

#include <QFrame>

class QLabel;
class Switch;

// One row of the application list: the application's icon, its name and the switch that blocks it.
class AppsTableCell : public QFrame
{
    Q_OBJECT

public:
    explicit AppsTableCell(QWidget* parent = nullptr);

    QLabel* imgAppLogo() const { return m_imgAppLogo; }
    QLabel* appName() const { return m_appName; }
    Switch* appSwitch() const { return m_appSwitch; }

private:
    QLabel* m_imgAppLogo; // the children are owned by this cell
    QLabel* m_appName;
    Switch* m_appSwitch;
};
