#pragma once

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QList>
#include <QPalette>
#include <QString>

#include <algorithm>

// The application's look in one place: its named colours, type sizes and spacing, and the application
// style sheet (resources/style/brevak.qss) that gives every widget that look. The style sheet names
// these values as @tokens; docs/LOOK.md lists the roles that screens use.
namespace theme {

// The accent, for fills only: the primary button, selection, switches, the hand disc.
inline QColor commonOrange()
{
    return QColor(0xE8, 0x76, 0x2B);
}

// Orange text (links, focus rings): at least 4.5:1 on every background it sits on. The help pages
// name the same colour --text-orange in resources/pages/pages.css.
inline QColor textOrange()
{
    return QColor(0xA9, 0x53, 0x1A);
}

inline QColor paper()
{
    return QColor(0xFA, 0xF8, 0xF4);
}

inline QColor card()
{
    return QColor(0xFF, 0xFF, 0xFF);
}

inline QColor ink()
{
    return QColor(0x22, 0x22, 0x22);
}

// Secondary text and disabled text; at least 4.5:1 on paper, cards and disabled fills.
inline QColor muted()
{
    return QColor(0x5D, 0x60, 0x68);
}

// Hairlines: card borders, separators between rows.
inline QColor line()
{
    return QColor(0xE2, 0xDC, 0xD3);
}

// Red is for destructive actions only (uninstall, PIN removal).
inline QColor destructive()
{
    return QColor(0xB3, 0x26, 0x1E);
}

// Type: the system font; body text 13 pt, titles 18 pt semibold, captions 11 pt.
constexpr int bodyPointSize = 13;
constexpr int titlePointSize = 18;
constexpr int captionPointSize = 11;

inline QFont titleFont()
{
    QFont font = QApplication::font();
    font.setPointSize(titlePointSize);
    font.setWeight(QFont::DemiBold);
    return font;
}

// Spacing comes in multiples of one unit: spacing(1) between related controls, spacing(2) around
// groups and inside cards, spacing(3) at window edges.
constexpr int spacingUnit = 8;

constexpr int spacing(int units)
{
    return units * spacingUnit;
}

struct Token
{
    QString name;
    QString value;
};

// The values the style sheet refers to as @name. The colours of the controls' states (hover,
// pressed, disabled, the off switch track) are set here too, so that every colour has one place.
inline QList<Token> styleTokens()
{
    const auto colour = [](const QColor& c) -> QString { return c.name(); };
    const auto points = [](int size) -> QString { return QString::number(size) + QStringLiteral("pt"); };
    const auto pixels = [](int size) -> QString { return QString::number(size) + QStringLiteral("px"); };
    return {
        {QStringLiteral("commonOrange"), colour(commonOrange())},
        {QStringLiteral("commonOrangeHover"), colour(commonOrange().lighter(108))},
        {QStringLiteral("commonOrangePressed"), colour(commonOrange().darker(108))},
        {QStringLiteral("textOrange"), colour(textOrange())},
        {QStringLiteral("paper"), colour(paper())},
        {QStringLiteral("card"), colour(card())},
        {QStringLiteral("ink"), colour(ink())},
        {QStringLiteral("muted"), colour(muted())},
        {QStringLiteral("line"), colour(line())},
        {QStringLiteral("lineShadow"), colour(line().darker(110))},
        {QStringLiteral("hover"), QStringLiteral("#f3efe9")},
        {QStringLiteral("disabled"), QStringLiteral("#f1eee9")},
        {QStringLiteral("switchOff"), QStringLiteral("#8a8d94")},
        {QStringLiteral("destructive"), colour(destructive())},
        {QStringLiteral("destructiveSoft"), QStringLiteral("#fcedec")},
        {QStringLiteral("bodySize"), points(bodyPointSize)},
        {QStringLiteral("titleSize"), points(titlePointSize)},
        {QStringLiteral("captionSize"), points(captionPointSize)},
        {QStringLiteral("space1"), pixels(spacing(1))},
        {QStringLiteral("space2"), pixels(spacing(2))},
    };
}

// The application style sheet with its tokens replaced. A token the theme does not know stays as it
// is, and the style test names it.
inline QString styleSheet()
{
    QFile file(QStringLiteral(":/style/brevak.qss"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString sheet = QString::fromUtf8(file.readAll());
    QList<Token> tokens = styleTokens();
    // Longest names first, so that @commonOrange does not eat the start of @commonOrangeHover.
    std::sort(tokens.begin(), tokens.end(),
        [](const Token& a, const Token& b) { return a.name.size() > b.name.size(); });
    for (const Token& token : tokens) {
        sheet.replace(QString(QLatin1Char('@') + token.name), token.value);
    }
    return sheet;
}

// The palette behind the style sheet, for what widgets paint themselves (windows, views, the switch).
inline QPalette palette()
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, paper());
    palette.setColor(QPalette::WindowText, ink());
    palette.setColor(QPalette::Base, card());
    palette.setColor(QPalette::AlternateBase, paper());
    palette.setColor(QPalette::Text, ink());
    palette.setColor(QPalette::Button, card());
    palette.setColor(QPalette::ButtonText, ink());
    palette.setColor(QPalette::Highlight, commonOrange());
    palette.setColor(QPalette::HighlightedText, ink());
    palette.setColor(QPalette::Link, textOrange());
    palette.setColor(QPalette::LinkVisited, textOrange());
    palette.setColor(QPalette::PlaceholderText, muted());
    palette.setColor(QPalette::Mid, line());
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, muted());
    }
    return palette;
}

// Gives the whole application the look: the system font at body size, the palette and the style sheet.
inline void install(QApplication& app)
{
    QFont font = QApplication::font();
    font.setPointSize(bodyPointSize);
    QApplication::setFont(font);
    QApplication::setPalette(palette());
    app.setStyleSheet(styleSheet());
}

} // namespace theme
