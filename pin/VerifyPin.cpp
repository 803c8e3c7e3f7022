#include "VerifyPin.h"

#include "Alert.h"
#include "DNSConfiguration.h"
#include "Diagnostics.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "NotificationCenter.h"
#include "PinRequests.h"
#include "PinState.h"
#include "RetrivePinPage.h"
#include "SettingsStore.h"
#include "ui_VerifyPin.h"

namespace {

void post(const char* name, bool value)
{
    NotificationCenter::shared().post(QString::fromLatin1(name), value);
}

} // namespace

VerifyPin::VerifyPin(MainWindowHost& host, QWidget* parent)
    : PinGate(host, parent)
    , m_ui(std::make_unique<Ui::VerifyPin>())
{
    setObjectName(QStringLiteral("VerifyPin"));
    m_ui->setupUi(this);
    windowDidLoad({m_ui->lblEnterPinToVerify, m_ui->pinTF, m_ui->lblPinBlocked, m_ui->btnRetrieveMyPinCode,
        m_ui->btnCancel, m_ui->btnVerify});
    connect(&m_action, &PendingRequest::changed, this, &VerifyPin::updateControls);
}

VerifyPin::~VerifyPin() = default;

void VerifyPin::pinAccepted()
{
    switch (pendingPinAction) {
    case PinAction::uninstall:
        diagnostics::printLine(QStringLiteral("Uninstall App"));
        if (m_uninstall) {
            m_uninstall->continueUninstall();
        }
        SettingsStore::shared().setInteger(keys::attemp, 1);
        finish();
        return;
    case PinAction::protectionOff:
        turnProtectionOff();
        return;
    case PinAction::removePin:
        removePin();
        return;
    case PinAction::unblockApplication:
        if (m_applicationUnblock) {
            m_applicationUnblock->applyPendingSwitch();
        }
        finish();
        return;
    case PinAction::unblockWebsite:
        unblockWebsite();
        return;
    case PinAction::none:
        return;
    }
}

void VerifyPin::turnProtectionOff()
{
    m_action.start();
    DNSConfiguration::shared().closeProtection(m_action.answer<bool>([this](bool closed) {
        if (closed) {
            SettingsStore::shared().setBool(keys::dnsLastStatus, false);
            post(notifications::dnsState, false);
        } else {
            showAlert(messages::ooops(), messages::requiresAdminPrivileges());
            diagnostics::printLine(QStringLiteral("found error in close protaction"));
        }
        finish();
    }));
}

void VerifyPin::removePin()
{
    m_action.start();
    pin_requests::removePin(
        m_action.decoded<DisablePinModel>([this](const std::optional<DisablePinModel>& record, bool) {
            pin_requests::applyRemoval(record, [self = QPointer<VerifyPin>(this)] {
                if (self) {
                    self->finish();
                }
            });
        }),
        m_action.failure());
}

void VerifyPin::unblockWebsite()
{
    const std::optional<qint64> domainId
        = m_websiteRemoval ? m_websiteRemoval->pendingDomainId() : std::optional<qint64>();
    if (!domainId) {
        return;
    }
    m_action.start();
    pin_requests::unblockWebsite(*domainId,
        m_action.decoded<UnblockWebsiteModel>([this](const std::optional<UnblockWebsiteModel>& record, bool) {
            if (!record) {
                diagnostics::printLine(
                    QStringLiteral("========= Error decoding model response ============"));
            } else if (record->status) {
                if (m_websiteRemoval) {
                    m_websiteRemoval->removePendingRow();
                }
                finish();
            } else {
                showAlert(messages::ooops(), record->msg);
            }
        }),
        m_action.failure());
}

void VerifyPin::undecodedCheckAcknowledged()
{
    if (pendingPinAction == PinAction::removePin) {
        post(notifications::pinProtectionOff, SettingsStore::shared().boolValue(keys::isPinSeted));
    }
}

void VerifyPin::cancel()
{
    request().drop();
    switch (pendingPinAction) {
    case PinAction::removePin:
        post(notifications::pinProtectionOff, SettingsStore::shared().boolValue(keys::isPinSeted));
        break;
    case PinAction::unblockApplication:
        post(notifications::blockAppSwitchState, true);
        break;
    case PinAction::unblockWebsite:
        post(notifications::blackListWebsiteState, true);
        break;
    case PinAction::none:
    case PinAction::uninstall:
    case PinAction::protectionOff:
        break;
    }
    finish();
}

void VerifyPin::retrieve()
{
    retrieveFromStartGate = false;
    sendRetrieval([this](const QString& message) {
        if (!host().mainWindow()) {
            return;
        }
        retrievePage()->setServerMessage(message);
        retrievePage()->show();
        retrievePage()->raise();
        retrievePage()->activateWindow();
    });
}

void VerifyPin::finish()
{
    pinField().clear();
    endSheet();
}
