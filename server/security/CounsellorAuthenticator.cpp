#include "CounsellorAuthenticator.h"

#include "Clock.h"
#include "PasswordHasher.h"
#include "Tokens.h"
#include "UserStore.h"

#include <algorithm>

namespace {

// Presence is written at most this often per session, so that a console's polls are not all writes.
constexpr qint64 touchEverySeconds = 15;

bool looksLikeToken(const QByteArray& token)
{
    return token.size() == 64 && std::all_of(token.cbegin(), token.cend(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
}

} // namespace

CounsellorAuthenticator::CounsellorAuthenticator(
    Database& db, const Clock& clock, PasswordHasher& hasher, Settings settings)
    : m_counsellors(db)
    , m_sessions(db)
    , m_clock(clock)
    , m_hasher(hasher)
    , m_settings(settings)
    , m_signInsByClient(settings.signInsPerMinute, 60)
    , m_failuresByAccount(10, 15 * 60)
{ }

CounsellorAuthenticator::SignIn CounsellorAuthenticator::signIn(
    const QString& email, const QString& password, const QString& client)
{
    const qint64 now = m_clock.now();
    if (const qint64 wait = m_signInsByClient.take(client, now))
        return {std::nullopt, {}, wait};
    const QString account = emailKey(email);
    if (const qint64 wait = m_failuresByAccount.waitFor(account, now))
        return {std::nullopt, {}, wait};
    const std::optional<CounsellorRecord> counsellor = m_counsellors.activeByEmail(email);
    // An unknown address costs the same time as a wrong password.
    const bool right = counsellor ? m_hasher.verify(counsellor->passwordHash, password, client)
                                  : (m_hasher.verifyNothing(password, client), false);
    if (!right) {
        m_failuresByAccount.count(account, now);
        return {};
    }
    if (m_hasher.needsRehash(counsellor->passwordHash))
        m_counsellors.setPasswordHash(counsellor->id, m_hasher.hash(password, client), now);
    const tokens::Issued issued = tokens::issue();
    m_sessions.open(counsellor->id, issued.digest, now, m_settings.sessionLifetimeSeconds);
    const std::optional<CounsellorSession> session = m_sessions.byDigest(issued.digest);
    if (!session)
        return {};
    return {Identity {*session, *counsellor}, issued.token, 0};
}

std::optional<CounsellorAuthenticator::Identity> CounsellorAuthenticator::identify(const QByteArray& token)
{
    if (!looksLikeToken(token))
        return std::nullopt;
    const qint64 now = m_clock.now();
    std::optional<CounsellorSession> session = m_sessions.byDigest(tokens::digest(token));
    if (!session || !session->isActive(now))
        return std::nullopt;
    const std::optional<CounsellorRecord> counsellor = m_counsellors.activeById(session->counsellorId);
    if (!counsellor)
        return std::nullopt;
    if (now - session->lastUsedAt >= touchEverySeconds || now < session->lastUsedAt) {
        session->lastUsedAt = now;
        session->expiresAt = now + m_settings.sessionLifetimeSeconds;
        m_sessions.touch(session->id, now, session->expiresAt);
    }
    return Identity {*session, *counsellor};
}

void CounsellorAuthenticator::signOut(const CounsellorSession& session)
{
    m_sessions.revoke(session.id, m_clock.now());
}

bool CounsellorAuthenticator::anyoneOnline()
{
    const qint64 now = m_clock.now();
    return m_sessions.anyUsedSince(now - presenceSeconds, now);
}
