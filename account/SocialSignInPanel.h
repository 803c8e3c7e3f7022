#pragma once

#include "FacebookSignInFlow.h"
#include "GoogleSignInFlow.h"
#include "SignInAnswer.h"

#include <QWidget>

#include <memory>

class MainWindowHost;
class QAbstractButton;

namespace Ui {
class SocialSignInPanel;
}

// The Google and Facebook ways in, shared by the sign-in and sign-up sheets: the two buttons, the
// sheet's `loader` and, while the provider's page is open, a Cancel that really cancels. A provider's
// answer goes to the account server as a sign-in; an accepted one opens the session, synchronises the
// account's state, ends the sheet and shows the home screen.
class SocialSignInPanel : public QWidget
{
    Q_OBJECT

public:
    explicit SocialSignInPanel(QWidget* parent = nullptr);
    ~SocialSignInPanel() override;

    // The host of the main window the sheet is begun on; the sheet sets it once, before use.
    void setHost(MainWindowHost& host) { m_host = &host; }
    void retranslate();

    // A provider's page is open or its sign-in is on its way to the server.
    bool isBusy() const { return m_stage != Stage::idle; }

Q_SIGNALS:
    // The sheet's other buttons wait while the panel is busy.
    void busyChanged(bool busy);

private:
    enum class Stage {
        idle,
        inGoogle, // the browser shows Google's page
        inFacebook, // the Facebook window is open
        signingIn, // the account server has the provider's answer
    };

    void setStage(Stage stage);
    void signInWithGoogle();
    void googleSignedIn(const GoogleProfile& profile);
    void googleFailed(const QString& reason);
    void signInWithFacebook();
    void facebookFinished(FacebookSignInFlow::Outcome outcome, const FacebookData& data);
    void cancel();
    void signIn(sign_in::Provider provider, const QString& email, const QString& accessToken,
        const QString& profileId);
    void socialCompletion(const std::optional<sign_in::Answer>& answer, bool decoded);

    std::unique_ptr<Ui::SocialSignInPanel> m_ui;
    MainWindowHost* m_host = nullptr;
    std::unique_ptr<GoogleSignInFlow> m_google;
    std::unique_ptr<FacebookSignInFlow> m_facebook;
    std::unique_ptr<QWidget> m_facebookWindow; // the web authentication session's window
    Stage m_stage = Stage::idle;
    QAbstractButton* m_pressed = nullptr; // the provider's button that started the sign-in
};
