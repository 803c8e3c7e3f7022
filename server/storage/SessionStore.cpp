#include "SessionStore.h"

#include "Sql.h"

void SessionStore::open(qint64 userId, const QString& tokenDigest, qint64 now, qint64 lifetimeSeconds)
{
    Sql(m_db,
        QStringLiteral("INSERT INTO sessions (user_id, token_hash, created_at, last_used_at, expires_at) "
                       "VALUES (?, ?, ?, ?, ?)"))
        .bind(userId)
        .bind(tokenDigest)
        .bind(now)
        .bind(now)
        .bind(now + lifetimeSeconds)
        .exec();
}

std::optional<SessionRecord> SessionStore::byDigest(const QString& tokenDigest)
{
    Sql query(m_db,
        QStringLiteral(
            "SELECT id, user_id, last_used_at, expires_at, revoked_at, pin_verified_at FROM sessions "
            "WHERE token_hash = ?"));
    query.bind(tokenDigest).exec();
    if (!query.next())
        return std::nullopt;
    return SessionRecord {query.int64(0), query.int64(1), query.int64(2), query.int64(3),
        query.optionalInt64(4), query.optionalInt64(5)};
}

void SessionStore::revoke(qint64 sessionId, qint64 now)
{
    Sql(m_db, QStringLiteral("UPDATE sessions SET revoked_at = ? WHERE id = ? AND revoked_at IS NULL"))
        .bind(now)
        .bind(sessionId)
        .exec();
}

void SessionStore::revokeAllOf(qint64 userId, qint64 now, std::optional<qint64> exceptSessionId)
{
    Sql(m_db,
        QStringLiteral(
            "UPDATE sessions SET revoked_at = ? WHERE user_id = ? AND revoked_at IS NULL AND id <> ?"))
        .bind(now)
        .bind(userId)
        .bind(exceptSessionId.value_or(0))
        .exec();
}

void SessionStore::markPinVerified(qint64 sessionId, qint64 now)
{
    Sql(m_db, QStringLiteral("UPDATE sessions SET pin_verified_at = ? WHERE id = ?"))
        .bind(now)
        .bind(sessionId)
        .exec();
}

void SessionStore::forgetPinVerifications(qint64 userId)
{
    Sql(m_db,
        QStringLiteral(
            "UPDATE sessions SET pin_verified_at = NULL WHERE user_id = ? AND pin_verified_at IS NOT NULL"))
        .bind(userId)
        .exec();
}

void SessionStore::touch(qint64 sessionId, qint64 lastUsed, qint64 expiresAt)
{
    Sql(m_db,
        QStringLiteral("UPDATE sessions SET last_used_at = ?, expires_at = ? "
                       "WHERE id = ? AND revoked_at IS NULL AND expires_at < ?"))
        .bind(lastUsed)
        .bind(expiresAt)
        .bind(sessionId)
        .bind(expiresAt)
        .exec();
}
