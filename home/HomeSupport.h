#pragma once

#include "VerifyPin.h"

#include <QPointer>

class MainWindowHost;
class QDialog;
class QTableWidget;
class QWidget;

// The in-app PIN gate that a screen owns. Begun as a sheet, the gate becomes a child of the main
// window; the screen still owns it and deletes it when the screen goes, so the gate never calls back
// into a screen that is gone.
class OwnedGate
{
public:
    explicit OwnedGate(VerifyPin* gate)
        : m_gate(gate)
    { }
    ~OwnedGate() { delete m_gate.data(); }
    OwnedGate(const OwnedGate&) = delete;
    OwnedGate& operator=(const OwnedGate&) = delete;

    VerifyPin* get() const { return m_gate; }

private:
    QPointer<VerifyPin> m_gate;
};

namespace home {

// Begins `sheet` on the main window; false, and nothing shown, while there is none.
bool beginSheet(MainWindowHost& host, QDialog* sheet);

// What a logout leaves: the session flags of a signed-out user and a new start screen in the main
// window, which routes to the sign-in sheet. The home screen, and whoever called this, is deleted.
void showStartScreen(MainWindowHost& host);

// A one-column list of widget rows, as the home screen's lists are drawn.
void styleRowTable(QTableWidget* table, int rowHeight);

// The row of `table` whose cell holds `widget`, or -1 when no row holds it any more.
int rowContaining(const QTableWidget* table, const QWidget* widget);

} // namespace home
