#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace json {

// Parses a whole body as one JSON value. Top-level scalars ("fragments") are accepted, as the
// server's answers are checked for being JSON before anything is decoded from them. Absent when the
// bytes are not JSON; `error` then says why.
std::optional<QJsonValue> parse(const QByteArray& bytes, QString* error = nullptr);

// "null", "a bool", "an integer", "a non-integral number", "a string", "an array", "an object".
QString kindOf(const QJsonValue& value);

// A JSON number with an integral value that fits in 64 bits.
bool isInteger(const QJsonValue& value);

} // namespace json
