#include "CounsellorSessionStore.h"

#include "Sql.h"

void CounsellorSessionStore::open(
    qint64 counsellorId, const QString& tokenDigest, qint64 now, qint64 lifetimeSeconds)
{
    Sql(m_db,
        QStringLiteral(
            "INSERT INTO counsellor_sessions (counsellor_id, token_hash, created_at, last_used_at, "
            "expires_at) VALUES (?, ?, ?, ?, ?)"))
        .bind(counsellorId)
        .bind(tokenDigest)
        .bind(now)
        .bind(now)
        .bind(now + lifetimeSeconds)
        .exec();
}

std::optional<CounsellorSession> CounsellorSessionStore::byDigest(const QString& tokenDigest)
{
    Sql query(m_db,
        QStringLiteral(
            "SELECT id, counsellor_id, last_used_at, expires_at, revoked_at FROM counsellor_sessions "
            "WHERE token_hash = ?"));
    query.bind(tokenDigest).exec();
    if (!query.next())
        return std::nullopt;
    return CounsellorSession {
        query.int64(0), query.int64(1), query.int64(2), query.int64(3), query.optionalInt64(4)};
}

void CounsellorSessionStore::touch(qint64 sessionId, qint64 now, qint64 expiresAt)
{
    Sql(m_db,
        QStringLiteral("UPDATE counsellor_sessions SET last_used_at = ?, expires_at = ? WHERE id = ? AND "
                       "revoked_at IS NULL"))
        .bind(now)
        .bind(expiresAt)
        .bind(sessionId)
        .exec();
}

void CounsellorSessionStore::revoke(qint64 sessionId, qint64 now)
{
    Sql(m_db,
        QStringLiteral("UPDATE counsellor_sessions SET revoked_at = ? WHERE id = ? AND revoked_at IS NULL"))
        .bind(now)
        .bind(sessionId)
        .exec();
}

bool CounsellorSessionStore::anyUsedSince(qint64 since, qint64 now)
{
    Sql query(m_db,
        QStringLiteral(
            "SELECT COUNT(*) FROM counsellor_sessions s JOIN counsellors c ON c.id = s.counsellor_id "
            "WHERE s.revoked_at IS NULL AND s.expires_at > ? AND s.last_used_at >= ? AND "
            "c.removed_at IS NULL"));
    query.bind(now).bind(since).exec();
    return query.next() && query.int64(0) > 0;
}
