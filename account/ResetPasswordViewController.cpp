#include "ResetPasswordViewController.h"

#include "Alert.h"
#include "CommonWS.h"
#include "Diagnostics.h"
#include "Localization.h"
#include "ScreenTexts.h"
#include "SettingsStore.h"
#include "Sheets.h"
#include "SignInAnswer.h"
#include "ui_ResetPasswordViewController.h"

ResetPasswordViewController::ResetPasswordViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::ResetPasswordViewController>())
    , m_host(host)
{
    m_ui->setupUi(this);
    viewDidLoad();
    connect(m_ui->btnSubmit, &QPushButton::clicked, this, &ResetPasswordViewController::submit);
    connect(m_ui->btnCancel, &QPushButton::clicked, this,
        [this] { sheets::replace(m_host, this, QStringLiteral("PasswordWindowController")); });
    sheets::cancelOnEscape(this, m_ui->btnCancel);
}

ResetPasswordViewController::~ResetPasswordViewController() = default;

void ResetPasswordViewController::viewDidLoad()
{
    m_ui->lblForgotPassword->setText(localizedText(QStringLiteral("Forgot Password?")));
    setWindowTitle(m_ui->lblForgotPassword->text());
    m_ui->lblWellSentYouLink->setText(
        localizedText(QStringLiteral("We’ll sent you link for reset password.")));
    screen_texts::setPlaceholder(m_ui->tfEmail, localizedText(QStringLiteral("Enter Email")));
    screen_texts::setTitle(m_ui->btnCancel, localizedText(QStringLiteral("Cancel")));
    screen_texts::setTitle(m_ui->btnSubmit, localizedText(QStringLiteral("Submit")));
    m_ui->tfEmail->setText(SettingsStore::shared().textValue(keys::userEmail).value_or(QString()));
    m_ui->tfEmail->setFocus();
}

void ResetPasswordViewController::submit()
{
    sheets::end(m_host, this);
    // The address goes as typed: the server answers alike for every address, known or not.
    ApiManager::shared().request(
        WebService::forgot, {{QStringLiteral("email"), m_ui->tfEmail->text()}},
        [](const ApiError& error) {
            CommonWS::printFailure(error);
            CommonWS::alertFailure(error);
        },
        [](const QByteArray& body) {
            CommonWS::decodeResponse<sign_in::Answer>(
                body, [](const std::optional<sign_in::Answer>& answer, bool) {
                    if (!answer) {
                        sign_in::printUndecodable();
                        return;
                    }
                    diagnostics::printLine(QStringLiteral("Status - ") + (answer->status ? "true" : "false"));
                    showAlert(QString(), answer->msg);
                });
        });
    sheets::begin(m_host, QStringLiteral("PasswordWindowController"));
}
