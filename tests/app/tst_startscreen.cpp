#include "AppDelegate.h"
#include "AppTestSupport.h"
#include "DataRow.h"
#include "EventOrder.h"
#include "FakeWorkspace.h"
#include "SessionWindowHost.h"
#include "ViewController.h"

#include <QDialog>
#include <QTest>

// Where the start screen leads, and how an expired session brings it back.
class TestStartScreen : public QObject
{
    Q_OBJECT

private:
    WindowHost m_host;
    std::unique_ptr<FakeApplication> m_app;

    static QDialog* visibleSheet(QWidget* window)
    {
        for (QDialog* dialog : window->findChildren<QDialog*>()) {
            if (dialog->isVisible()) {
                return dialog;
            }
        }
        return nullptr;
    }

    SettingsStore& settings() { return SettingsStore::shared(); }

private Q_SLOTS:
    void init()
    {
        m_host.window = nullptr;
        m_app = std::make_unique<FakeApplication>(m_host);
    }

    void cleanup() { m_app.reset(); }

    void routing_data()
    {
        QTest::addColumn<bool>("pinSet");
        QTest::addColumn<bool>("loggedOut");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("expected");
        dataRow("PIN set, not signed in: still the gate", true, false, false, "sheet VerifyPinOnStart");
        dataRow("PIN set but logged out, signed in", true, true, true, "home");
        dataRow("PIN set but logged out", true, true, false, "sheet LogInWindowController");
        dataRow("signed in", false, false, true, "home");
        dataRow("first run", false, false, false, "sheet LogInWindowController");
    }

    void routing()
    {
        QFETCH(bool, pinSet);
        QFETCH(bool, loggedOut);
        QFETCH(bool, signedIn);
        QFETCH(QString, expected);
        settings().setBool(keys::isLoggedOut, loggedOut);
        settings().setBool(keys::isLogin, signedIn);
        // The server is the authority on the PIN: its answers agree with the stored state.
        settings().setBool(keys::isPinSeted, pinSet);
        m_app->server.respondWith(FakeResponse::answer(200, syncAnswer(pinSet)));

        CustomWindow window;
        m_host.window = &window;
        window.setContentViewController(new ViewController(m_host, nullptr, std::chrono::milliseconds(0)));
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
    }

    // Each new start screen (after a logout, for instance) asks for the account's state when it loads
    // and when it routes, and starts no reachability monitor of its own: the process's one monitor
    // reports once, for the first start screen.
    void aNewStartScreenSynchronisesTwiceAndWatchesNothingNew()
    {
        CustomWindow window;
        m_host.window = &window;
        window.setContentViewController(new ViewController(m_host, nullptr, std::chrono::milliseconds(0)));
        window.show();
        QTRY_VERIFY(visibleSheet(&window)); // routed
        QTRY_COMPARE(m_app->requestsTo("sync-url"), 3); // load, routing, the monitor's first report

        window.setContentViewController(new ViewController(m_host, nullptr, std::chrono::milliseconds(0)));
        QTRY_COMPARE(m_app->requestsTo("sync-url"), 5); // load, routing
        QVERIFY(waitForPostedEvents());
        QCOMPARE(m_app->requestsTo("sync-url"), 5);
        QCOMPARE(m_app->route.starts(), 1);
    }

    // A 401 while signed in: the sheet ends and a new start screen fills a window of 795 by 594 with an
    // opaque title bar.
    void anExpiredSessionReturnsToTheStartScreen()
    {
        AppDelegate delegate(std::make_unique<FakeWorkspace>(), {});
        m_app->services.api().setWindowHost(std::make_unique<SessionWindowHost>(delegate));
        settings().setBool(keys::isLogin, true);
        settings().setString(keys::loginToken, "session-token");

        CustomWindow window;
        m_host.window = &window;
        delegate.setMainWindow(&window);
        window.setContentViewController(Storyboard::main().instantiate("SplitViewController"));
        window.show();
        window.beginSheet(Storyboard::main().instantiate<QDialog>("PasswordWindowController"));
        QVERIFY(window.attachedSheet());

        m_app->services.api().startReachability();
        m_app->server.respondWith(FakeResponse::answer(401, R"({"message":"Unauthenticated."})"));
        bool completed = false;
        CommonWS::shared().syncURL([&] { completed = true; });
        QTRY_VERIFY(qobject_cast<ViewController*>(window.contentViewController()));

        QVERIFY(!window.attachedSheet());
        QCOMPARE(window.minimumSize(), QSize(795, 594));
        QCOMPARE(window.maximumSize(), QSize(795, 594));
        QCOMPARE(window.property("titleBarTransparent").toBool(), false);
        QCOMPARE(settings().boolValue(keys::isLoggedOut), true); // the store's side is tst_apimanager's
        QVERIFY(!completed);
    }
};

QTEST_MAIN(TestStartScreen)
#include "tst_startscreen.moc"
