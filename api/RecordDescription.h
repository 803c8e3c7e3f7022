#pragma once

#include "FieldReader.h"

// The log's one-line text of a decoded record, in the style "BlockData(id: 7, userID: 3,
// domain: "example.com", deletedAt: nil)". Secret fields appear as their record declares.
template<AnswerRecord Record>
QString describe(const Record& record);

namespace description_detail {

QString quoted(const QString& text);

template<typename T>
QString valueText(const T& value, Shown shown)
{
    if constexpr (field_types::IsOptional<T>::value) {
        return value ? valueText(*value, shown) : QStringLiteral("nil");
    } else if constexpr (std::is_same_v<T, bool>) {
        return shown == Shown::plainly ? QString::fromLatin1(value ? "true" : "false") : redaction::hidden();
    } else if constexpr (std::is_same_v<T, qint64>) {
        return redaction::shown(QString::number(value), shown);
    } else if constexpr (std::is_same_v<T, QString>) {
        return shown == Shown::plainly ? quoted(value) : redaction::shown(value, shown);
    } else if constexpr (field_types::IsList<T>::value) {
        QStringList elements;
        for (const auto& element : value) {
            elements.append(valueText(element, shown));
        }
        return '[' + elements.join(QStringLiteral(", ")) + ']';
    } else {
        return describe(value);
    }
}

class DescriptionWriter
{
public:
    template<typename T>
    void operator()(
        const char* /*jsonKey*/, const char* fieldName, const T& field, Shown shown = Shown::plainly)
    {
        m_fields.append(QLatin1String(fieldName) + QStringLiteral(": ") + valueText(field, shown));
    }

    QString text() const { return m_fields.join(QStringLiteral(", ")); }

private:
    QStringList m_fields;
};

} // namespace description_detail

template<AnswerRecord Record>
QString describe(const Record& record)
{
    description_detail::DescriptionWriter writer;
    Record::fields(record, writer);
    return Record::typeName() + '(' + writer.text() + ')';
}
