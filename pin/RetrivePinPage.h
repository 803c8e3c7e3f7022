#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

class MainWindowHost;

namespace Ui {
class RetrivePinPage;
}

// Shown once the server has accepted a request to mail the PIN back: the mail comes when the waiting
// time chosen at setup has passed, never for the forever choice, for which the live chat is the way.
// Reached from the start gate, it also leads back there.
class RetrivePinPage : public QDialog
{
    Q_OBJECT

public:
    explicit RetrivePinPage(MainWindowHost& host, QWidget* parent = nullptr);
    ~RetrivePinPage() override;

    // What the server said of the request (when the mail will come, or that only the chat can help).
    void setServerMessage(const QString& message);

    // The live-chat window once opened.
    QWidget* liveChatWindow() const { return m_liveChatWC; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setTexts();
    void liveChat();
    void tappedBack();

    std::unique_ptr<Ui::RetrivePinPage> m_ui;
    MainWindowHost& m_host;
    QPointer<QWidget> m_liveChatWC; // made on first use: a chat page starts a web engine
};
