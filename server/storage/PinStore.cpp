#include "PinStore.h"

#include "Sql.h"

namespace {

const QString pinColumns
    = QStringLiteral("id, user_id, sealed_pin, time_hours, failed_attempts, blocked_until, "
                     "created_at, updated_at");

StoredPin readPin(const Sql& row)
{
    StoredPin pin;
    pin.id = row.int64(0);
    pin.userId = row.int64(1);
    pin.sealedPin = row.text(2);
    pin.timeHours = static_cast<int>(row.int64(3));
    pin.failedAttempts = static_cast<int>(row.int64(4));
    pin.blockedUntil = row.optionalInt64(5);
    pin.createdAt = row.int64(6);
    pin.updatedAt = row.int64(7);
    return pin;
}

} // namespace

std::optional<StoredPin> PinStore::ofUser(qint64 userId)
{
    Sql query(m_db, QStringLiteral("SELECT ") + pinColumns + QStringLiteral(" FROM pins WHERE user_id = ?"));
    query.bind(userId).exec();
    if (!query.next())
        return std::nullopt;
    return readPin(query);
}

std::optional<StoredPin> PinStore::any()
{
    Sql query(
        m_db, QStringLiteral("SELECT ") + pinColumns + QStringLiteral(" FROM pins ORDER BY id LIMIT 1"));
    query.exec();
    if (!query.next())
        return std::nullopt;
    return readPin(query);
}

std::optional<StoredPin> PinStore::create(qint64 userId, const QString& sealedPin, int timeHours, qint64 now)
{
    Sql insert(m_db,
        QStringLiteral("INSERT INTO pins (user_id, sealed_pin, time_hours, failed_attempts, created_at, "
                       "updated_at) VALUES (?, ?, ?, 0, ?, ?) ON CONFLICT (user_id) DO NOTHING RETURNING ")
            + pinColumns);
    insert.bind(userId).bind(sealedPin).bind(timeHours).bind(now).bind(now).exec();
    if (!insert.next())
        return std::nullopt;
    return readPin(insert);
}

std::optional<StoredPin> PinStore::startAttempt(qint64 userId, qint64 now, int allowedAttempts)
{
    Sql update(m_db,
        QStringLiteral("UPDATE pins SET failed_attempts = failed_attempts + 1 WHERE user_id = ? "
                       "AND failed_attempts < ? AND (blocked_until IS NULL OR blocked_until <= ?) RETURNING ")
            + pinColumns);
    update.bind(userId).bind(allowedAttempts).bind(now).exec();
    if (!update.next())
        return std::nullopt;
    return readPin(update);
}

void PinStore::clearAttempts(qint64 pinId)
{
    Sql(m_db, QStringLiteral("UPDATE pins SET failed_attempts = 0 WHERE id = ?")).bind(pinId).exec();
}

void PinStore::block(qint64 pinId, qint64 until, qint64 now)
{
    Sql(m_db,
        QStringLiteral("UPDATE pins SET blocked_until = ?, failed_attempts = 0, updated_at = ? WHERE id = ?"))
        .bind(until)
        .bind(now)
        .bind(pinId)
        .exec();
}

void PinStore::replace(qint64 pinId, const QString& sealedPin, qint64 now)
{
    Sql(m_db,
        QStringLiteral("UPDATE pins SET sealed_pin = ?, failed_attempts = 0, updated_at = ? WHERE id = ?"))
        .bind(sealedPin)
        .bind(now)
        .bind(pinId)
        .exec();
}

bool PinStore::remove(qint64 userId)
{
    Sql remove(m_db, QStringLiteral("DELETE FROM pins WHERE user_id = ?"));
    remove.bind(userId).exec();
    return remove.rowsAffected() > 0;
}

bool PinStore::unblock(qint64 userId, qint64 now)
{
    Sql update(m_db,
        QStringLiteral(
            "UPDATE pins SET blocked_until = NULL, failed_attempts = 0, updated_at = ? WHERE user_id = ?"));
    update.bind(now).bind(userId).exec();
    return update.rowsAffected() > 0;
}
