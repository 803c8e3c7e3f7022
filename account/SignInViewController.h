#pragma once

#include <QWidget>

#include <memory>

class LegalLinks;
class MainWindowHost;

namespace Ui {
class SignInViewController;
}

// The sign-in sheet's content: the e-mail step (checked here, never sent: the password sheet sends
// it), Google and Facebook, the way to sign-up, the terms and privacy links, and Cancel, which puts
// the main window away.
class SignInViewController : public QWidget
{
    Q_OBJECT

public:
    explicit SignInViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~SignInViewController() override;

private:
    void viewDidLoad();
    void continueWithEmail();
    void joinUs();
    void quit();
    void socialBusyChanged(bool busy);

    std::unique_ptr<Ui::SignInViewController> m_ui;
    MainWindowHost& m_host;
    LegalLinks* m_legalLinks; // child
};
