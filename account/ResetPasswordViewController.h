#pragma once

#include <QWidget>

#include <memory>

class MainWindowHost;

namespace Ui {
class ResetPasswordViewController;
}

// The password-reset sheet's content: asks the account server to mail a reset link to the address,
// and goes back to the password sheet at once; the server's answer comes as an alert over it.
class ResetPasswordViewController : public QWidget
{
    Q_OBJECT

public:
    explicit ResetPasswordViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~ResetPasswordViewController() override;

private:
    void viewDidLoad();
    void submit();

    std::unique_ptr<Ui::ResetPasswordViewController> m_ui;
    MainWindowHost& m_host;
};
