#include "AboutPageView.h"
#include "FakeApplication.h"
#include "SettingsTestSupport.h"
#include "SettingsViewController.h"
#include "WebPageView.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>

// The page about BREVAK with the real web engine: chosen by the language, swapped at once when the
// user chooses another one in the settings, and never a blank view.
class TestAboutPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theSettingsShowThePageOfTheLanguageAndSwapItWhenAnotherIsChosen()
    {
        SettingsWindowHost host;
        FakeApplication app {host};
        app.storyboard.registerController(
            QStringLiteral("AboutPageView"), [](QWidget* parent) { return new AboutPageView(parent); });
        SettingsStore::shared().setString(keys::currentLanguage, "en");
        host.window->resize(800, 500);
        host.window->show();
        auto* settings = new SettingsViewController(host);
        host.window->setContentViewController(settings);
        QTRY_VERIFY(settings->isVisible());
        QVERIFY(!settings->findChild<AboutPageView*>()); // no web engine for the account section

        QTabBar* segments = settings->findChild<QTabWidget*>("segmentedControl")->tabBar();
        QTest::mouseClick(
            segments, Qt::LeftButton, {}, segments->tabRect(SettingsViewController::aboutUs).center());
        auto* about = settings->findChild<AboutPageView*>();
        QVERIFY(about);
        QCOMPARE(about->webURL(), QUrl("qrc:/pages/bv_faq_en.html"));
        QSignalSpy loaded(about->webView(), &WebPageView::loadFinished);
        QVERIFY(loaded.wait(30000));
        QCOMPARE(loaded.takeFirst().first().toBool(), true);
        QVERIFY(!about->webView()->showsFailure());

        auto* popUp = settings->findChild<QComboBox*>("popUpLanguage");
        chooseLanguage(popUp, 1);
        QCOMPARE(about->webURL(), QUrl("qrc:/pages/bv_faq_fr.html"));
        QVERIFY(loaded.wait(30000));
        QCOMPARE(about->webView()->url(), QUrl("qrc:/pages/bv_faq_fr.html"));
        chooseLanguage(popUp, 0);
        QCOMPARE(about->webURL(), QUrl("qrc:/pages/bv_faq_en.html"));
    }

    void aPageThatCannotBeShownLeavesAMessageInItsPlace()
    {
        SettingsWindowHost host;
        FakeApplication app {host};
        AboutPageView about;
        about.show();
        QSignalSpy loaded(about.webView(), &WebPageView::loadFinished);
        about.webView()->load(QUrl("qrc:/pages/no_such_page.html"));
        QVERIFY(loaded.wait(30000));
        QVERIFY(about.webView()->showsFailure());
        auto* message = about.webView()->findChild<QLabel*>("lblPageNotLoaded");
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(), QString("The page about BREVAK cannot be shown."));
    }
};

QTEST_MAIN(TestAboutPage)
#include "tst_aboutpage.moc"
