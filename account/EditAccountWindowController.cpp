#include "EditAccountWindowController.h"

#include "Alert.h"
#include "CommonWS.h"
#include "Localization.h"
#include "MessageTable.h"
#include "ScreenTexts.h"
#include "SettingsStore.h"
#include "Sheets.h"
#include "SignInAnswer.h"
#include "ui_EditAccountWindowController.h"

EditAccountWindowController::EditAccountWindowController(MainWindowHost& host, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::EditAccountWindowController>())
    , m_host(host)
{
    m_ui->setupUi(this);
    windowDidLoad();
    connect(m_ui->btnUpdate, &QPushButton::clicked, this, &EditAccountWindowController::update);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, [this] { sheets::end(m_host, this); });
}

EditAccountWindowController::~EditAccountWindowController() = default;

void EditAccountWindowController::windowDidLoad()
{
    const SettingsStore& settings = SettingsStore::shared();
    m_ui->tfUserName->setText(settings.textValue(keys::userName).value_or(QString()));
    m_ui->tfDeviceName->setText(settings.textValue(keys::userDevice).value_or(QString()));
    m_ui->tfEmail->setText(settings.textValue(keys::userEmail).value_or(QString()));
    localization::followLanguage(this, [this] { updateLocalization(); });
    m_ui->tfUserName->setFocus();
}

void EditAccountWindowController::updateLocalization()
{
    m_ui->lblEditAccount->setText(localizedText(QStringLiteral("Edit Account")));
    setWindowTitle(m_ui->lblEditAccount->text());
    m_ui->lblEditDetailAnd->setText(localizedText(QStringLiteral("Edit details and update account.")));
    const QList<std::pair<QLabel*, QLineEdit*>> fields {
        {m_ui->lblUserName, m_ui->tfUserName},
        {m_ui->lblDeviceName, m_ui->tfDeviceName},
        {m_ui->lblEmail, m_ui->tfEmail},
        {m_ui->lblPassword, m_ui->tfPassword},
        {m_ui->lblConfirmPassword, m_ui->tfConfirmPassword},
    };
    const QStringList names {QStringLiteral("Name"), QStringLiteral("Device Name"), QStringLiteral("Email"),
        QStringLiteral("Password"), QStringLiteral("Confirm Password")};
    for (qsizetype i = 0; i < fields.size(); ++i) {
        fields.at(i).first->setText(localizedText(names.at(i)));
        fields.at(i).second->setAccessibleName(fields.at(i).first->text());
    }
    m_ui->lblKeepPassword->setText(
        localizedText(QStringLiteral("Leave both password fields empty to keep your password.")));
    screen_texts::setTitle(m_ui->btnCancel, localizedText(QStringLiteral("Cancel")));
    screen_texts::setTitle(m_ui->btnUpdate, localizedText(QStringLiteral("Update")));
}

void EditAccountWindowController::update()
{
    if (m_ui->tfPassword->text() != m_ui->tfConfirmPassword->text()) {
        showAlert(messages::ooops(), messages::passwordsDidNotMatch());
        return;
    }
    m_ui->btnUpdate->setEnabled(false);
    QPointer<EditAccountWindowController> self(this);
    CommonWS::shared().updateProfile(
        m_ui->tfUserName->text(), m_ui->tfDeviceName->text(), m_ui->tfPassword->text(),
        [self](const std::optional<BaseModel<UpdateProfile>>& answer, bool) {
            if (answer && answer->status) {
                sign_in::storeUserFields(answer->data);
            }
            if (self) {
                self->completion(answer);
            }
        },
        [self](const ApiError& error) {
            if (self) {
                self->m_ui->btnUpdate->setEnabled(true);
            }
            CommonWS::alertFailure(error);
        });
}

void EditAccountWindowController::completion(const std::optional<BaseModel<UpdateProfile>>& answer)
{
    m_ui->btnUpdate->setEnabled(true);
    if (answer && answer->status) {
        sheets::end(m_host, this);
        return;
    }
    showAlert(messages::ooops(), messages::profileNotUpdated());
}
