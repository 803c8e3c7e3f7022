#include "FormData.h"

#include <QStringDecoder>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<QString> decodeComponent(QByteArrayView encoded, QString& error)
{
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '+') {
            bytes += ' ';
        } else if (c == '%') {
            const int high = i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
            const int low = high >= 0 ? hexValue(encoded[i + 2]) : -1;
            if (low < 0) {
                error = QStringLiteral("a % is not followed by two hexadecimal digits");
                return std::nullopt;
            }
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += c;
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        error = QStringLiteral("a field is not valid UTF-8");
        return std::nullopt;
    }
    if (text.contains(QChar(0))) {
        error = QStringLiteral("a field holds a NUL character");
        return std::nullopt;
    }
    return text;
}

} // namespace

std::optional<FormData> FormData::parse(const QByteArray& encoded, QString& error)
{
    FormData form;
    for (const QByteArray& pair : encoded.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype equals = pair.indexOf('=');
        const std::optional<QString> key
            = decodeComponent(equals < 0 ? QByteArrayView(pair) : QByteArrayView(pair).first(equals), error);
        if (!key)
            return std::nullopt;
        const std::optional<QString> value
            = decodeComponent(equals < 0 ? QByteArrayView() : QByteArrayView(pair).sliced(equals + 1), error);
        if (!value)
            return std::nullopt;
        if (key->isEmpty()) {
            error = QStringLiteral("a field has no name");
            return std::nullopt;
        }
        if (form.m_fields.contains(*key)) {
            error = QStringLiteral("the field \"%1\" is given twice").arg(*key);
            return std::nullopt;
        }
        form.m_fields.insert(*key, *value);
    }
    return form;
}

std::optional<QString> FormData::value(const QString& key) const
{
    const auto found = m_fields.constFind(key);
    if (found == m_fields.cend())
        return std::nullopt;
    return *found;
}
