#pragma once

#include <QtGlobal>

class CustomWindow;
class MainWindowHost;
class QDialog;

// State of the PIN gates that the whole process shares.

// The weakening action that waits for the in-app PIN gate. A requesting screen sets it just before it
// begins its gate (and also when it then acts without one); the gate reads it when the server answers
// and when the user cancels, and never resets it.
enum class PinAction : quint8 {
    none = 0,
    uninstall = 1,
    protectionOff = 2,
    removePin = 3,
    unblockApplication = 4,
    unblockWebsite = 5,
};

inline PinAction pendingPinAction = PinAction::none;

// Whether the last retrieval was asked for from the start gate: the retrieval page then offers a way
// back to it.
inline bool retrieveFromStartGate = false;

// The start gate that the retrieval page's Back leads to: one for the process, made on first use and
// owned by the main window it is begun on.
QDialog& processStartGate(MainWindowHost& host, CustomWindow& mainWindow);
