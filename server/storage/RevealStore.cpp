#include "RevealStore.h"

#include "Sql.h"

void RevealStore::record(qint64 userId, qint64 counsellorId, qint64 now)
{
    Sql(m_db,
        QStringLiteral("INSERT INTO pin_reveals (user_id, counsellor_id, revealed_at) VALUES (?, ?, ?)"))
        .bind(userId)
        .bind(counsellorId)
        .bind(now)
        .exec();
}

QList<RevealRecord> RevealStore::ofUser(qint64 userId)
{
    Sql query(m_db,
        QStringLiteral("SELECT c.name, c.email, r.revealed_at FROM pin_reveals r JOIN counsellors c ON "
                       "c.id = r.counsellor_id WHERE r.user_id = ? ORDER BY r.id"));
    query.bind(userId).exec();
    QList<RevealRecord> found;
    while (query.next())
        found.append({query.text(0), query.text(1), query.int64(2)});
    return found;
}
