#include "FacebookSignInFlow.h"

#include "Configuration.h"
#include "Diagnostics.h"
#include "Redaction.h"
#include "WebAuthenticationSession.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QUrlQuery>
#include <QUuid>

FacebookSignInFlow::Endpoints FacebookSignInFlow::Endpoints::configured()
{
    return {QUrl(configuration::facebookDialogUrl()), QUrl(configuration::facebookGraphUrl()),
        configuration::facebookAppId()};
}

FacebookSignInFlow::FacebookSignInFlow(Endpoints endpoints, QObject* parent)
    : QObject(parent)
    , m_endpoints(std::move(endpoints))
    , m_network(new QNetworkAccessManager(this))
{ }

QString FacebookSignInFlow::callbackScheme() const
{
    return QStringLiteral("fb") + m_endpoints.appId;
}

QUrl FacebookSignInFlow::dialogUrl(const QString& state) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("client_id"), m_endpoints.appId);
    query.addQueryItem(QStringLiteral("redirect_uri"), callbackScheme() + QStringLiteral("://authorize"));
    query.addQueryItem(QStringLiteral("scope"), QStringList {QStringLiteral("email")}.join(','));
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("token granted_scopes"));
    query.addQueryItem(QStringLiteral("state"), state);
    QUrl url = m_endpoints.dialog;
    url.setQuery(query);
    return url;
}

std::optional<QString> FacebookSignInFlow::accessToken(const QUrl& callbackUrl)
{
    const QUrlQuery fragment(callbackUrl.fragment(QUrl::FullyEncoded));
    const QString token = fragment.queryItemValue(QStringLiteral("access_token"), QUrl::FullyDecoded);
    if (token.isEmpty()) {
        return std::nullopt;
    }
    return token;
}

void FacebookSignInFlow::start(WebAuthenticationSession& session)
{
    const QString state = QUuid::createUuid().toString(QUuid::WithoutBraces);
    session.start(
        dialogUrl(state), callbackScheme(), [self = QPointer(this)](const std::optional<QUrl>& callbackUrl) {
            if (self) {
                self->dialogEnded(callbackUrl);
            }
        });
}

void FacebookSignInFlow::dialogEnded(const std::optional<QUrl>& callbackUrl)
{
    const std::optional<QString> token = callbackUrl ? accessToken(*callbackUrl) : std::nullopt;
    if (!token) {
        diagnostics::printLine(QStringLiteral("Facebook Login Error"));
        Q_EMIT finished(Outcome::noToken, {});
        return;
    }
    // The token opens the user's Facebook account: the log shows only enough to tell two apart.
    diagnostics::printLine(QStringLiteral("access_token = ") + redaction::lastFourOnly(*token));
    QUrl url = m_endpoints.graphMe;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("fields"), QStringLiteral("email"));
    query.addQueryItem(QStringLiteral("access_token"), *token);
    url.setQuery(query);
    QNetworkReply* reply = m_network->get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::finished, this,
        [this, reply, token = *token] { graphAnswered(reply, token); });
}

void FacebookSignInFlow::graphAnswered(QNetworkReply* reply, const QString& accessToken)
{
    reply->deleteLater();
    const QByteArray body = reply->readAll();
    if (reply->error() != QNetworkReply::NoError || body.isEmpty()) {
        diagnostics::printLine(QStringLiteral("Facebook Graph API: ") + reply->errorString());
        Q_EMIT finished(Outcome::unreadable, {});
        return;
    }
    const Decoded<FacebokGraphAPIModel> decoded = decodeRecord<FacebokGraphAPIModel>(body);
    if (!decoded) {
        diagnostics::printLine(QStringLiteral("Error while decoding - ") + decoded.error.text());
        Q_EMIT finished(Outcome::unreadable, {});
        return;
    }
    const FacebookData data {decoded.record->id, decoded.record->email.value_or(QString()), accessToken};
    if (data.accessToken.isEmpty() || data.id.isEmpty()) {
        Q_EMIT finished(Outcome::missingId, data);
    } else if (data.email.isEmpty()) {
        Q_EMIT finished(Outcome::missingEmail, data);
    } else {
        Q_EMIT finished(Outcome::signedIn, data);
    }
}
