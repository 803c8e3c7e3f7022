#include "Clock.h"

#include <QDateTime>
#include <QFile>

qint64 SystemClock::now() const
{
    return QDateTime::currentSecsSinceEpoch();
}

FileClock::FileClock(QString path)
    : m_path(std::move(path))
{ }

qint64 FileClock::now() const
{
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        bool ok = false;
        const qint64 seconds = file.read(64).trimmed().toLongLong(&ok);
        if (ok)
            return seconds;
    }
    return m_fallback.now();
}

namespace timestamps {

QString iso(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'.000000Z'"));
}

} // namespace timestamps
