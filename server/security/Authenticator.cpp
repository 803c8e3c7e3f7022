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

Authenticator::Authenticator(
    Database& db, const Clock& clock, const QString& defaultToken, qint64 sessionLifetimeSeconds)
    : m_sessions(db)
    , m_clock(clock)
    , m_defaultTokenDigest(tokens::digest(defaultToken.toUtf8()))
    , m_sessionLifetime(sessionLifetimeSeconds)
{ }

void Authenticator::keepAlive(const SessionRecord& session)
{
    const qint64 now = m_clock.now();
    if (now - session.lastUsedAt >= 3600)
        m_sessions.touch(session.id, now, now + m_sessionLifetime);
}

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
        return {Identity::Kind::Unknown, std::nullopt};
    const std::optional<SessionRecord> session = m_sessions.byDigest(digest);
    if (!session)
        return {Identity::Kind::Unknown, std::nullopt};
    return {session->isActive(m_clock.now()) ? Identity::Kind::SignedIn : Identity::Kind::Ended, session};
}
