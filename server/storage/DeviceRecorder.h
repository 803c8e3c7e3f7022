#pragma once

#include "DeviceStore.h"

#include <QHash>

#include <condition_variable>
#include <mutex>
#include <thread>

class Database;

// Remembers where each device was last seen, and the addresses each account synchronised from (the
// resolver's linked addresses), and writes them down about once a second, all in one transaction. The
// status synchronisation, by far the most frequent request, then only reads the database; a last-seen
// time a second late loses nothing anybody needs. Links unused for linkedAddressLifetime are forgotten
// at the same time.
class DeviceRecorder
{
public:
    explicit DeviceRecorder(Database& db, int flushMilliseconds = 1000);
    ~DeviceRecorder(); // writes what is pending
    DeviceRecorder(const DeviceRecorder&) = delete;
    DeviceRecorder& operator=(const DeviceRecorder&) = delete;

    void deviceSeen(const DeviceSighting& sighting);
    void addressSeen(qint64 userId, const QString& address, qint64 seenAt);
    void flush();

private:
    void run();

    Database& m_db;
    int m_flushMilliseconds;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    QHash<QPair<qint64, QString>, DeviceSighting> m_pending;
    QHash<QPair<qint64, QString>, qint64> m_pendingAddresses; // (account, address) -> last seen
    std::mutex m_flushMutex;
    std::thread m_thread;
};
