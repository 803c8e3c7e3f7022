#include "PinState.h"

#include "CustomWindow.h"
#include "VerifyPinOnStart.h"

#include <QPointer>

QDialog& processStartGate(MainWindowHost& host, CustomWindow& mainWindow)
{
    // Not owned here: the main window is its parent, so it ends with the windows, never after them.
    static QPointer<VerifyPinOnStart> gate;
    if (!gate) {
        gate = new VerifyPinOnStart(host, &mainWindow);
    }
    return *gate;
}
