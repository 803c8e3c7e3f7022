#pragma once

#include "setWaitingTimeWC.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class MainWindowHost;
class OnlyIntegerValueFormatter;

namespace Ui {
class PinProtectionWC;
}

// The first sheet of the PIN setup: the user types six digits, or draws a hidden PIN that is never
// shown ("to be sure to forget it"). "Set Pin" hands the PIN, in memory only, to the waiting-time
// sheet, which sends it to the server.
class PinProtectionWC : public QDialog
{
    Q_OBJECT

public:
    explicit PinProtectionWC(MainWindowHost& host, QWidget* parent = nullptr);
    ~PinProtectionWC() override;

    // The waiting-time sheet, once "Set Pin" has opened it.
    setWaitingTimeWC* waitingTimeSheet() const { return m_wc; }

private:
    void setTexts();
    void setPin();
    void randomPin();
    void cancel();
    void controlTextDidChange();
    // Back to an empty field that shows what is typed.
    void resetField();

    std::unique_ptr<Ui::PinProtectionWC> m_ui;
    MainWindowHost& m_host;
    QPointer<setWaitingTimeWC> m_wc; // owned by the window it is begun on
    OnlyIntegerValueFormatter* m_onlyIntFormatter; // child
};
