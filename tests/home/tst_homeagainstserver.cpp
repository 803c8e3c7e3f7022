#include "ApplicationAgainstServer.h"
#include "BlackListWebsitesViewController.h"
#include "CommonWS.h"
#include "SecureTextField.h"
#include "ServerHarness.h"
#include "SidebarViewController.h"
#include "SplitViewController.h"
#include "Theme.h"
#include "VerifyPin.h"
#include "ViewController.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>

// The home screen with the application's real client against a real brevak-server on 127.0.0.1, on a
// simulated Mac of its own: logging out, and the website blacklist with and without the PIN gate.
// Each test signs up an account of its own.
class TestHomeAgainstServer : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server;
    std::unique_ptr<ApplicationAgainstServer> m_app;
    int m_accounts = 0;
    QString m_token;

    CustomWindow& window() { return *m_app->host.window; }
    SettingsStore& settings() { return SettingsStore::shared(); }

    // Signs up a new account and keeps its session as a sign-in does.
    bool signUp()
    {
        const std::optional<QString> token
            = signUpAndKeepSession(QStringLiteral("home-%1@example.org").arg(++m_accounts));
        m_token = token.value_or(QString());
        return token.has_value();
    }

    // Gives the account a PIN on the server and learns of it as the start of a session does.
    bool setPinOnTheServer(const QString& pin)
    {
        std::optional<bool> set;
        CommonWS::shared().setupPin(
            "12", pin, [&set](const std::optional<BaseModel<SetupPinModel>>& record, bool) {
                set = record && record->status;
            });
        bool synchronised = false;
        return QTest::qWaitFor([&set] { return set.has_value(); }, 20000) && *set
            && (CommonWS::shared().syncURL([&synchronised] { synchronised = true; }),
                QTest::qWaitFor([&synchronised] { return synchronised; }, 20000))
            && settings().boolValue(keys::isPinSeted);
    }

    // The domains the server keeps on the account's blacklist, asked with the stored session.
    std::optional<QStringList> serverWebsites()
    {
        std::optional<QStringList> domains;
        bool answered = false;
        CommonWS::shared().getBlockWebsiteByUser(
            [&](const std::optional<BaseModel<BlockWebsiteModel>>& record, bool) {
                answered = true;
                if (record && record->status && record->data) {
                    domains.emplace();
                    for (const BlockData& website : record->data->data) {
                        domains->append(website.domain);
                    }
                }
            },
            [&answered](const ApiError&) { answered = true; });
        if (!QTest::qWaitFor([&answered] { return answered; }, 20000))
            return std::nullopt;
        return domains;
    }

    int served(const QString& endpoint) const
    {
        return int(m_server.log().filter(QStringLiteral("\"POST /api/v3/%1\" 200").arg(endpoint)).size());
    }

    SplitViewController* showHome()
    {
        auto* home
            = Storyboard::main().instantiate<SplitViewController>(QStringLiteral("SplitViewController"));
        window().setContentViewController(home);
        return QTest::qWaitFor([home] { return home->isVisible(); }) ? home : nullptr;
    }

    static QCheckBox* websiteBox(QWidget* screen, int row)
    {
        QWidget* cell = screen->findChild<QTableWidget*>("blackListWebsiteTableView")->cellWidget(row, 0);
        return cell ? cell->findChild<QCheckBox*>("websiteCheckBox") : nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        theme::install(*qApp);
        QVERIFY(m_server.start());
        qputenv("BREVAK_API_BASE_URL", m_server.baseUrl().toUtf8());
    }

    void cleanupTestCase() { QCOMPARE(m_server.stop(), 0); }

    void init()
    {
        pendingPinAction = PinAction::none;
        m_app = std::make_unique<ApplicationAgainstServer>();
        m_app->services.api().startReachability();
        QVERIFY(m_app->log.waitFor("reachability changed"));
        QVERIFY(signUp());
    }

    void cleanup() { m_app.reset(); }

    // Logout asks first. Cancel keeps the session; OK ends it on the server, which then refuses the
    // old session, and the start screen replaces the home screen.
    void logout_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("loggedOut");
        QTest::newRow("cancel") << "btnLogoutCancel" << false;
        QTest::newRow("ok") << "btnLogoutOk" << true;
    }
    void logout()
    {
        QFETCH(QString, button);
        QFETCH(bool, loggedOut);
        SplitViewController* home = showHome();
        QVERIFY(home);
        const int logoutsBefore = served("logout");
        click(home->sidebar()->findChild<QAbstractButton*>("btnRow6"));
        auto* alert = window().findChild<QMessageBox*>("logoutAlert");
        QVERIFY(alert && alert->isVisible());
        click(alert->findChild<QAbstractButton*>(button));

        if (loggedOut) {
            QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<ViewController*>(window().contentViewController()), 20000);
            QCOMPARE(served("logout"), logoutsBefore + 1);
        } else {
            // The home screen stays; a request sent after the cancel is answered with the session.
            QCOMPARE(serverWebsites(), std::optional<QStringList>(QStringList()));
            QCOMPARE(served("logout"), logoutsBefore);
            QCOMPARE(window().contentViewController(), home);
        }
        QCOMPARE(settings().boolValue(keys::isLogin), !loggedOut);
        QCOMPARE(settings().boolValue(keys::isLoggedOut), loggedOut);
        QCOMPARE(serverWebsites().has_value(), !loggedOut);
    }

    // A website typed with its scheme and path is added as its domain; unticking it removes it from the
    // server, at once or only after the right PIN.
    void blacklist_data()
    {
        QTest::addColumn<bool>("pinSet");
        QTest::newRow("without PIN") << false;
        QTest::newRow("behind the PIN") << true;
    }
    void blacklist()
    {
        QFETCH(bool, pinSet);
        const QString pin = QStringLiteral("604213");
        if (pinSet) {
            QVERIFY(setPinOnTheServer(pin));
        }
        const int fetchesBefore = served("getblockwebsitebyuser");
        SplitViewController* home = showHome();
        QVERIFY(home);
        home->sidebar()->btnProtectionOnOffTapped(SidebarViewController::websitesTag);
        auto* screen = qobject_cast<BlackListWebsitesViewController*>(home->detail());
        QVERIFY(screen);
        QTRY_VERIFY_WITH_TIMEOUT(served("getblockwebsitebyuser") > fetchesBefore, 20000);

        QTest::keyClicks(outlet<QLineEdit>(screen, "websiteTF"), "https://www.Casino.example/poker?x=1");
        click(outlet(screen, "btnADD"));
        QTRY_VERIFY_WITH_TIMEOUT(websiteBox(screen, 0), 20000);
        QCOMPARE(serverWebsites(), std::optional<QStringList>(QStringList {"www.casino.example"}));
        QCOMPARE(websiteBox(screen, 0)->accessibleName(), QString("casino.example"));

        const int removalsBefore = served("unblockwesitebyuser");
        click(websiteBox(screen, 0));
        if (pinSet) {
            auto* gate = qobject_cast<VerifyPin*>(window().attachedSheet());
            QVERIFY(gate);
            QCOMPARE(served("unblockwesitebyuser"), removalsBefore);
            QTest::keyClicks(gate->findChild<SecureTextField*>("pinTF"), pin);
            click(outlet(gate, "btnVerify"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(served("unblockwesitebyuser") == removalsBefore + 1, 20000);
        QTRY_COMPARE(screen->findChild<QTableWidget*>("blackListWebsiteTableView")->rowCount(), 0);
        QCOMPARE(serverWebsites(), std::optional<QStringList>(QStringList()));
        QVERIFY(m_app->alerts.alerts().isEmpty());
    }
};

QTEST_MAIN(TestHomeAgainstServer)
#include "tst_homeagainstserver.moc"
