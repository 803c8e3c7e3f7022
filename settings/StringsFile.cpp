#include "StringsFile.h"

#include <QFile>
#include <QStringDecoder>

namespace {

class Parser
{
public:
    explicit Parser(const QString& text)
        : m_text(text)
    { }

    std::optional<StringsFile::Dictionary> parse()
    {
        StringsFile::Dictionary dictionary;
        while (skipBlanksAndComments(), !atEnd()) {
            const std::optional<QString> key = token();
            if (!key || !expect('=')) {
                return std::nullopt;
            }
            const std::optional<QString> value = token();
            if (!value || !expect(';')) {
                return std::nullopt;
            }
            dictionary.insert(*key, *value);
        }
        if (!m_error.isEmpty()) {
            return std::nullopt;
        }
        return dictionary;
    }

    QString error() const { return m_error; }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar current() const { return m_text.at(m_pos); }

    int lineNumber() const { return int(m_text.left(m_pos).count('\n')) + 1; }

    bool fail(const QString& what)
    {
        if (m_error.isEmpty()) {
            m_error = QStringLiteral("line %1: %2").arg(lineNumber()).arg(what);
        }
        return false;
    }

    void skipBlanksAndComments()
    {
        while (!atEnd()) {
            if (current().isSpace()) {
                ++m_pos;
            } else if (m_text.mid(m_pos, 2) == QLatin1String("//")) {
                const qsizetype end = m_text.indexOf('\n', m_pos);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else if (m_text.mid(m_pos, 2) == QLatin1String("/*")) {
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_pos + 2);
                if (end < 0) {
                    fail(QStringLiteral("unterminated comment"));
                    m_pos = m_text.size();
                    return;
                }
                m_pos = end + 2;
            } else {
                return;
            }
        }
    }

    bool expect(QChar c)
    {
        skipBlanksAndComments();
        if (atEnd() || current() != c) {
            return fail(QStringLiteral("expected '%1'").arg(c));
        }
        ++m_pos;
        return true;
    }

    static bool isBareCharacter(QChar c)
    {
        return c.isLetterOrNumber() || QStringLiteral("_$+/:.-").contains(c);
    }

    // A quoted string or a bare word.
    std::optional<QString> token()
    {
        skipBlanksAndComments();
        if (atEnd()) {
            fail(QStringLiteral("unexpected end of file"));
            return std::nullopt;
        }
        if (current() == '"') {
            return quoted();
        }
        const qsizetype start = m_pos;
        while (!atEnd() && isBareCharacter(current())) {
            ++m_pos;
        }
        if (m_pos == start) {
            fail(QStringLiteral("unexpected '%1'").arg(current()));
            return std::nullopt;
        }
        return m_text.mid(start, m_pos - start);
    }

    std::optional<QString> quoted()
    {
        ++m_pos; // opening quote
        QString result;
        while (!atEnd()) {
            const QChar c = current();
            ++m_pos;
            if (c == '"') {
                return result;
            }
            if (c != '\\') {
                result += c;
                continue;
            }
            if (atEnd()) {
                break;
            }
            const QChar escaped = current();
            ++m_pos;
            switch (escaped.unicode()) {
            case 'n':
                result += '\n';
                break;
            case 't':
                result += '\t';
                break;
            case 'r':
                result += '\r';
                break;
            case '"':
            case '\\':
            case '\'':
                result += escaped;
                break;
            case 'U':
            case 'u': {
                bool ok = false;
                const ushort code = m_text.mid(m_pos, 4).toUShort(&ok, 16);
                if (!ok || m_text.mid(m_pos, 4).size() != 4) {
                    fail(QStringLiteral("bad \\U escape"));
                    return std::nullopt;
                }
                result += QChar(code);
                m_pos += 4;
                break;
            }
            default:
                fail(QStringLiteral("unknown escape \\%1").arg(escaped));
                return std::nullopt;
            }
        }
        fail(QStringLiteral("unterminated string"));
        return std::nullopt;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    QString m_error;
};

std::optional<QString> decode(const QByteArray& bytes)
{
    std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    if (text.startsWith(QChar(QChar::ByteOrderMark))) {
        text.remove(0, 1);
    }
    return text;
}

} // namespace

std::optional<StringsFile::Dictionary> StringsFile::parse(const QByteArray& bytes, QString* error)
{
    const std::optional<QString> text = decode(bytes);
    if (!text) {
        if (error) {
            *error = QStringLiteral("not valid UTF-8 or UTF-16 text");
        }
        return std::nullopt;
    }
    Parser parser(*text);
    std::optional<Dictionary> dictionary = parser.parse();
    if (!dictionary && error) {
        *error = parser.error();
    }
    return dictionary;
}

std::optional<StringsFile::Dictionary> StringsFile::read(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return std::nullopt;
    }
    return parse(file.readAll(), error);
}
