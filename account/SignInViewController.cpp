#include "SignInViewController.h"

#include "Alert.h"
#include "CustomWindow.h"
#include "EmailAddress.h"
#include "LegalLinks.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "ScreenTexts.h"
#include "SettingsStore.h"
#include "Sheets.h"
#include "ui_SignInViewController.h"

SignInViewController::SignInViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::SignInViewController>())
    , m_host(host)
{
    m_ui->setupUi(this);
    m_legalLinks = new LegalLinks({m_ui->EnglishStackView, m_ui->btnTerms, m_ui->btnPrivacy},
        {m_ui->FrenchStackView, m_ui->btnFrenchTerms, m_ui->btnFrenchPrivacy}, this);
    m_ui->socialSignIn->setHost(host);
    viewDidLoad();
    connect(m_ui->btnSignIn, &QPushButton::clicked, this, &SignInViewController::continueWithEmail);
    connect(m_ui->btnJoinUs, &QPushButton::clicked, this, &SignInViewController::joinUs);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &SignInViewController::quit);
    sheets::cancelOnEscape(this, m_ui->btnCancel);
    connect(
        m_ui->socialSignIn, &SocialSignInPanel::busyChanged, this, &SignInViewController::socialBusyChanged);
}

SignInViewController::~SignInViewController() = default;

void SignInViewController::viewDidLoad()
{
    m_ui->lblBrevakSignIn->setText(messages::brevakSignIn());
    setWindowTitle(messages::brevakSignIn());
    m_ui->lblDontHaveAnAccount->setText(localizedText(QStringLiteral("Don’t have an account?")));
    screen_texts::setTitle(m_ui->btnJoinUs, localizedText(QStringLiteral("Join Us")));
    m_ui->lblOR->setText(localizedText(QStringLiteral("OR")));
    screen_texts::setTitle(m_ui->btnCancel, localizedText(QStringLiteral("Cancel")));
    screen_texts::setPlaceholder(m_ui->userNameTextField, localizedText(QStringLiteral("Enter Email")));
    screen_texts::setTitle(m_ui->btnSignIn, localizedText(QStringLiteral("Continue")));
    m_ui->userNameTextField->setFocus();
}

void SignInViewController::continueWithEmail()
{
    const QString email = m_ui->userNameTextField->text();
    if (!isValidEmailAddress(email)) {
        showAlert(messages::ooops(), messages::emailNotValid());
        return;
    }
    SettingsStore::shared().setString(keys::userEmail, email);
    // The next sheet is begun on the main window, brought to the front for it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (CustomWindow* window = m_host.mainWindow()) {
                window->raise();
            }
            sheets::replace(m_host, this, QStringLiteral("PasswordWindowController"));
        },
        Qt::QueuedConnection);
}

void SignInViewController::joinUs()
{
    sheets::replace(m_host, this, QStringLiteral("SignupWindowController"));
}

void SignInViewController::quit()
{
    sheets::end(m_host, this);
    if (CustomWindow* window = m_host.mainWindow()) {
        window->hide();
    }
}

void SignInViewController::socialBusyChanged(bool busy)
{
    for (QWidget* control : {static_cast<QWidget*>(m_ui->btnSignIn), static_cast<QWidget*>(m_ui->btnJoinUs),
             static_cast<QWidget*>(m_ui->userNameTextField)}) {
        control->setEnabled(!busy);
    }
}
