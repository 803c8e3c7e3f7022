#include "SocialVerifier.h"

#include "Diagnostics.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <curl/curl.h>

namespace {

size_t collect(char* data, size_t size, size_t count, void* userdata)
{
    auto* body = static_cast<QByteArray*>(userdata);
    const size_t bytes = size * count;
    if (body->size() + static_cast<qsizetype>(bytes) > 256 * 1024)
        return 0; // no provider answer is that large
    body->append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

// GET with the access token as a query parameter; the JSON object of a 200 answer, else nothing.
std::optional<QJsonObject> fetchJson(
    const QString& endpoint, const QList<QPair<QString, QString>>& parameters)
{
    QByteArray target = endpoint.toUtf8();
    target += target.contains('?') ? '&' : '?';
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        if (i > 0)
            target += '&';
        target += QUrl::toPercentEncoding(parameters[i].first) + '='
            + QUrl::toPercentEncoding(parameters[i].second);
    }

    CURL* curl = curl_easy_init();
    if (!curl)
        return std::nullopt;
    QByteArray body;
    curl_easy_setopt(curl, CURLOPT_URL, target.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 15L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) {
        diagnostics::printLine(QStringLiteral("sign-in provider not reachable: ")
            + QString::fromUtf8(curl_easy_strerror(result)));
        return std::nullopt;
    }
    if (status != 200)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

QString textOf(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toInteger());
    return {};
}

} // namespace

SocialVerifier::SocialVerifier(Endpoints endpoints, bool trustWithoutAsking)
    : m_endpoints(std::move(endpoints))
    , m_trust(trustWithoutAsking)
{ }

std::optional<SocialIdentity> SocialVerifier::verify(
    SocialProvider provider, const QString& accessToken, const SocialIdentity& claimed) const
{
    if (m_trust)
        return claimed;
    if (accessToken.isEmpty())
        return std::nullopt;
    return provider == SocialProvider::Google ? askGoogle(accessToken) : askFacebook(accessToken);
}

std::optional<SocialIdentity> SocialVerifier::askGoogle(const QString& accessToken) const
{
    const std::optional<QJsonObject> info
        = fetchJson(m_endpoints.googleTokenInfoUrl, {{QStringLiteral("access_token"), accessToken}});
    if (!info)
        return std::nullopt;
    // A token issued to another application must not open an account here.
    const QString audience = textOf(*info, QStringLiteral("aud"));
    const QString authorizedParty = textOf(*info, QStringLiteral("azp"));
    if (audience != m_endpoints.googleClientId && authorizedParty != m_endpoints.googleClientId)
        return std::nullopt;
    const QJsonValue verified = info->value(QStringLiteral("email_verified"));
    const bool emailVerified = verified.toBool() || verified.toString() == u"true";
    SocialIdentity identity {textOf(*info, QStringLiteral("sub")),
        emailVerified ? textOf(*info, QStringLiteral("email")) : QString()};
    if (identity.profileId.isEmpty())
        return std::nullopt;
    return identity;
}

std::optional<SocialIdentity> SocialVerifier::askFacebook(const QString& accessToken) const
{
    // A token issued to another Facebook application must not open an account here.
    const std::optional<QJsonObject> app
        = fetchJson(m_endpoints.facebookAppUrl, {{QStringLiteral("access_token"), accessToken}});
    if (!app || textOf(*app, QStringLiteral("id")) != m_endpoints.facebookAppId)
        return std::nullopt;
    const std::optional<QJsonObject> me = fetchJson(m_endpoints.facebookGraphUrl,
        {{QStringLiteral("fields"), QStringLiteral("id,email")},
            {QStringLiteral("access_token"), accessToken}});
    if (!me)
        return std::nullopt;
    SocialIdentity identity {textOf(*me, QStringLiteral("id")), textOf(*me, QStringLiteral("email"))};
    if (identity.profileId.isEmpty())
        return std::nullopt;
    return identity;
}
