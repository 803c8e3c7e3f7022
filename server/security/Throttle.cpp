#include "Throttle.h"

Throttle::Throttle(int limit, qint64 windowSeconds)
    : m_limit(limit)
    , m_windowSeconds(windowSeconds)
{ }

qint64 Throttle::waitForLocked(const QString& key, qint64 now) const
{
    const auto window = m_windows.constFind(key);
    if (window == m_windows.cend() || now >= window->start + m_windowSeconds || window->used < m_limit)
        return 0;
    return window->start + m_windowSeconds - now;
}

qint64 Throttle::waitFor(const QString& key, qint64 now) const
{
    std::lock_guard lock(m_mutex);
    return waitForLocked(key, now);
}

void Throttle::count(const QString& key, qint64 now)
{
    std::lock_guard lock(m_mutex);
    countLocked(key, now);
}

void Throttle::countLocked(const QString& key, qint64 now)
{
    // Windows that ended are dropped now and then, so that many keys seen once do not pile up.
    if (m_windows.size() > 10000) {
        m_windows.removeIf([&](const auto& entry) { return now >= entry.value().start + m_windowSeconds; });
    }
    Window& window = m_windows[key];
    if (now >= window.start + m_windowSeconds)
        window = {now, 0};
    ++window.used;
}

qint64 Throttle::take(const QString& key, qint64 now)
{
    std::lock_guard lock(m_mutex);
    if (const qint64 wait = waitForLocked(key, now))
        return wait;
    countLocked(key, now);
    return 0;
}
