#include "PinProtectionOff.h"

#include "ChangePin.h"
#include "CustomWindow.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "NotificationCenter.h"
#include "PinRequests.h"
#include "PinState.h"
#include "SettingsStore.h"
#include "VerifyPin.h"
#include "ui_PinProtectionOff.h"

PinProtectionOff::PinProtectionOff(MainWindowHost& host, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::PinProtectionOff>())
    , m_host(host)
    , m_verifyPinWC(new VerifyPin(host, this))
{
    setObjectName(QStringLiteral("PinProtectionOff"));
    m_ui->setupUi(this);
    localization::followLanguage(this, [this] { setTexts(); });

    connect(m_ui->btnBack, &QPushButton::clicked, this, &PinProtectionOff::tappedBackButton);
    connect(m_ui->btnChangePin, &QPushButton::clicked, this, &PinProtectionOff::changePin);
    connect(m_ui->btnDisablePin, &QPushButton::clicked, this, &PinProtectionOff::disablePin);
    connect(&m_request, &PendingRequest::changed, this, [this] {
        for (QPushButton* button : {m_ui->btnChangePin, m_ui->btnDisablePin, m_ui->btnBack}) {
            button->setEnabled(!m_request.isOut());
        }
    });
}

PinProtectionOff::~PinProtectionOff() = default;

void PinProtectionOff::endSheet()
{
    if (CustomWindow* mainWindow = m_host.mainWindow()) {
        mainWindow->endSheet(this);
    }
}

void PinProtectionOff::setTexts()
{
    setWindowTitle(localizedText(QStringLiteral("Pin Protection")));
    m_ui->lblYouWantToDisable->setText(
        localizedText(QStringLiteral("You want to disable pin protection or change pin?")));
    m_ui->lblPleaseConfirmYourChoice->setText(localizedText(QStringLiteral("Please confirm your choice")));
    m_ui->btnChangePin->setText(localizedText(QStringLiteral("Change Pin")));
    m_ui->btnDisablePin->setText(localizedText(QStringLiteral("Disable Pin")));
    m_ui->btnBack->setText(localizedText(QStringLiteral("Back")));
    // The longer French title gets a smaller type; the English one inherits its own again.
    QFont font;
    if (localization::currentLanguageCode() == QLatin1String("fr")) {
        font = m_ui->btnDisablePin->font();
        font.setPointSize(12);
    }
    m_ui->btnDisablePin->setFont(font);
}

void PinProtectionOff::tappedBackButton()
{
    NotificationCenter::shared().post(QString::fromLatin1(notifications::pinProtectionOff),
        SettingsStore::shared().boolValue(keys::isPinSeted));
    endSheet();
}

void PinProtectionOff::changePin()
{
    if (m_tempWindow) {
        m_tempWindow->deleteLater();
    }
    m_tempWindow = new ChangePin(m_host, this);
    endSheet();
    if (CustomWindow* mainWindow = m_host.mainWindow()) {
        mainWindow->beginSheet(m_tempWindow);
    }
}

void PinProtectionOff::disablePin()
{
    pendingPinAction = PinAction::removePin;
    if (SettingsStore::shared().boolValue(keys::isPinEnable)) {
        CustomWindow* mainWindow = m_host.mainWindow();
        if (mainWindow && m_verifyPinWC) {
            mainWindow->endSheet(this);
            mainWindow->beginSheet(m_verifyPinWC);
        }
        return;
    }
    m_request.start();
    pin_requests::removePin(
        m_request.decoded<DisablePinModel>([this](const std::optional<DisablePinModel>& record, bool) {
            pin_requests::applyRemoval(record, [self = QPointer<PinProtectionOff>(this)] {
                if (self) {
                    self->endSheet();
                }
            });
        }),
        m_request.failure());
}
