#include "JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QVariant>

namespace json {

std::optional<QJsonValue> parse(const QByteArray& bytes, QString* error)
{
    // QJsonDocument takes only an object or an array at the top. Wrapped in brackets, any single
    // JSON value becomes an array of exactly one element, and anything else stays invalid.
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson('[' + bytes + ']', &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error) {
            const int offset = std::clamp<int>(parseError.offset - 1, 0, int(bytes.size()));
            *error = QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(offset);
        }
        return std::nullopt;
    }
    const QJsonArray wrapper = document.array();
    if (wrapper.size() != 1) {
        if (error) {
            *error = wrapper.isEmpty() ? QStringLiteral("no JSON value")
                                       : QStringLiteral("more than one JSON value");
        }
        return std::nullopt;
    }
    return wrapper.first();
}

bool isInteger(const QJsonValue& value)
{
    // The parser keeps a number as a 64-bit integer exactly when its value is integral and in range.
    return value.isDouble() && value.toVariant().typeId() == QMetaType::LongLong;
}

QString kindOf(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a bool");
    case QJsonValue::Double:
        return isInteger(value) ? QStringLiteral("an integer") : QStringLiteral("a non-integral number");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

} // namespace json
