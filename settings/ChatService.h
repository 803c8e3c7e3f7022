#pragma once

#include "FormEncoding.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// The live chat's requests to the account server (chat/start, chat/send, chat/messages), made with the
// session's bearer token, which never leaves this side. Each request ends in exactly one of its two
// callbacks, on the main thread: the answer's data, or why there is none.
class ChatService : public QObject
{
    Q_OBJECT

public:
    struct Failure
    {
        enum class Kind {
            offline, // no answer: no network, or the server does not answer
            signedOut, // the session has ended (401)
            refused, // the server refused the message; `message` says why
            tooFast, // too many messages: `retryAfterSeconds`
        };
        Kind kind = Kind::offline;
        QString message;
        int retryAfterSeconds = 0;
    };
    using Answered = std::function<void(const QJsonObject& data)>;
    using Failed = std::function<void(const Failure& failure)>;

    explicit ChatService(QObject* parent = nullptr);

    // The network access manager the requests go through; not owned. Null restores the service's own.
    void setNetworkAccessManager(QNetworkAccessManager* manager);

    void start(Answered answered, Failed failed);
    void send(const QString& clientId, const QString& text, Answered answered, Failed failed);
    // Waits on the server up to `waitSeconds` for messages after `after`.
    void poll(qint64 after, int waitSeconds, Answered answered, Failed failed);

private:
    void post(const QString& endpoint, const Parameters& parameters, int waitSeconds, Answered answered,
        Failed failed);
    static void complete(QNetworkReply& reply, bool timedOut, const Answered& answered, const Failed& failed);
    QNetworkAccessManager& network();

    QPointer<QNetworkAccessManager> m_network;
    QNetworkAccessManager* m_ownNetwork = nullptr; // child, made on first use
};
