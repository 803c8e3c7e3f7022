#include "Authenticator.h"

#include "Clock.h"
#include "Tokens.h"

#include <algorithm>

namespace {

bool looksLikeSessionToken(const QByteArray& token)
{
    return token.size() == 64 && std::all_of(token.cbegin(), token.cend(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
}

} // namespace

Authenticator::Authenticator(Database& db, const Clock& clock, const QString& defaultToken)
    : m_sessions(db)
    , m_clock(clock)
    , m_defaultTokenDigest(tokens::digest(defaultToken.toUtf8()))
{ }

Identity Authenticator::identify(const QByteArray& authorizationHeader)
{
    const QByteArray header = authorizationHeader.trimmed();
    if (header.size() < 8 || header.first(7).toLower() != "bearer ")
        return {};
    const QByteArray token = header.sliced(7).trimmed();
    if (token.isEmpty())
        return {};
    const QString digest = tokens::digest(token);
    if (tokens::sameDigest(digest, m_defaultTokenDigest))
        return {Identity::Kind::Application, std::nullopt};
    if (!looksLikeSessionToken(token))
        return {};
    const std::optional<SessionRecord> session = m_sessions.byDigest(digest);
    if (!session)
        return {};
    return {session->isActive(m_clock.now()) ? Identity::Kind::SignedIn : Identity::Kind::Ended, session};
}
