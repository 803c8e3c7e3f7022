#include "DataRow.h"
#include "FacebookLoginWC.h"
#include "FacebookSignInFlow.h"
#include "FakeProvidersProcess.h"
#include "NotificationCenter.h"
#include "TemporarySimulatedMac.h"
#include "WebPageView.h"
#include "WebsitePageWC.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

// The web windows with the real web engine, against the fake providers: Facebook's dialog in its
// off-the-record window, and the public website's terms and privacy pages.
class TestWebWindows : public QObject
{
    Q_OBJECT

private:
    TemporarySimulatedMac m_mac;
    // What the windows hear a change of language through.
    NotificationCenter m_notifications;
    NotificationCenter::Registration m_notificationsRegistration {m_notifications};
    FakeProvidersProcess m_providers;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_providers.start());
        m_providers.useForSignIn();
    }

    void facebookWindowHandsBackTheCallback_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("token");
        dataRow("continue", "continue", true);
        dataRow("cancel", "cancel", false);
    }

    // The dialog's redirect to fb<app id>://authorize is caught, not followed, and handed back whole.
    void facebookWindowHandsBackTheCallback()
    {
        QFETCH(QString, button);
        QFETCH(bool, token);
        const FacebookSignInFlow flow(FacebookSignInFlow::Endpoints::configured());
        FacebookLoginWC window;
        QVERIFY(window.profile()->isOffTheRecord());
        std::optional<std::optional<QUrl>> ended;
        QSignalSpy loaded(window.webView(), &WebPageView::loadFinished);
        window.start(flow.dialogUrl("state-1"), flow.callbackScheme(),
            [&](const std::optional<QUrl>& callback) { ended = callback; });
        QVERIFY(window.isVisible());
        QVERIFY(loaded.wait(60000));
        QCOMPARE(loaded.first().first().toBool(), true);
        window.webView()->webView()->page()->runJavaScript(
            QStringLiteral("document.getElementById('%1').click()").arg(button));
        QTRY_VERIFY_WITH_TIMEOUT(ended.has_value(), 30000);
        QVERIFY(ended->has_value());
        QCOMPARE((*ended)->scheme(), flow.callbackScheme());
        QCOMPARE(FacebookSignInFlow::accessToken(**ended).has_value(), token);
        QVERIFY((*ended)->toString().contains("state=state-1"));
        QVERIFY(!window.isVisible());
    }

    void closingTheFacebookWindowEndsTheSessionWithoutAnAnswer()
    {
        const FacebookSignInFlow flow(FacebookSignInFlow::Endpoints::configured());
        FacebookLoginWC window;
        int calls = 0;
        std::optional<QUrl> callback;
        window.start(flow.dialogUrl("state-2"), flow.callbackScheme(), [&](const std::optional<QUrl>& url) {
            ++calls;
            callback = url;
        });
        window.close();
        window.close();
        QCOMPARE(calls, 1);
        QVERIFY(!callback);
    }

    void websitePages_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<QString>("title");
        dataRow("terms", "TermsWC", true, "Conditions d’utilisation");
        dataRow("privacy", "PrivacyWC", true, "Politique de confidentialité");
        dataRow("terms, no website", "TermsWC", false, QString());
    }

    // A page that cannot be loaded says so in the window, with a way to try again; never a blank view.
    void websitePages()
    {
        QFETCH(QString, window);
        QFETCH(bool, reachable);
        QFETCH(QString, title);
        if (!reachable) {
            qputenv("BREVAK_PUBLIC_WEBSITE", "http://127.0.0.1:9");
        }
        std::unique_ptr<WebsitePageWC> shown;
        if (window == "TermsWC") {
            shown = std::make_unique<TermsWC>();
        } else {
            shown = std::make_unique<PrivacyWC>();
        }
        m_providers.useForSignIn();
        QVERIFY(shown->pageUrl().path().endsWith(
            window == "TermsWC" ? "/conditions-dutilisation/" : "/politique-de-confidentialite/"));
        QSignalSpy loaded(shown->webView(), &WebPageView::loadFinished);
        shown->show();
        QCOMPARE(shown->windowTitle(), "BREVAK");
        QVERIFY(loaded.wait(60000));
        QCOMPARE(loaded.first().first().toBool(), reachable);
        QCOMPARE(shown->webView()->showsFailure(), !reachable);
        if (reachable) {
            QTRY_COMPARE(shown->webView()->webView()->title(), title);
            return;
        }
        auto* message = shown->findChild<QLabel*>("lblPageNotLoaded");
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(), "This page could not be loaded. Check your connection and try again.");
        QTest::mouseClick(shown->findChild<QPushButton*>("btnTryAgain"), Qt::LeftButton);
        QVERIFY(loaded.wait(60000));
        QVERIFY(shown->webView()->showsFailure());
    }
};

QTEST_MAIN(TestWebWindows)
#include "tst_webwindows.moc"
