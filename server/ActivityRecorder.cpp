#include "ActivityRecorder.h"

#include "Database.h"

#include <Diagnostics.h>

ActivityRecorder::ActivityRecorder(Database& db, qint64 sessionLifetimeSeconds, int flushMilliseconds)
    : m_db(db)
    , m_sessionLifetime(sessionLifetimeSeconds)
    , m_flushMilliseconds(flushMilliseconds)
    , m_thread(&ActivityRecorder::run, this)
{ }

ActivityRecorder::~ActivityRecorder()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void ActivityRecorder::sessionUsed(qint64 sessionId, qint64 now)
{
    std::lock_guard lock(m_mutex);
    qint64& last = m_sessions[sessionId];
    last = std::max(last, now);
}

void ActivityRecorder::deviceSeen(const DeviceSighting& sighting)
{
    std::lock_guard lock(m_mutex);
    m_devices.insert({sighting.userId, sighting.platformUniqueId}, sighting);
}

void ActivityRecorder::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, std::chrono::milliseconds(m_flushMilliseconds), [this] { return m_stopping; });
        lock.unlock();
        flush();
        lock.lock();
    }
}

void ActivityRecorder::flush()
{
    std::lock_guard flushing(m_flushMutex);
    QHash<qint64, qint64> sessions;
    QHash<QPair<qint64, QString>, DeviceSighting> devices;
    {
        std::lock_guard lock(m_mutex);
        sessions.swap(m_sessions);
        devices.swap(m_devices);
    }
    if (sessions.isEmpty() && devices.isEmpty())
        return;
    try {
        SessionStore sessionStore(m_db);
        DeviceStore deviceStore(m_db);
        Transaction transaction(m_db);
        for (auto it = sessions.cbegin(); it != sessions.cend(); ++it)
            sessionStore.touch(it.key(), it.value(), it.value() + m_sessionLifetime);
        for (const DeviceSighting& sighting : std::as_const(devices))
            deviceStore.record(sighting);
        transaction.commit();
    } catch (const StorageError& error) {
        // Losing a last-seen time is harmless; the next use records it again.
        diagnostics::printLine(
            QStringLiteral("activity not recorded: ") + QString::fromStdString(error.what()));
    }
}
