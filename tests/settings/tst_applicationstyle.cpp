#include "ContrastRatio.h"
#include "DataRow.h"
#include "Switch.h"
#include "Theme.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

// The application style sheet as installed in the application: it parses, the roles that screens
// use exist, every text reads on its background, and keyboard focus shows.
class TestApplicationStyle : public QObject
{
    Q_OBJECT

    static QString rawStyleSheet()
    {
        QFile file(QStringLiteral(":/style/brevak.qss"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // A window of the application's paper, or a card, holding one control.
    struct Host
    {
        std::unique_ptr<QWidget> window;
        QWidget* control = nullptr;
    };

    static Host host(QWidget* control, const QString& surface)
    {
        Host made {std::make_unique<QWidget>(), control};
        auto* outer = new QVBoxLayout(made.window.get());
        QWidget* container = made.window.get();
        if (surface == QLatin1String("card")) {
            auto* card = new QFrame(made.window.get());
            card->setProperty("role", "card");
            outer->addWidget(card);
            container = card;
            outer = new QVBoxLayout(card);
        }
        outer->setContentsMargins(theme::spacing(2), theme::spacing(2), theme::spacing(2), theme::spacing(2));
        control->setParent(container);
        outer->addWidget(control);
        made.window->show();
        return made;
    }

    static std::unique_ptr<QWidget> control(const QString& kind, const QString& role)
    {
        std::unique_ptr<QWidget> made;
        if (kind == QLatin1String("QPushButton")) {
            made = std::make_unique<QPushButton>(QStringLiteral("Continue"));
        } else if (kind == QLatin1String("QLabel")) {
            made = std::make_unique<QLabel>(QStringLiteral("Protection"));
        } else if (kind == QLatin1String("QFrame")) {
            made = std::make_unique<QFrame>();
            made->setMinimumSize(120, 48);
        } else if (kind == QLatin1String("QLineEdit")) {
            made = std::make_unique<QLineEdit>(QStringLiteral("name@example.com"));
        } else if (kind == QLatin1String("QCheckBox")) {
            made = std::make_unique<QCheckBox>(QStringLiteral("Remember me"));
        } else if (kind == QLatin1String("Switch")) {
            made = std::make_unique<Switch>();
        }
        if (made && !role.isEmpty()) {
            made->setProperty("role", role);
        }
        return made;
    }

    // The contrast of what is drawn: the commonest colour is the background, the colour that stands
    // out most from it is the text (anti-aliasing only lightens glyph edges; their stems keep the colour).
    static std::pair<double, QString> drawnContrast(const QImage& image)
    {
        QHash<QRgb, int> counts;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                ++counts[image.pixel(x, y)];
            }
        }
        QRgb background = 0;
        int most = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            if (it.value() > most) {
                most = it.value();
                background = it.key();
            }
        }
        double best = 1;
        QRgb text = background;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            const double ratio = contrastRatio(QColor(it.key()), QColor(background));
            if (ratio > best) {
                best = ratio;
                text = it.key();
            }
        }
        return {best, QColor(text).name() + QStringLiteral(" on ") + QColor(background).name()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QTest::failOnWarning(QRegularExpression(
            QStringLiteral("stylesheet|style sheet"), QRegularExpression::CaseInsensitiveOption));
        theme::install(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    }

    // The sheet names no colour of its own, and the theme knows every value it refers to.
    void theSheetTakesEveryValueFromTheTheme()
    {
        QString raw = rawStyleSheet();
        raw.remove(QRegularExpression(
            QStringLiteral(R"(/\*.*?\*/)"), QRegularExpression::DotMatchesEverythingOption));
        QVERIFY(raw.contains(QLatin1String("@commonOrange")));
        static const QRegularExpression literal(
            QStringLiteral(R"(#[0-9a-fA-F]{3,8}\b|\brgba?\(|\b(white|black)\b)"));
        QVERIFY2(!literal.match(raw).hasMatch(), qPrintable(literal.match(raw).captured()));
        static const QRegularExpression token(QStringLiteral(R"(@\w+)"));
        QString installed = qApp->styleSheet();
        installed.remove(QRegularExpression(
            QStringLiteral(R"(/\*.*?\*/)"), QRegularExpression::DotMatchesEverythingOption));
        QVERIFY2(!token.match(installed).hasMatch(), qPrintable(token.match(installed).captured()));
    }

    // A role that a screen or the look's documentation names must be defined in the style sheet;
    // a misspelt one would silently leave the widget plain.
    void everyRoleInUseIsDefined()
    {
        static const QRegularExpression inForm(
            QStringLiteral(R"re(<property name="role"[^>]*>\s*<string[^>]*>([^<]+)<)re"));
        static const QRegularExpression inCode(
            QStringLiteral(R"re(setProperty\("role",\s*(?:QStringLiteral\()?"(\w+)")re"));
        static const QRegularExpression inDocs(
            QStringLiteral(R"re(^\| `(\w+)` \| `\w+` \|)re"), QRegularExpression::MultilineOption);
        QSet<QString> used;
        QDirIterator files(QStringLiteral(BREVAK_SOURCE_DIR), {"*.ui", "*.cpp", "*.h", "LOOK.md"},
            QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QString relative = path.mid(qstrlen(BREVAK_SOURCE_DIR) + 1);
            if (relative.startsWith(QLatin1String("build")) || relative.startsWith(QLatin1Char('.'))) {
                continue;
            }
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            const QRegularExpression& pattern = path.endsWith(QLatin1String(".ui"))
                ? inForm
                : (path.endsWith(QLatin1String(".md")) ? inDocs : inCode);
            for (const QRegularExpressionMatch& match : pattern.globalMatch(text)) {
                used.insert(match.captured(1).trimmed());
            }
        }
        QVERIFY(used.contains(QStringLiteral("primary")));
        const QString sheet = rawStyleSheet();
        for (const QString& role : used) {
            QVERIFY2(sheet.contains(QStringLiteral("[role=\"%1\"]").arg(role)), qPrintable(role));
        }
    }

    void eachRoleChangesTheLook_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("role");
        static const QRegularExpression selector(QStringLiteral(R"re((\w+)\[role="(\w+)"\])re"));
        QSet<QString> seen;
        for (const QRegularExpressionMatch& match : selector.globalMatch(rawStyleSheet())) {
            if (!seen.contains(match.captured(0))) {
                seen.insert(match.captured(0));
                QTest::newRow(qPrintable(match.captured(0))) << match.captured(1) << match.captured(2);
            }
        }
        QVERIFY(!seen.isEmpty());
    }

