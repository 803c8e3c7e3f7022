#pragma once

#include "platform.h"

#include <QMutex>
#include <QThread>

#include <atomic>

// A reachability flags source the test controls. It is used from the monitor's worker thread, so
// its state is guarded; `report` emits from that thread, as a platform callback would.
class FakeFlagsSource : public platform::ReachabilityFlagsSource
{
    Q_OBJECT

public:
    struct Shared
    {
        QMutex mutex;
        platform::ReachabilityFlagsSource::Reading reading;
        int startError = 0;
        int starts = 0;
        int stops = 0;
        QThread* readThread = nullptr;
    };

    explicit FakeFlagsSource(std::shared_ptr<Shared> shared)
        : m_shared(std::move(shared))
    { }

    Reading read() override
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->readThread = QThread::currentThread();
        return m_shared->reading;
    }

    int start() override
    {
        QMutexLocker lock(&m_shared->mutex);
        ++m_shared->starts;
        return m_shared->startError;
    }

    void stop() override
    {
        QMutexLocker lock(&m_shared->mutex);
        ++m_shared->stops;
    }

    // New flags from the platform, delivered on the source's own thread.
    void report(quint32 flags)
    {
        {
            QMutexLocker lock(&m_shared->mutex);
            m_shared->reading = {flags, 0};
        }
        QMetaObject::invokeMethod(
            this, [this, flags] { Q_EMIT flagsChanged(flags); }, Qt::QueuedConnection);
    }

private:
    std::shared_ptr<Shared> m_shared;
};
