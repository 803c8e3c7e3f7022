#include "DataRow.h"
#include "FAQWC.h"
#include "NotificationCenter.h"
#include "ProcessState.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>

// The help window with the real web engine: which page it shows, and when the engine starts.
class TestFAQWC : public QObject
{
    Q_OBJECT

private:
    TemporarySimulatedMac m_mac;
    // What the windows hear a change of language through.
    NotificationCenter m_notifications;
    NotificationCenter::Registration m_notificationsRegistration {m_notifications};

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
        // The test runs on an English and on a French system (CMakeLists.txt).
        const QString systems = QLocale::system().language() == QLocale::French ? "qrc:/pages/bv_faq_fr.html"
                                                                                : "qrc:/pages/bv_faq_en.html";
        dataRow("french", QVariant("fr"), false, "qrc:/pages/bv_faq_fr.html");
        dataRow("english", QVariant("en"), false, "qrc:/pages/bv_faq_en.html");
        dataRow("german: the english page", QVariant("de"), false, "qrc:/pages/bv_faq_en.html");
        dataRow("unset: the system's", QVariant(), false, systems);
        dataRow("not a text: the system's", QVariant(42), false, systems);
        dataRow("french, blocked", QVariant("fr"), true, "qrc:/pages/bv_blockpage.html");
        dataRow("unset, blocked", QVariant(), true, "qrc:/pages/bv_blockpage.html");
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

    void theFAQFollowsTheLanguageButTheBlockPageStays_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("french");
        dataRow("faq", false, "qrc:/pages/bv_faq_en.html", "qrc:/pages/bv_faq_fr.html");
        dataRow("block page", true, "qrc:/pages/bv_blockpage.html", "qrc:/pages/bv_blockpage.html");
    }

    void theFAQFollowsTheLanguageButTheBlockPageStays()
    {
        QFETCH(bool, blocked);
        QFETCH(QString, english);
        QFETCH(QString, french);
        SettingsStore::shared().setString(keys::currentLanguage, "en");
        blockPageRequested = blocked;
        FAQWC window;
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(window.webView()->url(), QUrl(english), 30000);
        auto* search = window.findChild<QLineEdit*>("search");
        QCOMPARE(search->accessibleName(), QString("Search"));

        SettingsStore::shared().setString(keys::currentLanguage, "fr");
        NotificationCenter::shared().post(QString::fromLatin1(notifications::updateChooseLanguage), "fr");
        QCOMPARE(window.faqPageURL(), QUrl(french));
        QTRY_COMPARE_WITH_TIMEOUT(window.webView()->url(), QUrl(french), 30000);
        QCOMPARE(search->placeholderText(), QString("Rechercher"));
        QCOMPARE(search->accessibleName(), QString("Rechercher"));
    }
};

QTEST_MAIN(TestFAQWC)
#include "tst_faqwc.moc"
