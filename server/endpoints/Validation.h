#pragma once

#include "ApiTypes.h"

#include <QString>

#include <optional>

// The rules user-typed values must meet. A value that breaks them is refused with a message the
// application shows; it is never altered to fit.
namespace validation {

inline constexpr int maxTextLength = 255; // names, device names, domains, device identifiers
inline constexpr int minPasswordLength = 8;
inline constexpr int maxPasswordLength = 1024;

bool isEmailAddress(const QString& text);
bool isSixDigitPin(const QString& text);
// 12, 24 and 48 hours, or 175200 (twenty years) for the forever choice.
std::optional<int> waitingHours(const QString& text);
inline constexpr int foreverHours = 175200;
// Why a new password is refused (the message the user is shown), or nothing when it is acceptable.
std::optional<QString> passwordRefusal(const QString& password);
// Lengths count characters as people see them (an emoji is one, not two UTF-16 units).
qsizetype characterCount(const QString& text);
// A website as the application sends it: at least one visible character, no line break or control
// character, at most maxTextLength characters. Otherwise stored exactly as given.
bool isAcceptableDomain(const QString& domain);
// Free text (names, device names): no control characters, at most maxTextLength characters.
bool isAcceptableText(const QString& text);
// A positive decimal number without sign or leading zero, small enough for a 64-bit id.
std::optional<qint64> positiveId(const QString& text);

// Endpoints that carry "user_id" act only on the caller's own account: an absent or empty user_id
// means the caller, another account's id is refused (403), and a non-number is malformed (422).
std::optional<ApiResponse> refuseForeignUserId(const Call& call);

} // namespace validation
