#include "PinProtectionWC.h"

#include "Alert.h"
#include "CustomWindow.h"
#include "Diagnostics.h"
#include "HiddenPin.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "OnlyIntegerValueFormatter.h"
#include "setWaitingTimeWC.h"
#include "ui_PinProtectionWC.h"

PinProtectionWC::PinProtectionWC(MainWindowHost& host, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::PinProtectionWC>())
    , m_host(host)
    , m_onlyIntFormatter(new OnlyIntegerValueFormatter(this))
{
    setObjectName(QStringLiteral("PinProtectionWC"));
    m_ui->setupUi(this);
    localization::followLanguage(this, [this] { setTexts(); });
    m_ui->PinTextField->setPlaceholderText(QStringLiteral("525252"));
    m_ui->PinTextField->setDisplayToggleButton(false);
    resetField();

    connect(m_ui->PinTextField, &QLineEdit::textEdited, this, &PinProtectionWC::controlTextDidChange);
    connect(m_ui->PinTextField, &QLineEdit::returnPressed, this,
        [] { diagnostics::printLine(QStringLiteral("acted")); });
    connect(m_ui->btnSetPin, &QPushButton::clicked, this, &PinProtectionWC::setPin);
    connect(m_ui->btnRandomPin, &QPushButton::clicked, this, &PinProtectionWC::randomPin);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &PinProtectionWC::cancel);
}

PinProtectionWC::~PinProtectionWC() = default;

void PinProtectionWC::setTexts()
{
    setWindowTitle(localizedText(QStringLiteral("Setup Pin Protection")));
    // The key says four digits; what the strings resources give for it says six, as the server asks.
    m_ui->lblAssign4DigitPin->setText(localizedText(QStringLiteral("Assign 4 Digit Pin")));
    m_ui->lblYouTrustToDoThis->setText(localizedText(QStringLiteral("You Trust to do this")));
    m_ui->btnRandomPin->setText(localizedText(QStringLiteral("Hidden PIN")));
    m_ui->lblChooseAPinCode->setText(localizedText(
        QStringLiteral("Choose a pin code at random to be sure to forget it. At the next step, you can set a "
                       "waiting period to get it back")));
    m_ui->btnCancel->setText(localizedText(QStringLiteral("Cancel")));
    m_ui->btnSetPin->setText(localizedText(QStringLiteral("Set Pin")));
    m_ui->PinTextField->setAccessibleName(localizedText(QStringLiteral("PIN")));
}

void PinProtectionWC::resetField()
{
    m_ui->PinTextField->setPasswordIsVisible(true);
    m_ui->PinTextField->setValidator(m_onlyIntFormatter);
    // Setting the text also empties the field's undo history, where a discarded hidden PIN would linger.
    m_ui->PinTextField->setText(QString());
    m_ui->PinTextField->setFocus();
}

void PinProtectionWC::randomPin()
{
    m_ui->PinTextField->setPasswordIsVisible(false);
    // Without the formatter any keystroke is an edit, even into the six digits, and discards them.
    m_ui->PinTextField->setValidator(nullptr);
    m_ui->PinTextField->setText(drawHiddenPin());
}

void PinProtectionWC::controlTextDidChange()
{
    // An edit of a hidden PIN discards it whole: it is taken as drawn or not at all.
    if (!m_ui->PinTextField->passwordIsVisible()) {
        resetField();
    }
}

void PinProtectionWC::setPin()
{
    const QString pin = m_ui->PinTextField->text();
    if (!isSixDigitPin(pin)) {
        showAlert(messages::ooops(), messages::assignSixDigitPin());
        return;
    }
    close();
    resetField();
    if (m_wc) {
        m_wc->deleteLater();
    }
    m_wc = new setWaitingTimeWC(pin, this);
    if (CustomWindow* mainWindow = m_host.mainWindow()) {
        mainWindow->beginSheet(m_wc);
    }
}

void PinProtectionWC::cancel()
{
    close();
    resetField();
}
