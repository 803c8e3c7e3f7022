#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

// The fields of an application/x-www-form-urlencoded body or of a query string: "+" is a blank,
// %XX a byte, and the decoded bytes must be UTF-8. A field given twice makes the whole form malformed,
// so a request never means two things at once.
class FormData
{
public:
    static std::optional<FormData> parse(const QByteArray& encoded, QString& error);

    bool contains(const QString& key) const { return m_fields.contains(key); }
    std::optional<QString> value(const QString& key) const;
    QString valueOr(const QString& key, const QString& fallback = {}) const
    {
        return m_fields.value(key, fallback);
    }
    qsizetype size() const { return m_fields.size(); }

private:
    QHash<QString, QString> m_fields;
};
