#pragma once

#include "DeviceStore.h"

#include <QHash>

#include <condition_variable>
#include <mutex>
#include <thread>

class Database;

// Remembers where each device was last seen and writes it down about once a second, all in one
// transaction. The status synchronisation, by far the most frequent request, then only reads the
// database; a last-seen time a second late loses nothing anybody needs.
class DeviceRecorder
{
public:
    explicit DeviceRecorder(Database& db, int flushMilliseconds = 1000);
    ~DeviceRecorder(); // writes what is pending
    DeviceRecorder(const DeviceRecorder&) = delete;
    DeviceRecorder& operator=(const DeviceRecorder&) = delete;

    void deviceSeen(const DeviceSighting& sighting);
    void flush();

private:
    void run();

    Database& m_db;
    int m_flushMilliseconds;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    QHash<QPair<qint64, QString>, DeviceSighting> m_pending;
    std::mutex m_flushMutex;
    std::thread m_thread;
};
