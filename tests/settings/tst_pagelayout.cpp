#include "DataRow.h"
#include "FAQWC.h"
#include "NotificationCenter.h"
#include "ProcessState.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>
#include <optional>

// Each page in the help window's own web view, in a small window and in a large one zoomed to 200 %:
// the page's first words, its heading and the top of its main content, can always be reached.
class TestPageLayout : public QObject
{
    Q_OBJECT

    TemporarySimulatedMac m_mac;
    // What the windows hear a change of language through.
    NotificationCenter m_notifications;
    NotificationCenter::Registration m_notificationsRegistration {m_notifications};

    // Runs a script in the page and waits for its value (none when the script fails or never answers).
    static QVariant evaluate(QWebEnginePage* page, const QString& script)
    {
        auto result = std::make_shared<std::optional<QVariant>>();
        page->runJavaScript(script, [result](const QVariant& value) { *result = value; });
        if (!QTest::qWaitFor([&result] { return result->has_value(); }, 10000)) {
            return {};
        }
        return **result;
    }

    // Whether the page has laid itself out at the view's size, in CSS pixels.
    static bool laidOutAt(QWebEngineView* view, double zoom)
    {
        const QVariantList size
            = evaluate(view->page(), QStringLiteral("[innerWidth, innerHeight]")).toList();
        return size.size() == 2 && std::abs(size[0].toDouble() * zoom - view->width()) <= zoom
            && std::abs(size[1].toDouble() * zoom - view->height()) <= zoom;
    }

private Q_SLOTS:
    void theFirstWordsCanAlwaysBeReached_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QSize>("windowSize");
        QTest::addColumn<double>("zoom");
        dataRow("English help, 800x500", QString("en"), false, QSize(800, 500), 1.0);
        dataRow("English help, 1440x900 at 200%", QString("en"), false, QSize(1440, 900), 2.0);
        dataRow("French help, 800x500", QString("fr"), false, QSize(800, 500), 1.0);
        dataRow("French help, 1440x900 at 200%", QString("fr"), false, QSize(1440, 900), 2.0);
        dataRow("block page, 800x500", QString("en"), true, QSize(800, 500), 1.0);
        dataRow("block page, 1440x900 at 200%", QString("fr"), true, QSize(1440, 900), 2.0);
    }

    void theFirstWordsCanAlwaysBeReached()
    {
        QFETCH(QString, language);
        QFETCH(bool, blocked);
        QFETCH(QSize, windowSize);
        QFETCH(double, zoom);
        SettingsStore::shared().setString(keys::currentLanguage, language);
        blockPageRequested = blocked;

        FAQWC window;
        window.resize(windowSize);
        window.show();
        QWebEngineView* view = window.webView();
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(30000));
        QVERIFY(loaded.first().first().toBool());
        view->setZoomFactor(zoom);
        QTRY_VERIFY_WITH_TIMEOUT(laidOutAt(view, zoom), 10000);

        // Positions in the document: what lies above its top or left of its left edge cannot be
        // scrolled to.
        const QVariantList boxes = evaluate(view->page(),
            QStringLiteral(
                "['h1', 'main'].map(selector => {"
                "  const box = document.querySelector(selector).getBoundingClientRect();"
                "  return [box.top + scrollY, box.left + scrollX, document.documentElement.scrollHeight];"
                "})"))
                                       .toList();
        QCOMPARE(boxes.size(), 2);
        for (const QVariant& box : boxes) {
            const QVariantList values = box.toList();
            QCOMPARE(values.size(), 3);
            const double top = values[0].toDouble();
            const double left = values[1].toDouble();
            QVERIFY2(top >= 0 && left >= 0, qPrintable(QStringLiteral("top %1, left %2").arg(top).arg(left)));
            QVERIFY(top < values[2].toDouble());
        }
    }
};

QTEST_MAIN(TestPageLayout)
#include "tst_pagelayout.moc"
