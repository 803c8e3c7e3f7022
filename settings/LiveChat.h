#pragma once

#include "LiveChatUser.h"

#include <QJsonValue>
#include <QUrl>
#include <QWidget>

#include <memory>

class ChatBridge;
class ChatService;
class QWebChannel;
class QWebEngineView;

namespace Ui {
class LiveChat;
}

// The live chat with a counsellor: the local page Index.html, told who is writing, reaching the
// account server through a bridge on the web channel. The user's name and address are read when the
// window is made; the web engine starts when it is first shown. The web view on screen is the one set
// up with the user script, the "test" message handler and the channel.
class LiveChat : public QWidget
{
    Q_OBJECT

public:
    explicit LiveChat(QWidget* parent = nullptr);
    ~LiveChat() override;

    QWebEngineView* webView() const { return m_webView; }
    QUrl url() const { return m_url; }
    QString username() const { return m_user.name; }
    QString userEmail() const { return m_user.email; }
    QString js() const { return m_js; }
    ChatBridge& bridge() const { return *m_bridge; }

    // The page's script messages (window.webkit.messageHandlers.<name>.postMessage(body)).
    void userContentControllerDidReceiveScriptMessage(const QString& name, const QJsonValue& body);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void windowDidLoad();

    std::unique_ptr<Ui::LiveChat> m_ui;
    std::unique_ptr<ChatService> m_service;
    std::unique_ptr<ChatBridge> m_bridge;
    QWebEngineView* m_webView = nullptr; // made at the first show, owned by the window
    QWebChannel* m_channel = nullptr; // owned by the window
    QUrl m_url;
    LiveChatUser m_user;
    QString m_js;
    bool m_loaded = false;
};
