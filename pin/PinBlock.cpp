#include "PinBlock.h"

#include "Localization.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

namespace {

// The server's times: "2027-01-15T08:00:00.000000Z", always in UTC.
std::optional<QDateTime> serverTime(const QJsonValue& value)
{
    const QString text = value.toString();
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.mid(11, 8), QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid() || text.mid(10, 1) != QLatin1String("T")) {
        return std::nullopt;
    }
    return QDateTime(date, time, QTimeZone::utc());
}

} // namespace

PinBlock& PinBlock::current()
{
    static PinBlock block;
    return block;
}

std::optional<std::chrono::seconds> PinBlock::timeLeftIn(const QByteArray& body)
{
    const QJsonObject data = QJsonDocument::fromJson(body).object().value(QStringLiteral("data")).toObject();
    const std::optional<QDateTime> until = serverTime(data.value(QStringLiteral("blocked_until")));
    const std::optional<QDateTime> now = serverTime(data.value(QStringLiteral("current_time")));
    if (!until || !now || *until <= *now) {
        return std::nullopt;
    }
    return std::chrono::seconds(now->secsTo(*until));
}

void PinBlock::start(std::chrono::seconds duration)
{
    m_deadline = QDeadlineTimer(duration, Qt::PreciseTimer);
}

bool PinBlock::isActive() const
{
    return m_deadline && !m_deadline->hasExpired();
}

std::chrono::milliseconds PinBlock::remaining() const
{
    return isActive()
        ? std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline->remainingTimeAsDuration())
        : std::chrono::milliseconds(0);
}

QString PinBlock::timeLeftText() const
{
    const auto minutes = std::chrono::ceil<std::chrono::minutes>(remaining()).count();
    if (minutes <= 1) {
        return localizedText(QStringLiteral("You can try again in 1 minute."));
    }
    return localizedText(QStringLiteral("You can try again in %1 minutes.")).arg(minutes);
}
