#include "RetrievalStore.h"

#include "Sql.h"

namespace {

const QString retrievalColumns = QStringLiteral("id, user_id, pin_id, requested_at, due_at");

RetrievalRecord readRetrieval(const Sql& row)
{
    return {row.int64(0), row.int64(1), row.int64(2), row.int64(3), row.optionalInt64(4)};
}

} // namespace

std::optional<RetrievalRecord> RetrievalStore::pending(qint64 userId)
{
    Sql query(m_db,
        QStringLiteral("SELECT ") + retrievalColumns
            + QStringLiteral(" FROM pin_retrievals WHERE user_id = ? AND sent_at IS NULL "
                             "AND cancelled_at IS NULL ORDER BY id LIMIT 1"));
    query.bind(userId).exec();
    if (!query.next())
        return std::nullopt;
    return readRetrieval(query);
}

RetrievalRecord RetrievalStore::request(qint64 userId, qint64 pinId, qint64 now, std::optional<qint64> dueAt)
{
    Sql insert(m_db,
        QStringLiteral("INSERT INTO pin_retrievals (user_id, pin_id, requested_at, due_at) "
                       "VALUES (?, ?, ?, ?) RETURNING id"));
    insert.bind(userId).bind(pinId).bind(now).bindOptional(dueAt).exec();
    insert.next();
    return {insert.int64(0), userId, pinId, now, dueAt};
}

QList<RetrievalRecord> RetrievalStore::due(qint64 now)
{
    Sql query(m_db,
        QStringLiteral("SELECT ") + retrievalColumns
            + QStringLiteral(" FROM pin_retrievals WHERE sent_at IS NULL AND cancelled_at IS NULL "
                             "AND due_at IS NOT NULL AND due_at <= ? ORDER BY due_at LIMIT 200"));
    query.bind(now).exec();
    QList<RetrievalRecord> due;
    while (query.next())
        due.append(readRetrieval(query));
    return due;
}

bool RetrievalStore::claim(qint64 id, qint64 now)
{
    Sql update(m_db,
        QStringLiteral("UPDATE pin_retrievals SET sent_at = ? WHERE id = ? AND sent_at IS NULL "
                       "AND cancelled_at IS NULL"));
    update.bind(now).bind(id).exec();
    return update.rowsAffected() == 1;
}

void RetrievalStore::release(qint64 id)
{
    Sql(m_db, QStringLiteral("UPDATE pin_retrievals SET sent_at = NULL WHERE id = ?")).bind(id).exec();
}

void RetrievalStore::cancelAllOf(qint64 userId, qint64 now)
{
    Sql(m_db,
        QStringLiteral("UPDATE pin_retrievals SET cancelled_at = ? WHERE user_id = ? AND sent_at IS NULL "
                       "AND cancelled_at IS NULL"))
        .bind(now)
        .bind(userId)
        .exec();
}
