#pragma once

#include "Stores.h"

#include <QHash>

#include <condition_variable>
#include <mutex>
#include <thread>

class Database;

// Remembers when sessions were last used and where devices were last seen, and writes it down about
// once a second in one transaction. The status synchronisation, the most frequent request by far, then
// only reads the database; a last-seen time that is a second old loses nothing anybody needs.
class ActivityRecorder
{
public:
    ActivityRecorder(Database& db, qint64 sessionLifetimeSeconds, int flushMilliseconds = 1000);
    ~ActivityRecorder(); // writes what is pending
    ActivityRecorder(const ActivityRecorder&) = delete;
    ActivityRecorder& operator=(const ActivityRecorder&) = delete;

    void sessionUsed(qint64 sessionId, qint64 now);
    void deviceSeen(const DeviceSighting& sighting);
    void flush();

private:
    void run();

    Database& m_db;
    qint64 m_sessionLifetime;
    int m_flushMilliseconds;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    QHash<qint64, qint64> m_sessions; // session id → last use
    QHash<QPair<qint64, QString>, DeviceSighting> m_devices;
    std::mutex m_flushMutex;
    std::thread m_thread;
};
