#pragma once

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// A web service that answers JSON: GET the endpoint with these query parameters; the JSON object of a
// 200 answer, nothing otherwise (unreachable, another status, not an object).
class JsonSource
{
public:
    virtual ~JsonSource() = default;
    virtual std::optional<QJsonObject> fetch(
        const QString& endpoint, const QList<QPair<QString, QString>>& parameters) const = 0;
};

// Who a Google or Facebook access token belongs to, as its provider says.
struct SocialIdentity
{
    QString profileId;
    QString email; // may be empty (Facebook accounts without an address)
};

enum class SocialProvider { Facebook, Google };

// Asks the provider about an access token: Google's token information endpoint (the token must have
// been issued to our Google client) or Facebook's Graph API (/app must name our Facebook application,
// then /me gives id and email). The endpoints are configurable so that tests can stand in a local
// provider.
class SocialVerifier
{
public:
    struct Endpoints
    {
        QString googleTokenInfoUrl;
        QString facebookGraphUrl;
        QString googleClientId;
        QString facebookAppUrl;
        QString facebookAppId;
    };
    SocialVerifier(Endpoints endpoints, const JsonSource& source, bool trustWithoutAsking = false);

    // The identity behind the token, or nothing when the provider does not vouch for it. In trusting
    // mode (development only) the claimed identity is taken as it is.
    std::optional<SocialIdentity> verify(
        SocialProvider provider, const QString& accessToken, const SocialIdentity& claimed) const;

private:
    std::optional<SocialIdentity> askGoogle(const QString& accessToken) const;
    std::optional<SocialIdentity> askFacebook(const QString& accessToken) const;

    Endpoints m_endpoints;
    const JsonSource& m_source;
    bool m_trust;
};
