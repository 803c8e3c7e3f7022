#include "PinGate.h"

#include "Alert.h"
#include "CustomWindow.h"
#include "Diagnostics.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "OnlyIntegerValueFormatter.h"
#include "PinBlock.h"
#include "PinBlockNotice.h"
#include "PinRequests.h"
#include "RetrivePinPage.h"
#include "SecureTextField.h"
#include "SettingsStore.h"

#include <QLabel>
#include <QPushButton>

namespace {

const QString wrongPin = QStringLiteral("Please enter a valid otp.");
const QString blockedPin = QStringLiteral("Your pin has been bloked.");

} // namespace

PinGate::PinGate(MainWindowHost& host, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
    , m_retrievePage(new RetrivePinPage(host, this))
{ }

PinGate::~PinGate() = default;

qint64 PinGate::attemptAfterRefusal(qint64 attempt, const QString& message, bool blockedNow)
{
    if (message == wrongPin) {
        return blockedNow ? 1 : std::min(attempt + 1, allowedAttempts);
    }
    if (message == blockedPin && attempt >= allowedAttempts) {
        return 1;
    }
    return attempt;
}

void PinGate::windowDidLoad(const Outlets& outlets)
{
    m_outlets = outlets;
    localization::followLanguage(this, [this] { setTexts(); });
    m_outlets.pinTF->setValidator(new OnlyIntegerValueFormatter(m_outlets.pinTF));
    SettingsStore& settings = SettingsStore::shared();
    if (settings.integerValue(keys::attemp) < 1) {
        settings.setInteger(keys::attemp, 1);
    }
    m_blockNotice = new PinBlockNotice(m_outlets.lblPinBlocked, this);
    connect(m_blockNotice, &PinBlockNotice::changed, this, &PinGate::updateControls);
    connect(&m_request, &PendingRequest::changed, this, &PinGate::updateControls);
    connect(m_outlets.btnVerify, &QPushButton::clicked, this, &PinGate::verify);
    connect(m_outlets.btnCancel, &QPushButton::clicked, this, &PinGate::cancel);
    connect(m_outlets.btnRetrieve, &QPushButton::clicked, this, &PinGate::retrieve);
    updateControls();
}

void PinGate::setTexts()
{
    setWindowTitle(localizedText(QStringLiteral("Enter pin to verify")));
    m_outlets.lblEnterPinToVerify->setText(localizedText(QStringLiteral("Enter pin to verify")));
    m_outlets.pinTF->setPlaceholderText(localizedText(QStringLiteral("Enter pin")));
    m_outlets.pinTF->setAccessibleName(localizedText(QStringLiteral("PIN")));
    m_outlets.btnRetrieve->setText(localizedText(QStringLiteral("Retrieve my pin code by e-mail")));
    m_outlets.btnCancel->setText(localizedText(QStringLiteral("Cancel")));
    m_outlets.btnVerify->setText(localizedText(QStringLiteral("Verify")));
}

void PinGate::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The gate is made with the screen that owns it, often before the interface language is settled.
    setTexts();
    m_blockNotice->refresh();
    adjustSize();
    m_outlets.pinTF->setFocus();
}

void PinGate::updateControls()
{
    const bool busy = m_request.isOut() || actionUnderWay();
    m_outlets.btnVerify->setEnabled(!busy && !m_blockNotice->blocks());
    m_outlets.btnRetrieve->setEnabled(!busy);
    m_outlets.btnCancel->setEnabled(!actionUnderWay());
}

void PinGate::verify()
{
    m_attemp = SettingsStore::shared().pinAttempt();
    m_request.start();
    pin_requests::checkPin(m_attemp, m_outlets.pinTF->text(),
        m_request.decoded<BaseModel<CheckPinModel>>(
            [this](const std::optional<BaseModel<CheckPinModel>>& record, bool decoded) {
                handleCheck(record, decoded);
            }),
        m_request.failure());
}

void PinGate::handleCheck(const std::optional<BaseModel<CheckPinModel>>& record, bool decoded)
{
    if (!decoded || !record) {
        showAlert(messages::ooops(), messages::errorInPinVerify(), [self = QPointer<PinGate>(this)] {
            if (self) {
                self->undecodedCheckAcknowledged();
            }
        });
        return;
    }
    if (!record->status) {
        const bool blockedNow = record->data && record->data->isBlock == 1;
        m_attemp = attemptAfterRefusal(m_attemp, record->msg, blockedNow);
        SettingsStore::shared().setInteger(keys::attemp, m_attemp);
        m_blockNotice->refresh();
        showPinRefusal(record->msg);
        return;
    }
    pinAccepted();
}

void PinGate::endSheet()
{
    if (CustomWindow* mainWindow = m_host.mainWindow()) {
        mainWindow->endSheet(this);
    } else {
        close();
    }
}

void PinGate::sendRetrieval(std::function<void(const QString& message)> accepted)
{
    m_request.start();
    CommonWS::shared().retrievePin(
        m_request.decoded<BaseModel<RetrievePinModel>>(
            [accepted = std::move(accepted)](const std::optional<BaseModel<RetrievePinModel>>& record, bool) {
                if (!record) {
                    diagnostics::printLine(
                        QStringLiteral("========= Error decoding model response ============"));
                } else if (record->status) {
                    accepted(record->msg);
                } else {
                    showAlert(messages::ooops(), record->msg);
                }
            }),
        m_request.failure());
}
