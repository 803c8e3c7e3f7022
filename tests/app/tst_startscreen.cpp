#include "AppDelegate.h"
#include "AppTestSupport.h"
#include "CommonWS.h"
#include "DataRow.h"
#include "FakeWorkspace.h"
#include "SessionWindowHost.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"
#include "ViewController.h"

#include <QDialog>
#include <QTest>

// Where the start screen leads, and how an expired session brings it back.
class TestStartScreen : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    std::unique_ptr<FakeAccountServer> m_server;
    std::unique_ptr<AppDelegate> m_delegate;

    static QDialog* visibleSheet(QWidget* window)
    {
        for (QDialog* dialog : window->findChildren<QDialog*>()) {
            if (dialog->isVisible()) {
                return dialog;
            }
        }
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_mac = std::make_unique<TemporarySimulatedMac>();
        registerScreensForTests();
    }

    void init()
    {
        SettingsStore::shared().wipe();
        m_server = std::make_unique<FakeAccountServer>();
        m_server->network.respondWith(FakeResponse::answer(200, syncAnswer(false, false)));
        m_delegate
            = std::make_unique<AppDelegate>(std::make_unique<FakeWorkspace>(), AppDelegate::Options {});
    }

    void cleanup()
    {
        m_delegate.reset();
        m_server.reset();
    }

    void cleanupTestCase() { m_mac.reset(); }

    void routing_data()
    {
        QTest::addColumn<bool>("pinSet");
        QTest::addColumn<bool>("loggedOut");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("expected");
        dataRow("PIN set: the start-up gate", true, false, true, "sheet VerifyPinOnStart");
        dataRow("PIN set, not signed in: still the gate", true, false, false, "sheet VerifyPinOnStart");
        dataRow("PIN set but logged out, signed in", true, true, true, "home");
        dataRow("PIN set but logged out", true, true, false, "sheet LogInWindowController");
        dataRow("signed in", false, false, true, "home");
        dataRow("first run", false, false, false, "sheet LogInWindowController");
        dataRow("logged out", false, true, false, "sheet LogInWindowController");
    }

    void routing()
    {
        QFETCH(bool, pinSet);
        QFETCH(bool, loggedOut);
        QFETCH(bool, signedIn);
        QFETCH(QString, expected);
        SettingsStore& settings = SettingsStore::shared();
        settings.setBool(keys::isPinSeted, pinSet);
        settings.setBool(keys::isLoggedOut, loggedOut);
        settings.setBool(keys::isLogin, signedIn);

        CustomWindow window;
        m_delegate->setMainWindow(&window);
        window.setContentViewController(new ViewController(nullptr, std::chrono::milliseconds(0)));
        window.show();

        if (expected == "home") {
            QTRY_COMPARE(window.contentViewController()->objectName(), "SplitViewController");
            QCOMPARE(window.property("titleBarTransparent").toBool(), true);
            QVERIFY(!visibleSheet(&window));
        } else {
            QTRY_VERIFY(visibleSheet(&window));
            QCOMPARE("sheet " + visibleSheet(&window)->objectName(), expected);
            QCOMPARE(visibleSheet(&window)->windowModality(), Qt::WindowModal);
            QVERIFY(qobject_cast<ViewController*>(window.contentViewController()));
        }
        // Loading and routing each ask the server for the account's state.
        QTRY_VERIFY(m_server->requestsTo("/api/v3/sync-url") >= 2);
    }

    void withoutAMainWindowOnlyTheSignInSheetCanShow_data()
    {
        QTest::addColumn<bool>("pinSet");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<bool>("signInShown");
        dataRow("PIN set", true, false, false);
        dataRow("signed in", false, true, false);
        dataRow("not signed in", false, false, true);
    }

    void withoutAMainWindowOnlyTheSignInSheetCanShow()
    {
        QFETCH(bool, pinSet);
        QFETCH(bool, signedIn);
        QFETCH(bool, signInShown);
        SettingsStore::shared().setBool(keys::isPinSeted, pinSet);
        SettingsStore::shared().setBool(keys::isLogin, signedIn);

        ViewController start(nullptr, std::chrono::milliseconds(0));
        start.show();
        if (signInShown) {
            QTRY_VERIFY(visibleSheet(&start));
            QCOMPARE(visibleSheet(&start)->objectName(), "LogInWindowController");
        } else {
            QTest::qWait(200); // the routing has run by then; nothing may have come up
            QVERIFY(!visibleSheet(&start));
        }
    }

    // A 401 while signed in: the sheet ends and a new start screen fills a window of 795 by 594 with an
    // opaque title bar.
    void anExpiredSessionReturnsToTheStartScreen()
    {
        ApiManager::shared().setWindowHost(std::make_unique<SessionWindowHost>(*m_delegate));
        SettingsStore& settings = SettingsStore::shared();
        settings.setBool(keys::isLogin, true);
        settings.setString(keys::loginToken, "session-token");
        settings.setBool(keys::dnsLastStatus, true);

        CustomWindow window;
        m_delegate->setMainWindow(&window);
        window.setContentViewController(Storyboard::main().instantiate("SplitViewController"));
        window.show();
        auto* sheet = Storyboard::main().instantiate<QDialog>("PasswordWindowController");
        window.beginSheet(sheet);
        QVERIFY(window.attachedSheet());

        m_server->network.respondWith(FakeResponse::answer(401, R"({"message":"Unauthenticated."})"));
        bool completed = false;
        CommonWS::shared().syncURL([&] { completed = true; });
        QTRY_VERIFY(qobject_cast<ViewController*>(window.contentViewController()));

        QVERIFY(!window.attachedSheet());
        QCOMPARE(window.size(), QSize(795, 594));
        QCOMPARE(window.minimumSize(), QSize(795, 594));
        QCOMPARE(window.maximumSize(), QSize(795, 594));
        QCOMPARE(window.property("titleBarTransparent").toBool(), false);
        QCOMPARE(settings.boolValue(keys::isLoggedOut), true); // the store's side is tst_apimanager's
        QVERIFY(!completed);
        ApiManager::shared().setWindowHost(nullptr);
    }
};

QTEST_MAIN(TestStartScreen)
#include "tst_startscreen.moc"
