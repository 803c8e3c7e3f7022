#include "WebsiteStore.h"

#include "LinkedAddressStore.h"
#include "Sql.h"

namespace {

const QString websiteColumns = QStringLiteral("id, user_id, domain, created_at, updated_at");

WebsiteRecord readWebsite(const Sql& row)
{
    return {row.int64(0), row.int64(1), row.text(2), row.int64(3), row.int64(4)};
}

} // namespace

std::optional<WebsiteRecord> WebsiteStore::add(qint64 userId, const QString& domain, qint64 now)
{
    Transaction transaction(m_db);
    Sql insert(m_db,
        QStringLiteral("INSERT INTO blocked_websites (user_id, domain, created_at, updated_at) "
                       "VALUES (?, ?, ?, ?) ON CONFLICT (user_id, domain) DO NOTHING RETURNING id"));
    insert.bind(userId).bind(domain).bind(now).bind(now).exec();
    if (!insert.next())
        return std::nullopt;
    ResolverGeneration(m_db).advance();
    transaction.commit();
    return WebsiteRecord {insert.int64(0), userId, domain, now, now};
}

std::optional<WebsiteRecord> WebsiteStore::byId(qint64 id)
{
    Sql query(m_db,
        QStringLiteral("SELECT ") + websiteColumns + QStringLiteral(" FROM blocked_websites WHERE id = ?"));
    query.bind(id).exec();
    if (!query.next())
        return std::nullopt;
    return readWebsite(query);
}

bool WebsiteStore::remove(qint64 id, qint64 userId)
{
    Transaction transaction(m_db);
    Sql remove(m_db, QStringLiteral("DELETE FROM blocked_websites WHERE id = ? AND user_id = ?"));
    remove.bind(id).bind(userId).exec();
    if (remove.rowsAffected() == 0)
        return false;
    ResolverGeneration(m_db).advance();
    transaction.commit();
    return true;
}

qint64 WebsiteStore::count(qint64 userId)
{
    Sql query(m_db, QStringLiteral("SELECT COUNT(*) FROM blocked_websites WHERE user_id = ?"));
    query.bind(userId).exec();
    return query.next() ? query.int64(0) : 0;
}

QList<WebsiteRecord> WebsiteStore::page(qint64 userId, qint64 offset, int limit)
{
    Sql query(m_db,
        QStringLiteral("SELECT ") + websiteColumns
            + QStringLiteral(" FROM blocked_websites WHERE user_id = ? ORDER BY id LIMIT ? OFFSET ?"));
    query.bind(userId).bind(limit).bind(offset).exec();
    QList<WebsiteRecord> rows;
    while (query.next())
        rows.append(readWebsite(query));
    return rows;
}
