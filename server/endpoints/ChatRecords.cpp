#include "ChatRecords.h"

#include "Clock.h"
#include "FormData.h"
#include "Validation.h"

#include <QJsonValue>

#include <algorithm>

namespace chat {

std::optional<QString> textRefusal(const QString& text)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("Please write a message first.");
    if (validation::characterCount(text) > maxMessageLength)
        return QStringLiteral("A message can be at most %1 characters long.").arg(maxMessageLength);
    const bool control = std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control && c != u'\n' && c != u'\r' && c != u'\t';
    });
    if (control)
        return QStringLiteral("The message holds characters that cannot be sent.");
    return std::nullopt;
}

bool isClientId(const QString& text)
{
    return !text.isEmpty() && text.size() <= 64 && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
            || c == u'_';
    });
}

std::optional<qint64> counter(const FormData& form, const QString& name, qint64 fallback)
{
    const std::optional<QString> text = form.value(name);
    if (!text)
        return fallback;
    if (*text == u"0")
        return 0;
    return validation::positiveId(*text);
}

QJsonObject message(const ChatMessage& message, Side side)
{
    QString from;
    switch (message.author) {
    case ChatAuthor::User:
        from = side == Side::User ? QStringLiteral("you") : QStringLiteral("user");
        break;
    case ChatAuthor::Counsellor:
        from = QStringLiteral("counsellor");
        break;
    case ChatAuthor::Note:
        from = QStringLiteral("note");
        break;
    }
    const bool named = message.author != ChatAuthor::User && message.counsellorName;
    return {{QStringLiteral("id"), message.seq}, {QStringLiteral("from"), from},
        {QStringLiteral("name"), named ? QJsonValue(*message.counsellorName) : QJsonValue()},
        {QStringLiteral("text"), message.body},
        {QStringLiteral("sent_at"), timestamps::iso(message.createdAt)},
        {QStringLiteral("client_id"), message.clientId ? QJsonValue(*message.clientId) : QJsonValue()}};
}

QJsonValue openingHours(const std::optional<OpeningHours>& hours)
{
    if (!hours)
        return QJsonValue::Null;
    return QJsonObject {{QStringLiteral("opens"), hours->opens}, {QStringLiteral("closes"), hours->closes},
        {QStringLiteral("time_zone"), hours->timeZone}};
}

} // namespace chat
