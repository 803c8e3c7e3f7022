#include "ChangePin.h"

#include "Alert.h"
#include "CustomWindow.h"
#include "Diagnostics.h"
#include "HiddenPin.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "NotificationCenter.h"
#include "OnlyIntegerValueFormatter.h"
#include "PinBlockNotice.h"
#include "PinRequests.h"
#include "SettingsStore.h"
#include "ui_ChangePin.h"

namespace {

void postPinProtectionOn()
{
    NotificationCenter::shared().post(QString::fromLatin1(notifications::pinProtectionOff), true);
}

} // namespace

ChangePin::ChangePin(MainWindowHost& host, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::ChangePin>())
    , m_host(host)
    , m_onlyIntFormatter(new OnlyIntegerValueFormatter(this))
{
    setObjectName(QStringLiteral("ChangePin"));
    m_ui->setupUi(this);
    m_blockNotice = new PinBlockNotice(m_ui->lblPinBlocked, this);
    localization::followLanguage(this, [this] { setTexts(); });
    // Heights that add up to the box's: 24 + 40 + 16 + 40 + 16 + 30 + 24 without the confirmation.
    for (SecureTextField* field : {m_ui->oldPinTF, m_ui->newPinTF, m_ui->confirmPinTF}) {
        field->setFixedHeight(40);
        // 280 in French, and always room for the whole placeholder beside the eye button.
        const int designed = localization::currentLanguageCode() == QLatin1String("fr") ? 280 : 240;
        field->setMinimumWidth(
            std::max(designed, field->fontMetrics().horizontalAdvance(field->placeholderText()) + 64));
        field->clear();
    }
    m_ui->btnRandomPin->setFixedHeight(30);
    showConfirmation(true);
    m_ui->newPinTF->setValidator(m_onlyIntFormatter);
    postPinProtectionOn();

    connect(m_ui->btnRandomPin, &QPushButton::clicked, this, &ChangePin::randomPin);
    connect(m_ui->newPinTF, &QLineEdit::textEdited, this, &ChangePin::newPinEdited);
    connect(m_ui->btnSubmit, &QPushButton::clicked, this, &ChangePin::submit);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &ChangePin::cancel);
    connect(&m_request, &PendingRequest::changed, this, &ChangePin::updateControls);
    connect(m_blockNotice, &PinBlockNotice::changed, this, &ChangePin::updateControls);
    updateControls();
}

ChangePin::~ChangePin() = default;

void ChangePin::setTexts()
{
    setWindowTitle(localizedText(QStringLiteral("Change Pin")));
    m_ui->lblChangePin->setText(localizedText(QStringLiteral("Change Pin")));
    const QList<std::pair<SecureTextField*, const char*>> fields {
        {m_ui->oldPinTF, "Old Pin"}, {m_ui->newPinTF, "New Pin"}, {m_ui->confirmPinTF, "New Pin Confirm"}};
    for (const auto& [field, placeholder] : fields) {
        field->setPlaceholderText(localizedText(QString::fromLatin1(placeholder)));
        field->setAccessibleName(field->placeholderText());
    }
    m_ui->btnCancel->setText(localizedText(QStringLiteral("Cancel")));
    m_ui->btnSubmit->setText(localizedText(QStringLiteral("Submit")));
    m_ui->btnRandomPin->setText(localizedText(QStringLiteral("Hidden PIN")));
}

void ChangePin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_blockNotice->refresh();
}

void ChangePin::updateControls()
{
    m_ui->btnSubmit->setEnabled(!m_request.isOut() && !m_blockNotice->blocks());
}

void ChangePin::showConfirmation(bool shown)
{
    m_ui->confirmPinTF->setVisible(shown);
    m_ui->boxFields->setFixedHeight(shown ? boxHeightWithConfirmation : boxHeightWithoutConfirmation);
    if (isVisible()) {
        adjustSize();
    }
}

void ChangePin::randomPin()
{
    const QString pin = drawHiddenPin();
    m_ui->newPinTF->setPasswordIsVisible(false);
    m_ui->newPinTF->setDisplayToggleButton(false);
    // Without the formatter any keystroke is an edit, even into the six digits, and discards them.
    m_ui->newPinTF->setValidator(nullptr);
    m_ui->newPinTF->setText(pin);
    m_ui->confirmPinTF->setText(pin);
    showConfirmation(false);
    m_hiddenPinDrawn = true;
}

void ChangePin::newPinEdited()
{
    if (!m_hiddenPinDrawn) {
        return;
    }
    m_hiddenPinDrawn = false;
    // Setting the texts also empties the fields' undo history, where the hidden PIN would linger.
    m_ui->newPinTF->setText(QString());
    m_ui->confirmPinTF->setText(QString());
    m_ui->newPinTF->setValidator(m_onlyIntFormatter);
    m_ui->newPinTF->setDisplayToggleButton(true);
    showConfirmation(true);
    m_ui->newPinTF->setFocus();
}

void ChangePin::submit()
{
    const QString newPin = m_ui->newPinTF->text();
    if (newPin != m_ui->confirmPinTF->text()) {
        showAlert(messages::ooops(), messages::confirmPasswordNotMatching());
    } else if (!isSixDigitPin(newPin)) {
        showAlert(messages::ooops(), messages::assignSixDigitPin());
    } else {
        m_request.start();
        pin_requests::updatePin(m_ui->oldPinTF->text(), newPin,
            m_request.decoded<BaseModel<UpdatePinModel>>(
                [this](const std::optional<BaseModel<UpdatePinModel>>& record, bool decoded) {
                    handleAnswer(record, decoded);
                }),
            m_request.failure());
    }
    postPinProtectionOn();
}

void ChangePin::handleAnswer(const std::optional<BaseModel<UpdatePinModel>>& record, bool decoded)
{
    if (!decoded || !record) {
        showAlert(messages::ooops(), messages::errorInPinSetup());
        return;
    }
    if (!record->status) {
        m_blockNotice->refresh();
        showPinRefusal(record->msg);
        return;
    }
    SettingsStore::shared().setBool(keys::isPinSeted, true);
    diagnostics::printLine(QStringLiteral("Setup Pin Model Response - ")
        + (record->data ? describe(*record->data) : QStringLiteral("nil")));
    clearFields();
    close();
}

void ChangePin::cancel()
{
    clearFields();
    if (CustomWindow* mainWindow = m_host.mainWindow()) {
        mainWindow->endSheet(this);
    } else {
        close();
    }
}

void ChangePin::clearFields()
{
    for (SecureTextField* field : {m_ui->oldPinTF, m_ui->newPinTF, m_ui->confirmPinTF}) {
        field->setText(QString());
    }
}
