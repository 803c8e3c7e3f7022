#pragma once

#include "SignInAnswer.h"

#include <QWidget>

#include <memory>

class LegalLinks;
class MainWindowHost;

namespace Ui {
class SignupViewController;
}

// The sign-up sheet's content: creates an account with e-mail, password and a device name, which
// signs the user in at once; or signs in with Google or Facebook. It leads back to the sign-in sheet
// and to the terms and privacy pages.
class SignupViewController : public QWidget
{
    Q_OBJECT

public:
    explicit SignupViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~SignupViewController() override;

private:
    void viewDidLoad();
    void signUp();
    void completion(const std::optional<sign_in::Answer>& answer, bool decoded);
    void backToSignIn();
    void socialBusyChanged(bool busy);

    std::unique_ptr<Ui::SignupViewController> m_ui;
    MainWindowHost& m_host;
    LegalLinks* m_legalLinks; // child
};
