#include "RequestLog.h"

#include "RecordDescription.h"
#include "Redaction.h"

#include <QStringList>

namespace request_log {

namespace {

Shown parameterShown(const QString& key)
{
    static const QStringList secretKeys = {
        QStringLiteral("password"), QStringLiteral("old_pin"), QStringLiteral("pin"),
        QStringLiteral("token"), // the Google or Facebook access token of a social sign-in
    };
    return secretKeys.contains(key) ? Shown::never : Shown::plainly;
}

QString headerValue(const QString& name, const QString& value)
{
    static const QString bearer = QStringLiteral("Bearer ");
    if (name.compare(QLatin1String("Authorization"), Qt::CaseInsensitive) != 0) {
        return value;
    }
    if (value.startsWith(bearer)) {
        return bearer + redaction::lastFourOnly(value.mid(bearer.size()));
    }
    return redaction::hidden();
}

QString dictionaryText(const QStringList& entries)
{
    return entries.isEmpty() ? QStringLiteral("[:]") : '[' + entries.join(QStringLiteral(", ")) + ']';
}

QString entry(const QString& key, const QString& shownValue)
{
    return description_detail::quoted(key) + QStringLiteral(": ") + description_detail::quoted(shownValue);
}

} // namespace

QString separator()
{
    return QString(74, '=');
}

QString parametersText(const Parameters& parameters)
{
    QStringList entries;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        entries.append(entry(it.key(), redaction::shown(it.value(), parameterShown(it.key()))));
    }
    return dictionaryText(entries);
}

QString headersText(const QMap<QString, QString>& headers)
{
    QStringList entries;
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        entries.append(entry(it.key(), headerValue(it.key(), it.value())));
    }
    return dictionaryText(entries);
}

} // namespace request_log
