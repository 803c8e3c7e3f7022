#include "CounsellorStore.h"

#include "Sql.h"
#include "UserStore.h"

namespace {

const QString counsellorColumns
    = QStringLiteral("id, name, email, password_hash, created_at, removed_at FROM counsellors");

CounsellorRecord readCounsellor(const Sql& row)
{
    return {row.int64(0), row.text(1), row.text(2), row.text(3), row.int64(4), row.optionalInt64(5)};
}

void revokeSessions(Database& db, qint64 counsellorId, qint64 now)
{
    Sql(db,
        QStringLiteral("UPDATE counsellor_sessions SET revoked_at = ? WHERE counsellor_id = ? AND "
                       "revoked_at IS NULL"))
        .bind(now)
        .bind(counsellorId)
        .exec();
}

} // namespace

bool CounsellorStore::save(const QString& name, const QString& email, const QString& passwordHash, qint64 now)
{
    Transaction transaction(m_db);
    Sql existing(m_db, QStringLiteral("SELECT id FROM counsellors WHERE email_key = ?"));
    existing.bind(emailKey(email)).exec();
    const bool created = !existing.next();
    Sql upsert(m_db,
        QStringLiteral(
            "INSERT INTO counsellors (name, email, email_key, password_hash, created_at, updated_at) "
            "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (email_key) DO UPDATE SET name = excluded.name, "
            "password_hash = excluded.password_hash, updated_at = excluded.updated_at, "
            "removed_at = NULL RETURNING id"));
    upsert.bind(name).bind(email).bind(emailKey(email)).bind(passwordHash).bind(now).bind(now).exec();
    upsert.next();
    revokeSessions(m_db, upsert.int64(0), now);
    transaction.commit();
    return created;
}

std::optional<CounsellorRecord> CounsellorStore::one(const QString& condition, const QVariant& key)
{
    Sql query(m_db,
        QStringLiteral("SELECT ") + counsellorColumns + QStringLiteral(" WHERE ") + condition
            + QStringLiteral(" AND removed_at IS NULL"));
    query.bind(key).exec();
    if (!query.next())
        return std::nullopt;
    return readCounsellor(query);
}

std::optional<CounsellorRecord> CounsellorStore::activeByEmail(const QString& email)
{
    return one(QStringLiteral("email_key = ?"), emailKey(email));
}

std::optional<CounsellorRecord> CounsellorStore::activeById(qint64 id)
{
    return one(QStringLiteral("id = ?"), id);
}

QList<CounsellorRecord> CounsellorStore::all()
{
    Sql query(m_db, QStringLiteral("SELECT ") + counsellorColumns + QStringLiteral(" ORDER BY id"));
    query.exec();
    QList<CounsellorRecord> found;
    while (query.next())
        found.append(readCounsellor(query));
    return found;
}

void CounsellorStore::setPasswordHash(qint64 id, const QString& hash, qint64 now)
{
    Sql(m_db, QStringLiteral("UPDATE counsellors SET password_hash = ?, updated_at = ? WHERE id = ?"))
        .bind(hash)
        .bind(now)
        .bind(id)
        .exec();
}

bool CounsellorStore::remove(const QString& email, qint64 now)
{
    Transaction transaction(m_db);
    Sql update(m_db,
        QStringLiteral("UPDATE counsellors SET removed_at = ?, updated_at = ? WHERE email_key = ? AND "
                       "removed_at IS NULL RETURNING id"));
    update.bind(now).bind(now).bind(emailKey(email)).exec();
    if (!update.next())
        return false;
    revokeSessions(m_db, update.int64(0), now);
    transaction.commit();
    return true;
}
