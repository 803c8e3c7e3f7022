#include "PasswordViewController.h"

#include "Alert.h"
#include "HomeScreen.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "ScreenTexts.h"
#include "Sheets.h"
#include "ui_PasswordViewController.h"

PasswordViewController::PasswordViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::PasswordViewController>())
    , m_host(host)
{
    m_ui->setupUi(this);
    viewDidLoad();
    connect(m_ui->btnSignIn, &QPushButton::clicked, this, &PasswordViewController::signIn);
    connect(m_ui->btnCancel, &QPushButton::clicked, this,
        [this] { sheets::replace(m_host, this, QStringLiteral("LogInWindowController")); });
    connect(m_ui->btnForget, &QPushButton::clicked, this,
        [this] { sheets::replace(m_host, this, QStringLiteral("ResetPasswordWindowController")); });
    sheets::cancelOnEscape(this, m_ui->btnCancel);
}

PasswordViewController::~PasswordViewController() = default;

void PasswordViewController::viewDidLoad()
{
    m_ui->lblBrevakPassword->setText(messages::brevakPassword());
    setWindowTitle(messages::brevakPassword());
    m_ui->lblYourEmailIsAssociated->setText(messages::emailAssociated());
    m_ui->lblEmailAddress->setText(SettingsStore::shared().textValue(keys::userEmail).value_or(QString()));
    screen_texts::setPlaceholder(m_ui->passwordTF, localizedText(QStringLiteral("Enter Password")));
    screen_texts::setTitle(m_ui->btnForget, localizedText(QStringLiteral("Forgot?")));
    screen_texts::setTitle(m_ui->btnCancel, localizedText(QStringLiteral("Cancel")));
    screen_texts::setTitle(m_ui->btnSignIn, localizedText(QStringLiteral("Sign In")));
    m_ui->passwordTF->setFocus();
}

void PasswordViewController::signIn()
{
    m_ui->btnSignIn->setEnabled(false);
    const std::optional<QString> email = SettingsStore::shared().textValue(keys::userEmail);
    if (!email) {
        sheets::replace(m_host, this, QStringLiteral("LogInWindowController"));
        return;
    }
    QPointer<PasswordViewController> self(this);
    sign_in::sendLogin(
        sign_in::emailParameters(*email, m_ui->passwordTF->text(), CommonWS::shared().platformUniqueId()),
        [self](const std::optional<sign_in::Answer>& answer, bool decoded) {
            if (self) {
                self->completion(answer, decoded);
            }
        },
        [self](const ApiError& error) {
            if (self) {
                self->m_ui->btnSignIn->setEnabled(true);
            }
            CommonWS::alertFailure(error);
        });
}

void PasswordViewController::completion(const std::optional<sign_in::Answer>& answer, bool decoded)
{
    sign_in::printOutcome(answer, decoded);
    if (!answer) {
        m_ui->btnSignIn->setEnabled(true);
        sign_in::printUndecodable();
        sheets::replace(m_host, this, QStringLiteral("PasswordWindowController"));
        return;
    }
    if (!answer->status) {
        showAlert(messages::ooops(), answer->msg);
        m_ui->btnSignIn->setEnabled(true);
        return;
    }
    sheets::end(m_host, this);
    sign_in::openSession(*answer, sign_in::Way::signIn);
    if (!answer->data) {
        return;
    }
    const bool pinProtection = answer->data->pinProtection.has_value();
    SettingsStore::shared().setBool(keys::isPinEnable, pinProtection);
    MainWindowHost* host = &m_host;
    CommonWS::shared().syncURL(
        [host, pinProtection] {
            showHomeScreen(host->mainWindow());
            if (pinProtection) {
                SettingsStore::shared().setBool(keys::isPinSeted, true);
            }
        },
        &CommonWS::alertFailure);
}
