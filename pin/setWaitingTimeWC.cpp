#include "setWaitingTimeWC.h"

#include "Alert.h"
#include "Diagnostics.h"
#include "Localization.h"
#include "MessageTable.h"
#include "NotificationCenter.h"
#include "SettingsStore.h"
#include "ui_setWaitingTimeWC.h"

#include <QButtonGroup>

#include <array>

namespace {

// The value sent as `time` for each choice tag.
constexpr std::array<const char*, 4> choiceHours {"12", "24", "48", "175200"};

} // namespace

setWaitingTimeWC::setWaitingTimeWC(const QString& pin, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::setWaitingTimeWC>())
    , m_choices(new QButtonGroup(this))
    , m_pin(pin)
{
    setObjectName(QStringLiteral("setWaitingTimeWC"));
    m_ui->setupUi(this);
    const std::array<QAbstractButton*, 4> buttons {
        m_ui->btn12Hours, m_ui->btn24Hours, m_ui->btn48Hours, m_ui->btnForever};
    for (int tag = 0; tag < int(buttons.size()); ++tag) {
        m_choices->addButton(buttons[tag], tag);
    }
    // The choice that stands until the user makes another.
    m_ui->btn12Hours->setChecked(true);
    localization::followLanguage(
        this, [this, spacing = m_ui->timingStackViewLayout->spacing()] { setTexts(spacing); });

    connect(m_choices, &QButtonGroup::idClicked, this, &setWaitingTimeWC::selectedHours);
    connect(m_ui->btnSetTheTime, &QPushButton::clicked, this, &setWaitingTimeWC::setTime);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, [this] {
        m_pin.clear();
        close();
    });
    connect(&m_request, &PendingRequest::changed, this,
        [this] { m_ui->btnSetTheTime->setEnabled(!m_request.isOut()); });
}

setWaitingTimeWC::~setWaitingTimeWC() = default;

void setWaitingTimeWC::setTexts(int designedSpacing)
{
    setWindowTitle(localizedText(QStringLiteral("Set Waiting Time")));
    m_ui->lblSetWaitingTime->setText(localizedText(QStringLiteral("Set Waiting Time")));
    m_ui->lblSetTheWaitingTimeBefore->setText(localizedText(
        QStringLiteral("Set the waiting time before the unlock digit pin code is sent by email to you")));
    m_ui->lblIfYouChoose->setText(localizedText(
        QStringLiteral("If you choose the FOREVER option, know that the only way to get the pin "
                       "code will be to chat with a terapiste on the live chat")));
    m_ui->btnCancel->setText(localizedText(QStringLiteral("Cancel")));
    m_ui->btnSetTheTime->setText(localizedText(QStringLiteral("Set Time")));
    const std::array<const char*, 4> titles {"12 hours", "24 hours", "48 hours", "Forever *"};
    for (int tag = 0; tag < int(titles.size()); ++tag) {
        m_choices->button(tag)->setText(localizedText(QString::fromLatin1(titles[tag])));
    }

    // The longer French titles get closer together and a smaller type on the main button.
    const bool french = localization::currentLanguageCode() == QLatin1String("fr");
    m_ui->timingStackViewLayout->setSpacing(french ? 5 : designedSpacing);
    QFont font;
    if (french) {
        font = m_ui->btnSetTheTime->font();
        font.setPointSize(10);
    }
    m_ui->btnSetTheTime->setFont(font);
}

void setWaitingTimeWC::selectedHours(int tag)
{
    if (tag >= 0 && tag < int(choiceHours.size())) {
        m_hours = QString::fromLatin1(choiceHours[tag]);
    }
}

void setWaitingTimeWC::setTime()
{
    if (m_pin.isEmpty()) {
        return;
    }
    m_request.start();
    CommonWS::shared().setupPin(m_hours, m_pin,
        m_request.decoded<BaseModel<SetupPinModel>>(
            [this](const std::optional<BaseModel<SetupPinModel>>& record, bool decoded) {
                handleAnswer(record, decoded);
            }),
        m_request.failure());
}

void setWaitingTimeWC::handleAnswer(const std::optional<BaseModel<SetupPinModel>>& record, bool decoded)
{
    if (!decoded || !record) {
        showAlert(messages::ooops(), messages::errorInPinSetup());
        return;
    }
    if (!record->status) {
        showAlert(messages::ooops(), record->msg);
        return;
    }
    m_pin.clear();
    SettingsStore::shared().setBool(keys::isPinSeted, true);
    NotificationCenter::shared().post(QString::fromLatin1(notifications::pinProtectionOff), true);
    diagnostics::printLine(QStringLiteral("Setup Pin Model Response - ")
        + (record->data ? describe(*record->data) : QStringLiteral("nil")));
    close();
}
