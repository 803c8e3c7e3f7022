#include "ResetStore.h"

#include "Sql.h"

void ResetStore::open(qint64 userId, const QString& tokenDigest, qint64 now, qint64 lifetimeSeconds)
{
    Sql(m_db, QStringLiteral("UPDATE password_resets SET used_at = ? WHERE user_id = ? AND used_at IS NULL"))
        .bind(now)
        .bind(userId)
        .exec();
    Sql(m_db,
        QStringLiteral(
            "INSERT INTO password_resets (user_id, token_hash, created_at, expires_at) VALUES (?, ?, ?, ?)"))
        .bind(userId)
        .bind(tokenDigest)
        .bind(now)
        .bind(now + lifetimeSeconds)
        .exec();
}

std::optional<qint64> ResetStore::peek(const QString& tokenDigest, qint64 now)
{
    Sql query(m_db,
        QStringLiteral("SELECT user_id FROM password_resets WHERE token_hash = ? AND used_at IS NULL "
                       "AND expires_at > ?"));
    query.bind(tokenDigest).bind(now).exec();
    if (!query.next())
        return std::nullopt;
    return query.int64(0);
}

std::optional<qint64> ResetStore::consume(const QString& tokenDigest, qint64 now)
{
    Sql update(m_db,
        QStringLiteral("UPDATE password_resets SET used_at = ? WHERE token_hash = ? AND used_at IS NULL "
                       "AND expires_at > ? RETURNING user_id"));
    update.bind(now).bind(tokenDigest).bind(now).exec();
    if (!update.next())
        return std::nullopt;
    return update.int64(0);
}
