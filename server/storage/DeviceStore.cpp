#include "DeviceStore.h"

#include "Sql.h"

void DeviceStore::record(const DeviceSighting& sighting)
{
    Sql(m_db,
        QStringLiteral(
            "INSERT INTO devices (user_id, platform_unique_id, last_address, first_seen_at, last_seen_at) "
            "VALUES (?, ?, ?, ?, ?) ON CONFLICT (user_id, platform_unique_id) DO UPDATE SET "
            "last_address = excluded.last_address, last_seen_at = excluded.last_seen_at"))
        .bind(sighting.userId)
        .bind(sighting.platformUniqueId)
        .bind(sighting.address)
        .bind(sighting.seenAt)
        .bind(sighting.seenAt)
        .exec();
}

QList<DeviceRecord> DeviceStore::ofUser(qint64 userId)
{
    Sql query(m_db,
        QStringLiteral("SELECT user_id, platform_unique_id, last_address, first_seen_at, last_seen_at "
                       "FROM devices WHERE user_id = ? ORDER BY last_seen_at DESC"));
    query.bind(userId).exec();
    QList<DeviceRecord> devices;
    while (query.next())
        devices.append({query.int64(0), query.text(1), query.text(2), query.int64(3), query.int64(4)});
    return devices;
}
