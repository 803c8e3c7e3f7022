#pragma once

#include <QString>

// The server's time in whole seconds since 1970 (UTC). Everything that expires or waits (sessions, PIN
// blocks, reset links, PIN mails) reads it here, so a test can move it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 now() const = 0;
};

class SystemClock : public Clock
{
public:
    qint64 now() const override;
};

// Development clock: the time is the number written in a file, read afresh on every call; while the file
// is missing or holds no number the system clock counts.
class FileClock : public Clock
{
public:
    explicit FileClock(QString path);
    qint64 now() const override;

private:
    QString m_path;
    SystemClock m_fallback;
};

namespace timestamps {

// "2024-05-01T10:00:00.000000Z", the form every answer uses.
QString iso(qint64 seconds);

} // namespace timestamps
