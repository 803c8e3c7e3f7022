#include "SocialSignInPanel.h"

#include "Alert.h"
#include "HomeScreen.h"
#include "CommonWS.h"
#include "Diagnostics.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "Redaction.h"
#include "ScreenTexts.h"
#include "Sheets.h"
#include "Storyboard.h"
#include "WebAuthenticationSession.h"
#include "ui_SocialSignInPanel.h"
#include "windowing.h"

namespace {

void alert(const char* text)
{
    showAlert(messages::ooops(), localizedText(QString::fromUtf8(text)));
}

} // namespace

SocialSignInPanel::SocialSignInPanel(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::SocialSignInPanel>())
{
    m_ui->setupUi(this);
    // The sheet keeps its size whether or not the waiting row, or its Cancel, shows.
    for (QWidget* widget :
        {static_cast<QWidget*>(m_ui->boxWaiting), static_cast<QWidget*>(m_ui->btnCancelBrowser)}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
    retranslate();
    setStage(Stage::idle);
    connect(m_ui->btnGoogle, &QPushButton::clicked, this, &SocialSignInPanel::signInWithGoogle);
    connect(m_ui->btnFacebook, &QPushButton::clicked, this, &SocialSignInPanel::signInWithFacebook);
    connect(m_ui->btnCancelBrowser, &QPushButton::clicked, this, &SocialSignInPanel::cancel);
}

SocialSignInPanel::~SocialSignInPanel() = default;

void SocialSignInPanel::retranslate()
{
    screen_texts::setTitle(m_ui->btnGoogle, localizedText(QStringLiteral("Sign in with Google")));
    screen_texts::setTitle(m_ui->btnFacebook, localizedText(QStringLiteral("Continue with Facebook")));
    screen_texts::setTitle(m_ui->btnCancelBrowser, localizedText(QStringLiteral("Cancel")));
    m_ui->loader->setAccessibleName(localizedText(QStringLiteral("Signing in")));
    setStage(m_stage);
}

void SocialSignInPanel::setStage(Stage stage)
{
    const bool wasBusy = isBusy();
    const Stage previous = std::exchange(m_stage, stage);
    m_ui->btnGoogle->setEnabled(stage == Stage::idle);
    m_ui->btnFacebook->setEnabled(stage == Stage::idle);
    m_ui->boxWaiting->setVisible(stage != Stage::idle); // and with it the loader
    m_ui->btnCancelBrowser->setVisible(stage == Stage::inGoogle || stage == Stage::inFacebook);
    // The keyboard follows: to the way back while the provider's page is open, then to the button
    // that opened it.
    if (stage == Stage::inGoogle || stage == Stage::inFacebook) {
        m_ui->btnCancelBrowser->setFocus();
    } else if (stage == Stage::idle && previous != Stage::idle && m_pressed) {
        m_pressed->setFocus();
    }
    switch (stage) {
    case Stage::inGoogle:
        m_ui->lblWaiting->setText(
            localizedText(QStringLiteral("Finish signing in with Google in your browser.")));
        break;
    case Stage::inFacebook:
        m_ui->lblWaiting->setText(
            localizedText(QStringLiteral("Finish signing in with Facebook in its window.")));
        break;
    case Stage::signingIn:
    case Stage::idle:
        m_ui->lblWaiting->setText(localizedText(QStringLiteral("Signing in")));
        break;
    }
    if (wasBusy != isBusy()) {
        Q_EMIT busyChanged(isBusy());
    }
}

void SocialSignInPanel::signInWithGoogle()
{
    m_google = std::make_unique<GoogleSignInFlow>(
        GoogleSignInFlow::Endpoints::configured(), &platform::openUrlInBrowser);
    connect(m_google.get(), &GoogleSignInFlow::signedIn, this, &SocialSignInPanel::googleSignedIn);
    connect(m_google.get(), &GoogleSignInFlow::failed, this, &SocialSignInPanel::googleFailed);
    m_pressed = m_ui->btnGoogle;
    setStage(Stage::inGoogle);
    m_google->start();
}

void SocialSignInPanel::googleSignedIn(const GoogleProfile& profile)
{
    diagnostics::printLine(QStringLiteral("Access Token:- ") + redaction::lastFourOnly(profile.accessToken));
    diagnostics::printLine(QStringLiteral("Email:- ") + profile.email);
    diagnostics::printLine(QStringLiteral("Full Name:- ") + profile.fullName);
    diagnostics::printLine(QStringLiteral("Given Name:- ") + profile.givenName);
    diagnostics::printLine(QStringLiteral("Family Name:- ") + profile.familyName);
    diagnostics::printLine(QStringLiteral("Profile Pic URL:- ") + profile.profilePicURL);
    if (profile.email.isEmpty()) {
        setStage(Stage::idle);
        alert("email not found in google signin");
    } else if (profile.userID.isEmpty()) {
        setStage(Stage::idle);
        alert("User ID not found in Google SignIn");
    } else {
        signIn(sign_in::Provider::google, profile.email, profile.accessToken, profile.userID);
    }
}

void SocialSignInPanel::googleFailed(const QString& reason)
{
    diagnostics::printLine(QStringLiteral("Google Sign-In: ") + reason);
    setStage(Stage::idle);
    // Refusing in the browser is the user's own answer; anything else must not pass unnoticed.
    if (!reason.startsWith(QLatin1String("Google refused"))) {
        alert("Google sign-in did not complete. Please try again.");
    }
}

void SocialSignInPanel::signInWithFacebook()
{
    m_facebookWindow.reset(Storyboard::main().instantiate(QStringLiteral("FacebookLoginWC")));
    auto* session = dynamic_cast<WebAuthenticationSession*>(m_facebookWindow.get());
    if (!session) {
        m_facebookWindow.reset();
        alert("Error with Facebook login");
        return;
    }
    m_facebook = std::make_unique<FacebookSignInFlow>(FacebookSignInFlow::Endpoints::configured());
    connect(m_facebook.get(), &FacebookSignInFlow::finished, this, &SocialSignInPanel::facebookFinished);
    m_pressed = m_ui->btnFacebook;
    setStage(Stage::inFacebook);
    m_facebook->start(*session);
}

void SocialSignInPanel::facebookFinished(FacebookSignInFlow::Outcome outcome, const FacebookData& data)
{
    // The window has done its part; it goes once the flow has stopped using it.
    if (m_facebookWindow) {
        m_facebookWindow.release()->deleteLater();
    }
    using Outcome = FacebookSignInFlow::Outcome;
    switch (outcome) {
    case Outcome::signedIn:
        signIn(sign_in::Provider::facebook, data.email, data.accessToken, data.id);
        return;
    case Outcome::noToken:
        break;
    case Outcome::unreadable:
    case Outcome::missingId:
        alert("Error with Facebook login");
        break;
    case Outcome::missingEmail:
        alert("Required Email Address");
        break;
    }
    setStage(Stage::idle);
}

void SocialSignInPanel::cancel()
{
    if (m_google) {
        m_google->cancel();
    }
    m_facebook.reset();
    m_facebookWindow.reset();
    setStage(Stage::idle);
}

void SocialSignInPanel::signIn(
    sign_in::Provider provider, const QString& email, const QString& accessToken, const QString& profileId)
{
    setStage(Stage::signingIn);
    const CommonWS& commonWS = CommonWS::shared();
    QPointer<SocialSignInPanel> self(this);
    sign_in::sendLogin(
        sign_in::socialParameters(
            provider, email, accessToken, profileId, commonWS.deviceModel(), commonWS.platformUniqueId()),
        [self](const std::optional<sign_in::Answer>& answer, bool decoded) {
            if (self) {
                self->socialCompletion(answer, decoded);
            }
        },
        [self](const ApiError& error) {
            if (self) {
                self->setStage(Stage::idle);
            }
            CommonWS::alertFailure(error);
        });
}

void SocialSignInPanel::socialCompletion(const std::optional<sign_in::Answer>& answer, bool decoded)
{
    sign_in::printOutcome(answer, decoded);
    if (!answer) {
        sign_in::printUndecodable();
        showAlert(localizedText(QStringLiteral("Response Error")),
            localizedText(QStringLiteral("Couldn't decode response")));
    } else if (!answer->status) {
        showAlert(messages::ooops(), answer->msg);
    } else {
        sign_in::openSession(*answer, sign_in::Way::signIn);
        MainWindowHost* host = m_host;
        QPointer<QWidget> sheetContent(this);
        CommonWS::shared().syncURL(
            [host, sheetContent] {
                if (!host) {
                    return;
                }
                if (sheetContent) {
                    sheets::end(*host, sheetContent);
                }
                showHomeScreen(host->mainWindow());
            },
            &CommonWS::alertFailure);
    }
    setStage(Stage::idle);
}
