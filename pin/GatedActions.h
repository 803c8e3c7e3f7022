#pragma once

#include <QtGlobal>

#include <optional>

// What the in-app PIN gate (VerifyPin) carries out on the home screen's pages once the server has
// accepted the PIN. A requesting screen implements the one it needs and hands it to its own gate
// (VerifyPin::setUninstall, setApplicationUnblock, setWebsiteRemoval) before it begins the gate. The
// gate does not own it: the screen owns its gate, so the action outlives the gate. Everything is
// called on the main thread.
//
// The screen's side of the contract, for each action: write `pendingPinAction` (PinState.h) with the
// action's code, keep the pending target the action below needs, then begin the gate as a sheet on
// the main window. When the user cancels the gate it posts the notification of the action (none for
// the uninstall), so that the screen can put its control back.

// Code 1, PinAction::uninstall: the protection screen's uninstall.
class GatedUninstall
{
public:
    virtual ~GatedUninstall() = default;

    // Goes on with the uninstall from the deletion of the application on, as the protection screen
    // does without a PIN. The gate then closes: what the uninstall shows or reports is the screen's.
    virtual void continueUninstall() = 0;
};

// Code 4, PinAction::unblockApplication: the application-blocking screen.
class GatedApplicationUnblock
{
public:
    virtual ~GatedApplicationUnblock() = default;

    // Runs the screen's apply routine with its pending switch and its pending state (the switch turned
    // off, waiting for the PIN). The gate then closes. Cancelling posts "BlockAppSwitchState" with true.
    virtual void applyPendingSwitch() = 0;
};

// Code 5, PinAction::unblockWebsite: the website blacklist.
class GatedWebsiteRemoval
{
public:
    virtual ~GatedWebsiteRemoval() = default;

    // The `id` of the blacklist row whose removal waits for the PIN; nothing when none waits (the gate
    // then sends nothing and stays open).
    virtual std::optional<qint64> pendingDomainId() const = 0;
    // Removes the pending row from the list, after the server has accepted its removal; the gate sends
    // that request itself and then closes. Cancelling posts "BlackListWebsiteState" with true.
    virtual void removePendingRow() = 0;
};
