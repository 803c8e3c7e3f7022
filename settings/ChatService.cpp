#include "ChatService.h"

#include "ApiManager.h"
#include "Configuration.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace {

// A request that gets no answer within this time, beyond the time the server was asked to wait, has
// lost its way.
constexpr int answerSeconds = 20;

} // namespace

ChatService::ChatService(QObject* parent)
    : QObject(parent)
{ }

void ChatService::setNetworkAccessManager(QNetworkAccessManager* manager)
{
    m_network = manager;
}

QNetworkAccessManager& ChatService::network()
{
    if (m_network)
        return *m_network;
    if (!m_ownNetwork)
        m_ownNetwork = new QNetworkAccessManager(this);
    return *m_ownNetwork;
}

void ChatService::start(Answered answered, Failed failed)
{
    post(QStringLiteral("chat/start"), {}, 0, std::move(answered), std::move(failed));
}

void ChatService::send(const QString& clientId, const QString& text, Answered answered, Failed failed)
{
    post(QStringLiteral("chat/send"),
        {{QStringLiteral("client_id"), clientId}, {QStringLiteral("text"), text}}, 0, std::move(answered),
        std::move(failed));
}

void ChatService::poll(qint64 after, int waitSeconds, Answered answered, Failed failed)
{
    post(QStringLiteral("chat/messages"),
        {{QStringLiteral("after"), QString::number(after)},
            {QStringLiteral("wait"), QString::number(waitSeconds)}},
        waitSeconds, std::move(answered), std::move(failed));
}

void ChatService::post(
    const QString& endpoint, const Parameters& parameters, int waitSeconds, Answered answered, Failed failed)
{
    QString base = configuration::apiBaseUrl();
    while (base.endsWith(u'/'))
        base.chop(1);
    QNetworkRequest request(QUrl(base + QStringLiteral("/api/v3/") + endpoint));
    const ApiManager::Headers headers = ApiManager::authHeaders();
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        request.setRawHeader(it.key().toUtf8(), it.value().isEmpty() ? QByteArray("") : it.value().toUtf8());
    request.setHeader(QNetworkRequest::ContentTypeHeader,
        QByteArrayLiteral("application/x-www-form-urlencoded; charset=utf-8"));
    QNetworkReply* reply = network().post(request, formEncode(parameters));

    auto timedOut = std::make_shared<bool>(false);
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    deadline->start(std::chrono::seconds(waitSeconds + answerSeconds));
    connect(reply, &QNetworkReply::finished, this,
        [reply, timedOut, answered = std::move(answered), failed = std::move(failed)] {
            reply->deleteLater();
            complete(*reply, *timedOut, answered, failed);
        });
}

void ChatService::complete(
    QNetworkReply& reply, bool timedOut, const Answered& answered, const Failed& failed)
{
    const QVariant statusAttribute = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (timedOut || !statusAttribute.isValid()) {
        failed({Failure::Kind::offline, reply.errorString(), 0});
        return;
    }
    const int status = statusAttribute.toInt();
    const QJsonObject envelope = QJsonDocument::fromJson(reply.readAll()).object();
    const QString message = envelope.value(QStringLiteral("msg")).toString();
    if (status == 401) {
        failed({Failure::Kind::signedOut, message, 0});
    } else if (status == 429) {
        failed({Failure::Kind::tooFast, message, reply.rawHeader("Retry-After").toInt()});
    } else if (status == 200 && envelope.value(QStringLiteral("status")).toBool()) {
        answered(envelope.value(QStringLiteral("data")).toObject());
    } else if (status == 200 && envelope.value(QStringLiteral("status")).isBool()) {
        failed({Failure::Kind::refused, message, 0});
    } else {
        // A server in trouble (5xx) or an answer from something else than our server.
        failed({Failure::Kind::offline, message.isEmpty() ? reply.errorString() : message, 0});
    }
}
