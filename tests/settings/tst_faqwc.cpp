#include "DataRow.h"
#include "FAQWC.h"
#include "ProcessState.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>

// The help window with the real web engine: which page it shows, and when the engine starts.
class TestFAQWC : public QObject
{
    Q_OBJECT

private:
    TemporarySimulatedMac m_mac;

private Q_SLOTS:
    void init()
    {
        SettingsStore::shared().wipe();
        blockPageRequested = false;
    }

    void pageChoice_data()
    {
        QTest::addColumn<QVariant>("language");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QString>("page");
        dataRow("french", QVariant("fr"), false, "qrc:/pages/bv_faq_fr.html");
        dataRow("unset follows the system (english here)", QVariant(), false, "qrc:/pages/bv_faq_en.html");
        dataRow("french, blocked", QVariant("fr"), true, "qrc:/pages/bv_blockpage.html");
    }

    void pageChoice()
    {
        QFETCH(QVariant, language);
        QFETCH(bool, blocked);
        QFETCH(QString, page);
        if (language.isValid()) {
            SettingsStore::shared().setObject(keys::currentLanguage, language);
        }
        blockPageRequested = blocked;
        QCOMPARE(FAQWC::pageForCurrentState(), QUrl(page));
    }

    void theWebEngineStartsOnlyWhenShownAndLoadsThePage()
    {
        blockPageRequested = true;
        FAQWC window;
        QVERIFY(!window.webView());
        window.show();
        QVERIFY(window.webView());
        QCOMPARE(window.faqPageURL(), QUrl("qrc:/pages/bv_blockpage.html"));
        QSignalSpy loaded(window.webView(), &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(30000));
        QCOMPARE(loaded.first().first().toBool(), true);
        // The window keeps its page: clearing the flag later does not change it.
        blockPageRequested = false;
        window.hide();
        window.show();
        QCOMPARE(window.faqPageURL(), QUrl("qrc:/pages/bv_blockpage.html"));
    }
};

QTEST_MAIN(TestFAQWC)
#include "tst_faqwc.moc"
