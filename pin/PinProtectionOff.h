#pragma once

#include "ChangePin.h"
#include "PendingRequest.h"
#include "VerifyPin.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class MainWindowHost;

namespace Ui {
class PinProtectionOff;
}

// The sheet that the PIN switch opens when it is turned off: give up the PIN (through the PIN gate
// while PIN protection is on) or change it. Each way out posts `pin_protection_off` with the state the
// switch is to show.
class PinProtectionOff : public QDialog
{
    Q_OBJECT

public:
    explicit PinProtectionOff(MainWindowHost& host, QWidget* parent = nullptr);
    ~PinProtectionOff() override;

    VerifyPin* verifyPinSheet() const { return m_verifyPinWC; }
    ChangePin* changePinSheet() const { return m_tempWindow; }

private:
    void setTexts();
    void tappedBackButton();
    void changePin();
    void disablePin();
    void endSheet();

    std::unique_ptr<Ui::PinProtectionOff> m_ui;
    MainWindowHost& m_host;
    QPointer<ChangePin> m_tempWindow; // owned by the window it is begun on
    QPointer<VerifyPin> m_verifyPinWC; // owned by this sheet until begun on the main window
    PendingRequest m_request;
};
