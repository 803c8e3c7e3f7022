#include "PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QXmlStreamReader>

namespace propertylist {

namespace {

class Reader
{
public:
    explicit Reader(const QByteArray& document)
        : m_xml(document)
    { }

    std::optional<QVariant> readDocument(QString* error)
    {
        std::optional<QVariant> top;
        if (nextElement() && m_xml.name() == QLatin1String("plist")) {
            if (nextElement()) {
                top = readValue();
            }
            if (top && nextElement()) {
                fail(QStringLiteral("more than one value inside <plist>"));
            }
        } else if (!m_xml.hasError()) {
            fail(QStringLiteral("the document is not a property list (no <plist> element)"));
        }
        if (m_xml.hasError() || !top) {
            if (error) {
                *error = m_xml.hasError()
                    ? QStringLiteral("line %1: %2").arg(m_xml.lineNumber()).arg(m_xml.errorString())
                    : QStringLiteral("the property list is empty");
            }
            return std::nullopt;
        }
        return top;
    }

private:
    // Moves to the next start element inside the current one; false at its end or on an error.
    bool nextElement() { return m_xml.readNextStartElement(); }

    void fail(const QString& message) { m_xml.raiseError(message); }

    std::optional<QVariant> readValue()
    {
        const QStringView name = m_xml.name();
        if (name == QLatin1String("dict")) {
            return readDictionary();
        }
        if (name == QLatin1String("array")) {
            return readArray();
        }
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool value = name == QLatin1String("true");
            m_xml.skipCurrentElement();
            return QVariant(value);
        }
        const QString text = m_xml.readElementText();
        if (m_xml.hasError()) {
            return std::nullopt;
        }
        if (name == QLatin1String("string")) {
            return QVariant(text);
        }
        if (name == QLatin1String("integer")) {
            bool ok = false;
            const qlonglong value = text.trimmed().toLongLong(&ok);
            return ok ? std::optional<QVariant>(value)
                      : invalid(QStringLiteral("<integer>%1</integer>").arg(text));
        }
        if (name == QLatin1String("real")) {
            bool ok = false;
            const double value = text.trimmed().toDouble(&ok);
            return ok ? std::optional<QVariant>(value) : invalid(QStringLiteral("<real>%1</real>").arg(text));
        }
        if (name == QLatin1String("date")) {
            const QDateTime value = QDateTime::fromString(text.trimmed(), Qt::ISODate);
            return value.isValid() ? std::optional<QVariant>(value)
                                   : invalid(QStringLiteral("<date>%1</date>").arg(text));
        }
        if (name == QLatin1String("data")) {
            const auto decoded
                = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
            return decoded ? std::optional<QVariant>(*decoded)
                           : invalid(QStringLiteral("<data> that is not base64"));
        }
        return invalid(QStringLiteral("unknown element <%1>").arg(name));
    }

    std::optional<QVariant> invalid(const QString& what)
    {
        fail(QStringLiteral("invalid value: %1").arg(what));
        return std::nullopt;
    }

    std::optional<QVariant> readDictionary()
    {
        QVariantMap dictionary;
        while (nextElement()) {
            if (m_xml.name() != QLatin1String("key")) {
                return invalid(QStringLiteral("<%1> where a <key> belongs").arg(m_xml.name()));
            }
            const QString key = m_xml.readElementText();
            if (!nextElement()) {
                return invalid(QStringLiteral("the key \"%1\" has no value").arg(key));
            }
            const std::optional<QVariant> value = readValue();
            if (!value) {
                return std::nullopt;
            }
            dictionary.insert(key, *value);
        }
        if (m_xml.hasError()) {
            return std::nullopt;
        }
        return QVariant(dictionary);
    }

    std::optional<QVariant> readArray()
    {
        QVariantList array;
        while (nextElement()) {
            const std::optional<QVariant> value = readValue();
            if (!value) {
                return std::nullopt;
            }
            array.append(*value);
        }
        if (m_xml.hasError()) {
            return std::nullopt;
        }
        return QVariant(array);
    }

    QXmlStreamReader m_xml;
};

// Writes one value at the given depth, indented with tabs as macOS writes its lists.
void writeValue(QString& out, const QVariant& value, int depth)
{
    const QString indent(depth, '\t');
    const auto element = [&](const char* name, const QString& text) {
        out += indent + QStringLiteral("<%1>%2</%1>\n").arg(QLatin1String(name), text.toHtmlEscaped());
    };
    switch (value.typeId()) {
    case QMetaType::Bool:
        out += indent + (value.toBool() ? QStringLiteral("<true/>\n") : QStringLiteral("<false/>\n"));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        element("integer", value.toString());
        break;
    case QMetaType::Double:
        element("real", QString::number(value.toDouble(), 'g', 17));
        break;
    case QMetaType::QDateTime:
        element("date", value.toDateTime().toUTC().toString(Qt::ISODate));
        break;
    case QMetaType::QByteArray:
        element("data", QString::fromLatin1(value.toByteArray().toBase64()));
        break;
    case QMetaType::QVariantMap: {
        out += indent + QStringLiteral("<dict>\n");
        const QVariantMap dictionary = value.toMap();
        for (auto it = dictionary.begin(); it != dictionary.end(); ++it) {
            out += indent + QStringLiteral("\t<key>%1</key>\n").arg(it.key().toHtmlEscaped());
            writeValue(out, it.value(), depth + 1);
        }
        out += indent + QStringLiteral("</dict>\n");
        break;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        out += indent + QStringLiteral("<array>\n");
        for (const QVariant& item : value.toList()) {
            writeValue(out, item, depth + 1);
        }
        out += indent + QStringLiteral("</array>\n");
        break;
    }
    default:
        element("string", value.toString());
        break;
    }
}

} // namespace

std::optional<QVariant> read(const QByteArray& document, QString* error)
{
    return Reader(document).readDocument(error);
}

std::optional<QVariant> readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return std::nullopt;
    }
    return read(file.readAll(), error);
}

QByteArray write(const QVariantMap& dictionary)
{
    QString document = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                      "<plist version=\"1.0\">\n");
    writeValue(document, dictionary, 0);
    document += QStringLiteral("</plist>\n");
    return document.toUtf8();
}

} // namespace propertylist
