#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QTimer>

class ChatService;

// What the chat page reaches through the web channel (as "chat"): it opens the user's conversation,
// sends the page's messages, and hands the page every message that arrives, waiting on the server for
// the next ones. The session token stays on this side. Everything handed over is text for the page to
// show as text. After a lost connection it tries again by itself now and then, or at once on retry().
class ChatBridge : public QObject
{
    Q_OBJECT
    // The page's texts in the interface language, by the page's own names for them; new ones when
    // the user chooses another language.
    Q_PROPERTY(QJsonObject texts READ texts NOTIFY textsChanged)

public:
    static constexpr int pollWaitSeconds = 25;

    explicit ChatBridge(ChatService& service, QObject* parent = nullptr);

    QJsonObject texts() const { return localizedTexts(); }
    static QJsonObject localizedTexts();
    // What the page shows about the counsellors, from the server's answer and the texts above: "online",
    // "status" (one sentence) and "hours" (when they are usually there, in the user's time; empty when
    // around the clock or while one is online).
    static QJsonObject presence(const QJsonObject& answer, const QJsonObject& texts);

    Q_INVOKABLE void open();
    // `clientId` is the page's name for the message: sending it again after a failure adds nothing.
    Q_INVOKABLE void send(const QString& clientId, const QString& text);
    Q_INVOKABLE void retry();
    // window.webkit.messageHandlers.<name>.postMessage(body) on the page.
    Q_INVOKABLE void postScriptMessage(const QString& name, const QJsonValue& body);

    void setRetryInterval(std::chrono::milliseconds interval) { m_retry.setInterval(interval); }

Q_SIGNALS:
    void textsChanged(const QJsonObject& texts);
    void opened(const QJsonArray& messages, const QJsonObject& presence);
    void received(const QJsonArray& messages, const QJsonObject& presence);
    void sent(const QString& clientId, const QJsonObject& message);
    // The message was not sent; `reason` says why and whether sending it again can help.
    void notSent(const QString& clientId, const QString& reason, bool canRetry);
    void disconnected();
    void signedOut();
    void scriptMessageReceived(const QString& name, const QJsonValue& body);

private:
    void pollNext(quint64 generation);
    void lost(quint64 generation, bool signedOut);
    void take(const QJsonArray& messages);

    ChatService& m_service;
    QJsonObject m_texts; // looked up once for each connection, not at every answer
    QTimer m_retry;
    quint64 m_generation = 0; // a new connection makes the answers to the old one stale
    qint64 m_lastId = 0;
    bool m_connected = false;
};
