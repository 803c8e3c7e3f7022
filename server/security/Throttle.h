#pragma once

#include <QHash>
#include <QString>

#include <mutex>

// Counts what each key (a client address, an account) does in windows of fixed length, and says how long
// a key that used up its limit must wait. Kept in memory: each server counts on its own.
class Throttle
{
public:
    Throttle(int limit, qint64 windowSeconds);

    // Seconds until the key may act again; 0 when it may act now.
    qint64 waitFor(const QString& key, qint64 now) const;
    void count(const QString& key, qint64 now);
    // Counts the use when the key may act now; otherwise the seconds to wait.
    qint64 take(const QString& key, qint64 now);

private:
    struct Window
    {
        qint64 start = 0;
        int used = 0;
    };
    qint64 waitForLocked(const QString& key, qint64 now) const;
    void countLocked(const QString& key, qint64 now);

    int m_limit;
    qint64 m_windowSeconds;
    mutable std::mutex m_mutex;
    QHash<QString, Window> m_windows;
};
