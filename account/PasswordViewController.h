#pragma once

#include "SignInAnswer.h"

#include <QWidget>

#include <memory>

class MainWindowHost;

namespace Ui {
class PasswordViewController;
}

// The password sheet's content: sends the stored e-mail with the password as a sign-in. An accepted
// answer opens the session, synchronises the account's state and shows the home screen. "Forgot?"
// leads to the password reset, Cancel back to the sign-in sheet.
class PasswordViewController : public QWidget
{
    Q_OBJECT

public:
    explicit PasswordViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~PasswordViewController() override;

private:
    void viewDidLoad();
    void signIn();
    void completion(const std::optional<sign_in::Answer>& answer, bool decoded);

    std::unique_ptr<Ui::PasswordViewController> m_ui;
    MainWindowHost& m_host;
};
