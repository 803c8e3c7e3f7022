#include "SignupViewController.h"

#include "Alert.h"
#include "HomeScreen.h"
#include "EmailAddress.h"
#include "LegalLinks.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "ScreenTexts.h"
#include "Sheets.h"
#include "ui_SignupViewController.h"

SignupViewController::SignupViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::SignupViewController>())
    , m_host(host)
{
    m_ui->setupUi(this);
    m_legalLinks = new LegalLinks({m_ui->EnglishTerms, m_ui->terms, m_ui->privacy},
        {m_ui->FrenchTerms, m_ui->btnFrenchTerms, m_ui->btnFrenchPrivacy}, this);
    m_ui->socialSignIn->setHost(host);
    viewDidLoad();
    connect(m_ui->btnContinue, &QPushButton::clicked, this, &SignupViewController::signUp);
    connect(m_ui->btnLogin, &QPushButton::clicked, this, &SignupViewController::backToSignIn);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &SignupViewController::backToSignIn);
    sheets::cancelOnEscape(this, m_ui->btnCancel);
    connect(
        m_ui->socialSignIn, &SocialSignInPanel::busyChanged, this, &SignupViewController::socialBusyChanged);
}

SignupViewController::~SignupViewController() = default;

void SignupViewController::viewDidLoad()
{
    m_ui->lblBrevakSignUp->setText(messages::brevakSignUp());
    setWindowTitle(messages::brevakSignUp());
    m_ui->lblHaveAnAccount->setText(localizedText(QStringLiteral("Have an account?")));
    screen_texts::setTitle(m_ui->btnLogin, localizedText(QStringLiteral("Login")));
    m_ui->lblOR->setText(localizedText(QStringLiteral("OR")));
    screen_texts::setPlaceholder(m_ui->deviceNameTF, localizedText(QStringLiteral("Device Name")));
    screen_texts::setPlaceholder(m_ui->emailTF, localizedText(QStringLiteral("Enter Email")));
    screen_texts::setPlaceholder(m_ui->passwordTF, localizedText(QStringLiteral("Password")));
    screen_texts::setPlaceholder(m_ui->confirmPasswordTF, localizedText(QStringLiteral("Confirm Password")));
    screen_texts::setTitle(m_ui->btnContinue, localizedText(QStringLiteral("Continue")));
    screen_texts::setTitle(m_ui->btnCancel, localizedText(QStringLiteral("Cancel")));
    m_ui->deviceNameTF->setFocus();
}

void SignupViewController::signUp()
{
    m_ui->btnContinue->setEnabled(false);
    if (!isValidEmailAddress(m_ui->emailTF->text())) {
        showAlert(messages::ooops(), messages::emailNotValid());
        m_ui->btnContinue->setEnabled(true);
        return;
    }
    // A mistyped password would lock the user out of the account just made.
    if (m_ui->passwordTF->text() != m_ui->confirmPasswordTF->text()) {
        showAlert(messages::ooops(), messages::passwordsDidNotMatch());
        m_ui->btnContinue->setEnabled(true);
        return;
    }
    QPointer<SignupViewController> self(this);
    CommonWS::shared().signup(
        m_ui->emailTF->text(), m_ui->passwordTF->text(), 0, m_ui->deviceNameTF->text(),
        [self](const std::optional<sign_in::Answer>& answer, bool decoded) {
            if (answer && answer->status) {
                sign_in::storeUserFields(answer->data);
            }
            if (self) {
                self->completion(answer, decoded);
            }
        },
        [self](const ApiError& error) {
            if (self) {
                self->m_ui->btnContinue->setEnabled(true);
            }
            CommonWS::alertFailure(error);
        });
}

void SignupViewController::completion(const std::optional<sign_in::Answer>& answer, bool /*decoded*/)
{
    m_ui->btnContinue->setEnabled(true);
    if (!answer) {
        sheets::replace(m_host, this, QStringLiteral("PasswordWindowController"));
        sign_in::printUndecodable();
        return;
    }
    if (!answer->status) {
        showAlert(messages::ooops(), answer->msg);
        return;
    }
    sign_in::openSession(*answer, sign_in::Way::signUp);
    sheets::end(m_host, this);
    CommonWS::shared().syncURL();
    showHomeScreen(m_host.mainWindow());
}

void SignupViewController::backToSignIn()
{
    sheets::replace(m_host, this, QStringLiteral("LogInWindowController"));
}

void SignupViewController::socialBusyChanged(bool busy)
{
    for (QWidget* control :
        {static_cast<QWidget*>(m_ui->btnContinue), static_cast<QWidget*>(m_ui->btnLogin)}) {
        control->setEnabled(!busy);
    }
}
