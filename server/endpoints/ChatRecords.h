#pragma once

#include "ChatStore.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

class FormData;

// What the live chat's two sides share: the rules for a message's text and the JSON of a message.
namespace chat {

inline constexpr int maxMessageLength = 2000; // characters as people count them
inline constexpr int maxWaitSeconds = 25; // a long poll answers within this, below every proxy's timeout

// When counsellors are usually there, in their own time zone; none: around the clock.
struct OpeningHours
{
    QString opens; // "08:00"
    QString closes; // "22:00"
    QString timeZone; // an IANA name, "Europe/Paris"
};

// Why a message's text is refused (shown to its writer), or nothing: not blank, at most
// maxMessageLength characters, no control characters but line breaks and tabs.
std::optional<QString> textRefusal(const QString& text);
// The sender's own name for a message, for sending it again safely: up to 64 letters, digits, "-" or "_".
bool isClientId(const QString& text);
// A whole number of at least 0 in a field ("after", "wait"), the fallback when absent; nothing when
// malformed.
std::optional<qint64> counter(const FormData& form, const QString& name, qint64 fallback);

enum class Side { User, Console };
// "from" is "you" (the user's side) or "user", "counsellor" or "note"; a note's text names an event.
QJsonObject message(const ChatMessage& message, Side side);
// null: around the clock.
QJsonValue openingHours(const std::optional<OpeningHours>& hours);

} // namespace chat
