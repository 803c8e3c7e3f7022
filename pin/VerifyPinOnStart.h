#pragma once

#include "PinGate.h"

#include <memory>

namespace Ui {
class VerifyPinOnStart;
}

// The start gate: the sheet over the main window at launch while a PIN is set. The server accepting
// the PIN opens the home screen; cancelling hides the window, and BREVAK keeps running in the menu bar.
class VerifyPinOnStart : public PinGate
{
    Q_OBJECT

public:
    explicit VerifyPinOnStart(MainWindowHost& host, QWidget* parent = nullptr);
    ~VerifyPinOnStart() override;

protected:
    void pinAccepted() override;
    void cancel() override;
    void retrieve() override;

private:
    std::unique_ptr<Ui::VerifyPinOnStart> m_ui;
};
