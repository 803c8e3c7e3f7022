#include "ContrastRatio.h"
#include "Theme.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTest>

// The help pages' shared style sheet and their French text, read as the application bundles them.
class TestPageStyle : public QObject
{
    Q_OBJECT

    struct Rule
    {
        QString selector;
        QList<std::pair<QString, QString>> declarations;
    };

    static QString resourceText(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            qFatal("cannot read %s", qPrintable(path));
        }
        return QString::fromUtf8(file.readAll());
    }

    // The rules of a sheet, comments left out. Rules inside an at-rule count as rules of their own.
    static QList<Rule> rules(const QString& sheet = QStringLiteral(":/pages/pages.css"))
    {
        QString css = resourceText(sheet);
        css.remove(QRegularExpression(
            QStringLiteral(R"(/\*.*?\*/)"), QRegularExpression::DotMatchesEverythingOption));
        static const QRegularExpression block(QStringLiteral(R"(([^{}]+)\{([^{}]*)\})"));
        QList<Rule> found;
        for (const QRegularExpressionMatch& match : block.globalMatch(css)) {
            Rule rule {match.captured(1).simplified(), {}};
            for (const QString& declaration : match.captured(2).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                const qsizetype colon = declaration.indexOf(QLatin1Char(':'));
                if (colon > 0) {
                    rule.declarations.append(
                        {declaration.left(colon).trimmed(), declaration.mid(colon + 1).trimmed()});
                }
            }
            found.append(rule);
        }
        return found;
    }

    // The named colours of :root, by name without the leading dashes.
    static QHash<QString, QColor> namedColours()
    {
        QHash<QString, QColor> colours;
        for (const Rule& rule : rules()) {
            if (rule.selector != QLatin1String(":root")) {
                continue;
            }
            for (const auto& [name, value] : rule.declarations) {
                if (name.startsWith(QLatin1String("--")) && QColor::isValidColorName(value)) {
                    colours.insert(name.mid(2), QColor::fromString(value));
                }
            }
        }
        return colours;
    }

private Q_SLOTS:
    // Text takes a --text-* colour and sits on a --surface-*, so checking every text colour on every
    // surface covers every place text can appear.
    void everyTextColourReadsOnEverySurface_data()
    {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("surface");
        const QHash<QString, QColor> colours = namedColours();
        QStringList names = colours.keys();
        names.sort();
        int pairs = 0;
        for (const QString& text : names) {
            if (!text.startsWith(QLatin1String("text-"))) {
                continue;
            }
            for (const QString& surface : names) {
                if (surface.startsWith(QLatin1String("surface-"))) {
                    QTest::addRow("%s on %s", qPrintable(text), qPrintable(surface))
                        << colours.value(text) << colours.value(surface);
                    ++pairs;
                }
            }
        }
        QVERIFY2(pairs > 0, "no text colour or no surface named");
    }

    void everyTextColourReadsOnEverySurface()
    {
        QFETCH(QColor, text);
        QFETCH(QColor, surface);
        const double ratio = contrastRatio(text, surface);
        qInfo("%s on %s: %.2f:1", qPrintable(text.name()), qPrintable(surface.name()), ratio);
        QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1:1").arg(ratio, 0, 'f', 2)));
    }

    // A colour written anywhere else than in :root would escape the check above. The live chat page and
    // the counsellors' console add sheets of their own on top of the shared one.
    void coloursComeOnlyFromTheNamedOnes_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::newRow("pages") << QStringLiteral(":/pages/pages.css");
        QTest::newRow("live chat") << QStringLiteral(":/pages/chat.css");
        QTest::newRow("console") << QStringLiteral(BREVAK_SOURCE_DIR "/server/console/console.css");
    }

    void coloursComeOnlyFromTheNamedOnes()
    {
        QFETCH(QString, sheet);
        static const QRegularExpression reference(QStringLiteral(R"(var\(--([\w-]+)\))"));
        static const QRegularExpression literal(
            QStringLiteral(R"(#[0-9a-fA-F]{3,8}\b|\brgba?\(|\bhsla?\(|\b(white|black)\b)"));
        int textColours = 0;
        for (const Rule& rule : rules(sheet)) {
            if (rule.selector == QLatin1String(":root")) {
                continue;
            }
            for (const auto& [name, value] : rule.declarations) {
                const QString where
                    = rule.selector + QLatin1String(" { ") + name + QLatin1String(": ") + value;
                if (name == QLatin1String("color")) {
                    ++textColours;
                    const QRegularExpressionMatch match = reference.match(value);
                    QVERIFY2(match.hasMatch() && match.captured(1).startsWith(QLatin1String("text-"))
                            && value == match.captured(0),
                        qPrintable(where));
                } else if (name.startsWith(QLatin1String("background"))) {
                    QVERIFY2(!literal.match(value).hasMatch(), qPrintable(where));
                    for (const QRegularExpressionMatch& match : reference.globalMatch(value)) {
                        const QString used = match.captured(1);
                        QVERIFY2(used.startsWith(QLatin1String("surface-"))
                                || used.startsWith(QLatin1String("fill-")),
                            qPrintable(where));
                    }
                }
            }
        }
        QVERIFY(textColours > 0);
    }

    // The pages and the application's own screens use the same orange, ink and paper.
    void thePagesUseTheThemeColours_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("themeColour");
        QTest::newRow("text orange") << "text-orange" << theme::textOrange();
        QTest::newRow("accent") << "fill-accent" << theme::commonOrange();
        QTest::newRow("ink") << "text-ink" << theme::ink();
        QTest::newRow("paper") << "surface-paper" << theme::paper();
    }

    void thePagesUseTheThemeColours()
    {
        QFETCH(QString, name);
        QFETCH(QColor, themeColour);
        QCOMPARE(namedColours().value(name).name(), themeColour.name());
    }

    // French puts a narrow no-break space before ? ! ; : » and after «.
    void frenchTypography_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("French help page") << ":/pages/bv_faq_fr.html";
        QTest::newRow("block page") << ":/pages/bv_blockpage.html";
    }

    void frenchTypography()
    {
        QFETCH(QString, page);
        static const QRegularExpression frenchElement(
            QStringLiteral(R"(<(\w+)[^>]*\blang="fr"[^>]*>(.*?)</\1>)"),
            QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch element = frenchElement.match(resourceText(page));
        QVERIFY(element.hasMatch());
        QString text = element.captured(2);
        text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        QVERIFY(text.size() > 100);

        const QChar narrowSpace(0x202F);
        QStringList faults;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool spaceBefore = QStringLiteral("?!;:»").contains(text[i]);
            const bool spaceAfter = text[i] == QChar(u'«');
            if ((spaceBefore && (i == 0 || text[i - 1] != narrowSpace))
                || (spaceAfter && (i + 1 == text.size() || text[i + 1] != narrowSpace))) {
                faults.append(text.mid(std::max<qsizetype>(0, i - 20), 25).simplified());
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1String(" | "))));
    }
};

QTEST_MAIN(TestPageStyle)
#include "tst_pagestyle.moc"
