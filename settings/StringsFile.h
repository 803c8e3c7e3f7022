#pragma once

#include <QMap>
#include <QString>

#include <optional>

// Reads the old-style strings format of the interface texts: `"key" = "value";` entries, comments
// in /* */ or after //, backslash escapes (\" \\ \n \t \r \Uxxxx), UTF-8 or UTF-16 with a byte
// order mark. Anything else is malformed and gives no dictionary.
class StringsFile
{
public:
    using Dictionary = QMap<QString, QString>;

    static std::optional<Dictionary> parse(const QByteArray& bytes, QString* error = nullptr);
    static std::optional<Dictionary> read(const QString& path, QString* error = nullptr);
};
