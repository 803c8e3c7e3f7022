#include "AppleScript.h"

#include <QList>

namespace applescript {

namespace {

struct Token
{
    enum class Kind { word, string, lineBreak };

    Kind kind;
    QString text; // a word in lower case (AppleScript ignores case), or the string's value
    qsizetype begin;
    qsizetype end;
};

class Lexer
{
public:
    explicit Lexer(const QString& source)
        : m_source(source)
    { }

    // The tokens, or a syntax error for a string that never ends.
    std::variant<QList<Token>, SyntaxError> tokens()
    {
        QList<Token> tokens;
        while (m_position < m_source.size()) {
            const QChar c = m_source.at(m_position);
            if (c == '\n' || c == '\r') {
                tokens.append({Token::Kind::lineBreak, {}, m_position, m_position + 1});
                ++m_position;
            } else if (c.isSpace()) {
                ++m_position;
            } else if (c == '-' && m_source.mid(m_position, 2) == QLatin1String("--")) {
                skipComment();
            } else if (c == '"') {
                std::optional<Token> literal = stringLiteral();
                if (!literal) {
                    return SyntaxError {QStringLiteral("Expected “\"” but found end of script. (-2741)"),
                        m_source.size(), m_source.size()};
                }
                tokens.append(*literal);
            } else {
                tokens.append(word());
            }
        }
        return tokens;
    }

private:
    void skipComment()
    {
        while (m_position < m_source.size() && m_source.at(m_position) != '\n'
            && m_source.at(m_position) != '\r') {
            ++m_position;
        }
    }

    std::optional<Token> stringLiteral()
    {
        const qsizetype begin = m_position++;
        QString value;
        while (m_position < m_source.size()) {
            const QChar c = m_source.at(m_position++);
            if (c == '"') {
                return Token {Token::Kind::string, value, begin, m_position};
            }
            if (c == '\\' && m_position < m_source.size()) {
                const QChar escaped = m_source.at(m_position++);
                value += escaped == 'n' ? QChar('\n')
                    : escaped == 't'    ? QChar('\t')
                    : escaped == 'r'    ? QChar('\r')
                                        : escaped;
            } else {
                value += c;
            }
        }
        return std::nullopt;
    }

    Token word()
    {
        const qsizetype begin = m_position;
        while (m_position < m_source.size()) {
            const QChar c = m_source.at(m_position);
            if (!c.isLetterOrNumber() && c != '_') {
                break;
            }
            ++m_position;
        }
        if (m_position == begin) {
            ++m_position; // punctuation is a word of one character
        }
        return {Token::Kind::word, m_source.mid(begin, m_position - begin).toLower(), begin, m_position};
    }

    const QString& m_source;
    qsizetype m_position = 0;
};

// Matches token sequences against sentence patterns, where "{name}" stands for the application's
// string literal and "|" for a line break.
class Sentence
{
public:
    explicit Sentence(QList<Token> tokens)
        : m_tokens(std::move(tokens))
    {
        // Blank lines and line breaks at either end do not count.
        QList<Token> kept;
        for (const Token& token : m_tokens) {
            const bool isBreak = token.kind == Token::Kind::lineBreak;
            if (isBreak && (kept.isEmpty() || kept.last().kind == Token::Kind::lineBreak)) {
                continue;
            }
            kept.append(token);
        }
        while (!kept.isEmpty() && kept.last().kind == Token::Kind::lineBreak) {
            kept.removeLast();
        }
        m_tokens = kept;
    }

    bool isEmpty() const { return m_tokens.isEmpty(); }

    // A list literal, "{" item "," item ... "}", of items that each match `pattern`.
    std::optional<std::vector<Command>> matchList(Command::Kind kind, const QStringList& pattern) const
    {
        if (m_tokens.size() < 2 || !isWord(m_tokens.first(), "{") || !isWord(m_tokens.last(), "}")) {
            return std::nullopt;
        }
        std::vector<Command> items;
        QList<Token> item;
        for (qsizetype i = 1; i < m_tokens.size(); ++i) {
            const Token& token = m_tokens.at(i);
            if (i + 1 < m_tokens.size() && !isWord(token, ",")) {
                item.append(token);
                continue;
            }
            std::optional<Command> command = Sentence(item).match(kind, pattern);
            if (!command) {
                return std::nullopt;
            }
            items.push_back(*command);
            item.clear();
        }
        return items;
    }

    std::optional<Command> match(Command::Kind kind, const QStringList& pattern) const
    {
        if (pattern.size() != m_tokens.size()) {
            return std::nullopt;
        }
        Command command {kind, {}, 0, 0, {}};
        for (qsizetype i = 0; i < pattern.size(); ++i) {
            const Token& token = m_tokens.at(i);
            const QString& expected = pattern.at(i);
            if (expected == QLatin1String("{name}")) {
                if (token.kind != Token::Kind::string) {
                    return std::nullopt;
                }
                command.applicationName = token.text;
                command.begin = m_tokens.at(i - 1).begin; // from the word "application"
                command.end = token.end;
            } else if (expected == QLatin1String("|")) {
                if (token.kind != Token::Kind::lineBreak) {
                    return std::nullopt;
                }
            } else if (token.kind != Token::Kind::word
                || !(token.text == expected
                    || (expected == QLatin1String("application") && token.text == "app"))) {
                return std::nullopt;
            }
        }
        return command;
    }

private:
    static bool isWord(const Token& token, const char* text)
    {
        return token.kind == Token::Kind::word && token.text == QLatin1String(text);
    }

    QList<Token> m_tokens;
};

} // namespace

std::variant<Command, SyntaxError> parse(const QString& source)
{
    auto lexed = Lexer(source).tokens();
    if (const SyntaxError* error = std::get_if<SyntaxError>(&lexed)) {
        return *error;
    }
    const Sentence sentence(std::get<QList<Token>>(lexed));
    using Kind = Command::Kind;
    if (sentence.isEmpty()) {
        return Command {Kind::nothing, {}, 0, 0, {}};
    }
    const QStringList bundleIdentifier {"id", "of", "application", "{name}"};
    if (std::optional<std::vector<Command>> items = sentence.matchList(Kind::bundleIdentifier, bundleIdentifier)) {
        return Command {Kind::bundleIdentifiers, {}, 0, 0, std::move(*items)};
    }
    const QList<std::pair<Kind, QStringList>> sentences {
        {Kind::bundleIdentifier, bundleIdentifier},
        {Kind::quit, {"tell", "application", "{name}", "|", "quit", "|", "end", "tell"}},
        {Kind::quit, {"tell", "application", "{name}", "|", "quit", "|", "end"}},
        {Kind::quit, {"tell", "application", "{name}", "to", "quit"}},
        {Kind::quit, {"quit", "application", "{name}"}},
    };
    for (const auto& [kind, pattern] : sentences) {
        if (std::optional<Command> command = sentence.match(kind, pattern)) {
            return *command;
        }
    }
    return SyntaxError {
        QStringLiteral(
            "The simulated Mac runs only “id of application \"Name\"”, a list of those, and the quit "
            "script. (-2740)"),
        0, source.size()};
}

} // namespace applescript
