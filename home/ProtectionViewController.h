#pragma once

#include "GatedActions.h"
#include "HomeSupport.h"
#include "LaunchAgent.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class MainWindowHost;
class QDialog;

namespace Ui {
class ProtectionViewController;
}

// The home screen's first page: whether website protection is on, the switch that turns it on or off,
// the network services it covers, and the ways to the PIN setup, the live chat and the uninstall.
// Turning protection off and uninstalling go through the PIN gate while PIN protection is on.
class ProtectionViewController : public QWidget, public GatedUninstall
{
    Q_OBJECT

public:
    explicit ProtectionViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~ProtectionViewController() override;

    // True while protection is off, so that the next press turns it on.
    bool protection() const { return m_protection; }
    // How a finished uninstall ends the process; at once, without the termination callbacks, unless
    // replaced.
    void setTermination(std::function<void()> terminate) { m_terminate = std::move(terminate); }

    void continueUninstall() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setTexts();
    void updateStateDisplay();
    void showServices();
    void onOffCenter();
    void switchProtection();
    void setupPinProtection();
    void liveChat();
    void uninstallApp();
    void uninstallSignedOut();
    void deleteApplication();
    void buttonToggle(const QVariant& object);
    void buttonDNSOnOff(const QVariant& object);
    void setBusy(bool busy);

    std::unique_ptr<Ui::ProtectionViewController> m_ui;
    MainWindowHost& m_host;
    QPointer<QWidget> m_liveChatWC;
    bool m_protection = true;
    // Whether `m_protection` comes from a reading of the network settings yet: until then the stored
    // wish is left alone.
    bool m_stateRead = false;
    bool m_uninstalling = false;
    QPointer<QDialog> m_windowController;
    OwnedGate m_verifyPinWC;
    LaunchAgent m_launchAgent;
    std::function<void()> m_terminate;
};
