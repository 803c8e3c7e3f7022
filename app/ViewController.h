#pragma once

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <memory>

class MainWindowHost;
class QDialog;

namespace Ui {
class ViewController;
}

// The start screen, the first content of the main window. Each time it is shown it waits a moment
// and then leads on: to the start-up PIN gate when a PIN is set and the user has not logged out,
// else to the home screen when a user is signed in, else to the sign-in sheet.
class ViewController : public QWidget
{
    Q_OBJECT

public:
    explicit ViewController(MainWindowHost& host, QWidget* parent = nullptr,
        std::chrono::milliseconds routingDelay = std::chrono::milliseconds(1500));
    ~ViewController() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void viewDidLoad();
    void viewDidAppear();
    void route(QDialog* signInController);

    std::unique_ptr<Ui::ViewController> m_ui;
    MainWindowHost& m_host;
    QPointer<QDialog> m_verifyPinOnStartWC;
    std::chrono::milliseconds m_routingDelay;
};
