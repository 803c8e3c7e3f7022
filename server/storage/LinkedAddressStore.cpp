#include "LinkedAddressStore.h"

#include "Sql.h"

bool LinkedAddressStore::link(qint64 userId, const QString& address, qint64 seenAt)
{
    Sql touch(m_db,
        QStringLiteral("UPDATE linked_addresses SET last_seen_at = ? WHERE user_id = ? AND address = ? "
                       "AND last_seen_at < ?"));
    touch.bind(seenAt).bind(userId).bind(address).bind(seenAt).exec();
    if (touch.rowsAffected() > 0)
        return false;
    Sql insert(m_db,
        QStringLiteral("INSERT INTO linked_addresses (user_id, address, first_seen_at, last_seen_at) "
                       "VALUES (?, ?, ?, ?) ON CONFLICT (user_id, address) DO NOTHING"));
    insert.bind(userId).bind(address).bind(seenAt).bind(seenAt).exec();
    return insert.rowsAffected() > 0;
}

int LinkedAddressStore::forgetUnusedBefore(qint64 cutoff)
{
    Sql forget(m_db, QStringLiteral("DELETE FROM linked_addresses WHERE last_seen_at < ?"));
    forget.bind(cutoff).exec();
    return forget.rowsAffected();
}

QList<AddressBlock> LinkedAddressStore::blocksSince(qint64 since)
{
    Sql query(m_db,
        QStringLiteral("SELECT l.address, w.domain FROM linked_addresses l "
                       "LEFT JOIN blocked_websites w ON w.user_id = l.user_id "
                       "WHERE l.last_seen_at >= ?"));
    query.bind(since).exec();
    QList<AddressBlock> rows;
    while (query.next())
        rows.append({query.text(0), query.optionalText(1)});
    return rows;
}

qint64 ResolverGeneration::current()
{
    Sql query(m_db, QStringLiteral("SELECT generation FROM resolver_state WHERE id = 1"));
    query.exec();
    return query.next() ? query.int64(0) : 0;
}

void ResolverGeneration::advance()
{
    Sql(m_db, QStringLiteral("UPDATE resolver_state SET generation = generation + 1 WHERE id = 1")).exec();
}
