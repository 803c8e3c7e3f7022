#include "DeviceRecorder.h"

#include "Diagnostics.h"
#include "LinkedAddressStore.h"
#include "Sql.h"

#include <algorithm>

DeviceRecorder::DeviceRecorder(Database& db, int flushMilliseconds)
    : m_db(db)
    , m_flushMilliseconds(flushMilliseconds)
    , m_thread(&DeviceRecorder::run, this)
{ }

DeviceRecorder::~DeviceRecorder()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
    flush();
}

void DeviceRecorder::deviceSeen(const DeviceSighting& sighting)
{
    std::lock_guard lock(m_mutex);
    m_pending.insert({sighting.userId, sighting.platformUniqueId}, sighting);
}

void DeviceRecorder::addressSeen(qint64 userId, const QString& address, qint64 seenAt)
{
    std::lock_guard lock(m_mutex);
    qint64& latest = m_pendingAddresses[{userId, address}];
    latest = std::max(latest, seenAt);
}

void DeviceRecorder::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, std::chrono::milliseconds(m_flushMilliseconds), [this] { return m_stopping; });
        lock.unlock();
        flush();
        lock.lock();
    }
}

void DeviceRecorder::flush()
{
    std::lock_guard flushing(m_flushMutex);
    QHash<QPair<qint64, QString>, DeviceSighting> sightings;
    QHash<QPair<qint64, QString>, qint64> addresses;
    {
        std::lock_guard lock(m_mutex);
        sightings.swap(m_pending);
        addresses.swap(m_pendingAddresses);
    }
    if (sightings.isEmpty() && addresses.isEmpty())
        return;
    try {
        DeviceStore devices(m_db);
        LinkedAddressStore links(m_db);
        Transaction transaction(m_db);
        for (const DeviceSighting& sighting : std::as_const(sightings))
            devices.record(sighting);
        qint64 latest = 0;
        bool resolverNews = false;
        for (auto link = addresses.cbegin(); link != addresses.cend(); ++link) {
            resolverNews |= links.link(link.key().first, link.key().second, link.value());
            latest = std::max(latest, link.value());
        }
        if (latest > 0)
            resolverNews |= links.forgetUnusedBefore(latest - linkedAddressLifetime) > 0;
        if (resolverNews)
            ResolverGeneration(m_db).advance();
        transaction.commit();
    } catch (const StorageError& error) {
        // Losing a last-seen time is harmless; the next synchronisation records it again.
        diagnostics::printLine(
            QStringLiteral("devices not recorded: ") + QString::fromStdString(error.what()));
    }
}
