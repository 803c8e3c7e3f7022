#pragma once

#include <QList>
#include <QString>

#include <optional>

class Database;

// Where each device of an account was first and last seen.
struct DeviceSighting
{
    qint64 userId = 0;
    QString platformUniqueId;
    QString address;
    qint64 seenAt = 0;
};

struct DeviceRecord
{
    qint64 userId = 0;
    QString platformUniqueId;
    QString lastAddress;
    qint64 firstSeenAt = 0;
    qint64 lastSeenAt = 0;
};

class DeviceStore
{
public:
    explicit DeviceStore(Database& db)
        : m_db(db)
    { }
    void record(const DeviceSighting& sighting);
    QList<DeviceRecord> ofUser(qint64 userId);

private:
    Database& m_db;
};
