#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// XML property lists, the format of an application's Info.plist and of a launch agent. A dictionary
// reads as QVariantMap, an array as QVariantList, <string> as QString, <integer> as qlonglong,
// <real> as double, <true/> and <false/> as bool, <date> as QDateTime and <data> as QByteArray.
namespace propertylist {

// The top-level value, or nothing with the reason in `error` (binary lists are not read).
std::optional<QVariant> read(const QByteArray& document, QString* error = nullptr);
std::optional<QVariant> readFile(const QString& path, QString* error = nullptr);

// An XML property list whose top level is the dictionary, in the layout macOS writes.
QByteArray write(const QVariantMap& dictionary);

} // namespace propertylist
