#include "SocialVerifier.h"

#include <QJsonObject>

namespace {

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

SocialVerifier::SocialVerifier(Endpoints endpoints, const JsonSource& source, bool trustWithoutAsking)
    : m_endpoints(std::move(endpoints))
    , m_source(source)
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
        = m_source.fetch(m_endpoints.googleTokenInfoUrl, {{QStringLiteral("access_token"), accessToken}});
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
        = m_source.fetch(m_endpoints.facebookAppUrl, {{QStringLiteral("access_token"), accessToken}});
    if (!app || textOf(*app, QStringLiteral("id")) != m_endpoints.facebookAppId)
        return std::nullopt;
    const std::optional<QJsonObject> me = m_source.fetch(m_endpoints.facebookGraphUrl,
        {{QStringLiteral("fields"), QStringLiteral("id,email")},
            {QStringLiteral("access_token"), accessToken}});
    if (!me)
        return std::nullopt;
    SocialIdentity identity {textOf(*me, QStringLiteral("id")), textOf(*me, QStringLiteral("email"))};
    if (identity.profileId.isEmpty())
        return std::nullopt;
    return identity;
}
