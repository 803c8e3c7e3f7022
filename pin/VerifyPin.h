#pragma once

#include "GatedActions.h"
#include "PinGate.h"

#include <memory>

namespace Ui {
class VerifyPin;
}

// The in-app PIN gate: a sheet before an action that weakens protection. The requesting screen writes
// the waiting action into `pendingPinAction` and begins this sheet; when the server accepts the PIN the
// gate carries the action out itself, and when the user cancels it posts the notification that lets
// the screen put its control back. Each requesting screen owns its own gate.
class VerifyPin : public PinGate
{
    Q_OBJECT

public:
    explicit VerifyPin(MainWindowHost& host, QWidget* parent = nullptr);
    ~VerifyPin() override;

    // The home screen's actions (GatedActions.h), not owned; each requesting screen sets its own.
    void setUninstall(GatedUninstall* uninstall) { m_uninstall = uninstall; }
    void setApplicationUnblock(GatedApplicationUnblock* unblock) { m_applicationUnblock = unblock; }
    void setWebsiteRemoval(GatedWebsiteRemoval* removal) { m_websiteRemoval = removal; }

protected:
    bool actionUnderWay() const override { return m_action.isOut(); }
    void pinAccepted() override;
    void undecodedCheckAcknowledged() override;
    void cancel() override;
    void retrieve() override;

private:
    void turnProtectionOff();
    void removePin();
    void unblockWebsite();
    // Empties the PIN field and ends the sheet: the action is done.
    void finish();

    std::unique_ptr<Ui::VerifyPin> m_ui;
    PendingRequest m_action; // the accepted action's own request
    GatedUninstall* m_uninstall = nullptr;
    GatedApplicationUnblock* m_applicationUnblock = nullptr;
    GatedWebsiteRemoval* m_websiteRemoval = nullptr;
};
