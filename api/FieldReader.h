#pragma once

#include "JsonText.h"
#include "Redaction.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <concepts>
#include <optional>
#include <type_traits>

// Every answer record declares its fields once, in a static `fields(self, visit)` that calls
// `visit(jsonKey, fieldName, member[, Shown])` for each of them. The member's type says how the key
// is read: bool, qint64 (a JSON integer), QString, QList<T>, another record, or std::optional of one
// of these for a key that may be missing or null. The same declaration drives decoding (FieldReader)
// and the log's description of a record (RecordDescription.h).
template<typename T>
concept AnswerRecord = requires
{
    {
        T::typeName()
        } -> std::convertible_to<QString>;
};

// Why an answer could not be decoded, and where.
struct DecodeError
{
    QString path; // "data.links[0].label"; empty when the body as a whole is wrong
    QString reason;

    // "data.links[0].label: expected a string, found null"
    QString text() const { return path.isEmpty() ? reason : path + QStringLiteral(": ") + reason; }
};

namespace field_types {

template<typename T>
struct IsOptional : std::false_type
{
};
template<typename T>
struct IsOptional<std::optional<T>> : std::true_type
{
};

template<typename T>
struct IsList : std::false_type
{
};
template<typename T>
struct IsList<QList<T>> : std::true_type
{
};

template<typename T>
QString expected()
{
    if constexpr (std::is_same_v<T, bool>) {
        return QStringLiteral("a bool");
    } else if constexpr (std::is_same_v<T, qint64>) {
        return QStringLiteral("an integer");
    } else if constexpr (std::is_same_v<T, QString>) {
        return QStringLiteral("a string");
    } else if constexpr (IsList<T>::value) {
        return QStringLiteral("an array");
    } else {
        static_assert(AnswerRecord<T>, "a field is bool, qint64, QString, QList or a record");
        return QStringLiteral("an object (") + T::typeName() + ')';
    }
}

} // namespace field_types

// Reads the declared fields of one record from a JSON object, strictly: a required key must be
// present with a value of exactly its type; an optional one may be missing or null, but not of
// another type. Keys that the record does not declare are ignored. The first fault, however deep,
// fails the whole record.
class FieldReader
{
public:
    explicit FieldReader(QJsonObject object, QString path = {})
        : m_object(std::move(object))
        , m_path(std::move(path))
    { }

    template<typename T>
    void operator()(const char* key, const char* /*fieldName*/, T& field, Shown = Shown::plainly)
    {
        if (m_error) {
            return;
        }
        const QJsonValue value = m_object.value(QLatin1String(key));
        const QString path = m_path.isEmpty() ? QString::fromLatin1(key) : m_path + '.' + QLatin1String(key);
        if constexpr (field_types::IsOptional<T>::value) {
            if (value.isUndefined() || value.isNull()) {
                field.reset();
                return;
            }
            typename T::value_type read {};
            if (readValue(value, read, path)) {
                field = std::move(read);
            }
        } else {
            if (value.isUndefined()) {
                m_error = DecodeError {path, QStringLiteral("required key is missing")};
                return;
            }
            readValue(value, field, path);
        }
    }

    const std::optional<DecodeError>& error() const { return m_error; }

    // Reads a whole record from a JSON value.
    template<AnswerRecord Record>
    static std::optional<DecodeError> read(const QJsonValue& value, Record& record, const QString& path = {})
    {
        FieldReader reader({}, path);
        reader.readValue(value, record, path);
        return reader.m_error;
    }

private:
    template<typename T>
    bool readValue(const QJsonValue& value, T& out, const QString& path)
    {
        if (!hasType<T>(value)) {
            m_error = DecodeError {path,
                QStringLiteral("expected %1, found %2").arg(field_types::expected<T>(), json::kindOf(value))};
            return false;
        }
        if constexpr (std::is_same_v<T, bool>) {
            out = value.toBool();
        } else if constexpr (std::is_same_v<T, qint64>) {
            out = value.toInteger();
        } else if constexpr (std::is_same_v<T, QString>) {
            out = value.toString();
        } else if constexpr (field_types::IsList<T>::value) {
            const QJsonArray array = value.toArray();
            out.clear();
            out.reserve(array.size());
            for (qsizetype i = 0; i < array.size(); ++i) {
                typename T::value_type element {};
                if (!readValue(array.at(i), element, path + QStringLiteral("[%1]").arg(i))) {
                    return false;
                }
                out.append(std::move(element));
            }
        } else {
            FieldReader nested(value.toObject(), path);
            T::fields(out, nested);
            if (nested.m_error) {
                m_error = std::move(nested.m_error);
                return false;
            }
        }
        return true;
    }

    template<typename T>
    static bool hasType(const QJsonValue& value)
    {
        if constexpr (std::is_same_v<T, bool>) {
            return value.isBool();
        } else if constexpr (std::is_same_v<T, qint64>) {
            return json::isInteger(value);
        } else if constexpr (std::is_same_v<T, QString>) {
            return value.isString();
        } else if constexpr (field_types::IsList<T>::value) {
            return value.isArray();
        } else {
            return value.isObject();
        }
    }

    QJsonObject m_object;
    QString m_path;
    std::optional<DecodeError> m_error;
};

// The outcome of decoding an answer: the record, or why there is none.
template<typename Record>
struct Decoded
{
    std::optional<Record> record;
    DecodeError error; // meaningful when `record` is absent

    explicit operator bool() const { return record.has_value(); }
};

// Decodes a whole answer body into a record.
template<AnswerRecord Record>
Decoded<Record> decodeRecord(const QByteArray& body)
{
    QString parseError;
    const std::optional<QJsonValue> value = json::parse(body, &parseError);
    if (!value) {
        return {std::nullopt, {{}, QStringLiteral("the data is not valid JSON: ") + parseError}};
    }
    Record record {};
    if (std::optional<DecodeError> error = FieldReader::read(*value, record)) {
        return {std::nullopt, std::move(*error)};
    }
    return {std::move(record), {}};
}
