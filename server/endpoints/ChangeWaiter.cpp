#include "ChangeWaiter.h"

#include <algorithm>

ChangeWaiter::ChangeWaiter(int maxWaiting, std::chrono::milliseconds recheck)
    : m_maxWaiting(maxWaiting)
    , m_recheck(recheck)
{ }

void ChangeWaiter::waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    if (ready() || timeout.count() <= 0)
        return;
    std::unique_lock lock(m_mutex);
    if (m_stopping || m_waiting >= m_maxWaiting)
        return;
    ++m_waiting;
    // Leaves the count right however the wait ends, a failing `ready` included.
    struct Seat
    {
        std::unique_lock<std::mutex>& lock;
        int& waiting;
        ~Seat()
        {
            if (!lock.owns_lock())
                lock.lock();
            --waiting;
        }
    } seat {lock, m_waiting};
    while (!m_stopping && Clock::now() < deadline) {
        const unsigned long long seen = m_generation;
        m_changed.wait_until(lock, std::min(deadline, Clock::now() + m_recheck),
            [&] { return m_stopping || m_generation != seen; });
        if (m_stopping)
            return;
        lock.unlock();
        const bool done = ready();
        lock.lock();
        if (done)
            return;
    }
}

void ChangeWaiter::notifyChange()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_generation;
    }
    m_changed.notify_all();
}

void ChangeWaiter::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
}