    void eachRoleChangesTheLook()
    {
        QFETCH(QString, kind);
        QFETCH(QString, role);
        const Host plain = host(control(kind, {}).release(), "paper");
        const Host styled = host(control(kind, role).release(), "paper");
        QVERIFY2(plain.control, qPrintable(kind + QLatin1String(" is not a widget the look knows")));
        styled.control->resize(plain.control->size());
        QVERIFY(plain.control->grab().toImage() != styled.control->grab().toImage());
    }

    // The switch paints itself; its colours come through the style sheet like everyone else's.
    void theSwitchTakesItsColoursFromTheSheet()
    {
        Switch button;
        button.ensurePolished();
        QCOMPARE(button.property("onColor").value<QColor>(), theme::commonOrange());
        QCOMPARE(button.property("focusColor").value<QColor>(), theme::textOrange());
    }

    // What a control draws in each state, on the surface it sits on, reads at 4.5:1 or better.
    void textReadsOnItsBackground_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("surface");
        for (const char* role : {"", "primary", "destructive"}) {
            for (const char* state : {"normal", "hover", "pressed", "disabled"}) {
                QTest::addRow("button %s %s", role, state) << "QPushButton" << role << state << "card";
            }
        }
        for (const char* surface : {"paper", "card"}) {
            for (const char* state : {"normal", "disabled"}) {
                QTest::addRow("link %s on %s", state, surface) << "QPushButton"
                                                               << "link" << state << surface;
                QTest::addRow("check box %s on %s", state, surface) << "QCheckBox"
                                                                    << "" << state << surface;
            }
            QTest::addRow("title on %s", surface) << "QLabel"
                                                  << "title"
                                                  << "normal" << surface;
            QTest::addRow("caption on %s", surface) << "QLabel"
                                                    << "caption"
                                                    << "normal" << surface;
        }
        dataRow("text field", QString("QLineEdit"), QString(), QString("normal"), QString("card"));
        dataRow("text field disabled", QString("QLineEdit"), QString(), QString("disabled"), QString("card"));
        dataRow("text field placeholder", QString("QLineEdit"), QString(), QString("placeholder"),
            QString("card"));
        dataRow("selected list row", QString("QListWidget"), QString(), QString("selected"), QString("card"));
    }

    void textReadsOnItsBackground()
    {
        QFETCH(QString, kind);
        QFETCH(QString, role);
        QFETCH(QString, state);
        QFETCH(QString, surface);
        std::unique_ptr<QWidget> made;
        if (kind == QLatin1String("QListWidget")) {
            auto* list = new QListWidget;
            list->addItems({QStringLiteral("Lucky Spin Casino"), QStringLiteral("Safari")});
            list->setCurrentRow(0);
            made.reset(list);
        } else {
            made = control(kind, role);
        }
        const Host shown = host(made.release(), surface);
        QApplication::setActiveWindow(shown.window.get());
        QVERIFY(QTest::qWaitForWindowActive(shown.window.get()));
        QWidget* widget = shown.control;
        widget->clearFocus(); // no text cursor in the picture
        if (state == QLatin1String("disabled")) {
            widget->setEnabled(false);
        } else if (state == QLatin1String("hover")) {
            QTest::mouseMove(widget);
            QTRY_VERIFY(widget->underMouse());
        } else if (state == QLatin1String("pressed")) {
            qobject_cast<QPushButton*>(widget)->setDown(true);
        } else if (state == QLatin1String("placeholder")) {
            auto* field = qobject_cast<QLineEdit*>(widget);
            field->clear();
            field->setPlaceholderText(QStringLiteral("Enter Email"));
        }
        QRect area = widget->rect();
        if (auto* list = qobject_cast<QListWidget*>(widget)) {
            area = list->visualItemRect(list->item(0)).translated(list->viewport()->pos());
        }
        // Grab from the window, so that what shows through a transparent control is in the picture.
        const QImage image
            = shown.window->grab(QRect(widget->mapTo(shown.window.get(), area.topLeft()), area.size()))
                  .toImage();
        const auto [ratio, colours] = drawnContrast(image);
        qInfo("%s: %s, %.2f:1", QTest::currentDataTag(), qPrintable(colours), ratio);
        QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1, %2:1").arg(colours).arg(ratio, 0, 'f', 2)));
    }

    // Keyboard users see where they are: a focused control looks different from an unfocused one.
    void keyboardFocusShows_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("role");
        dataRow("button", QString("QPushButton"), QString());
        dataRow("primary button", QString("QPushButton"), QString("primary"));
        dataRow("link", QString("QPushButton"), QString("link"));
        dataRow("text field", QString("QLineEdit"), QString());
        dataRow("check box", QString("QCheckBox"), QString());
        dataRow("switch", QString("Switch"), QString());
    }

    void keyboardFocusShows()
    {
        QFETCH(QString, kind);
        QFETCH(QString, role);
        const Host shown = host(control(kind, role).release(), "card");
        auto* other = new QPushButton(QStringLiteral("Other"), shown.window.get());
        shown.window->layout()->addWidget(other);
        QApplication::setActiveWindow(shown.window.get());
        QVERIFY(QTest::qWaitForWindowActive(shown.window.get()));
        other->setFocus(Qt::TabFocusReason);
        const QImage unfocused = shown.control->grab().toImage();
        shown.control->setFocus(Qt::TabFocusReason);
        QVERIFY(shown.control->hasFocus());
        QVERIFY(shown.control->grab().toImage() != unfocused);
    }
};

QTEST_MAIN(TestApplicationStyle)
#include "tst_applicationstyle.moc"
