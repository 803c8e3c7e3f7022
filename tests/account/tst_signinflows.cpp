#include "DataRow.h"
#include "EventOrder.h"
#include "FacebookSignInFlow.h"
#include "FakeProvidersProcess.h"
#include "FakeWebSession.h"
#include "GoogleSignInFlow.h"
#include "LogCapture.h"
#include "SignInAnswer.h"
#include "TemporarySimulatedMac.h"
#include "windowing.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

Q_DECLARE_METATYPE(FakeWebSession::User)

// Google's and Facebook's sign-in flows against the fake providers (Google through the simulated
// Mac's browser), how a Facebook callback gives up its token, and the sign-in answer handler.
class TestSignInFlows : public QObject
{
    Q_OBJECT

private:
    TemporarySimulatedMac m_mac;
    FakeProvidersProcess m_providers;

    static QByteArray answer(const QByteArray& data)
    {
        return R"({"status":true,"code":200,"msg":"Login successful","version":"3")"
            + (data.isEmpty() ? QByteArray() : ",\"data\":" + data) + '}';
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_providers.start());
        m_providers.useForSignIn();
    }

    void init()
    {
        QVERIFY(m_mac.setUp({"browser", "approve"}));
        const QByteArray google
            = R"({"sub":"g-1","email":"ann@example.org","name":"Ann Example",)"
              R"("given_name":"Ann","family_name":"Example","picture":"https://example.org/a.png"})";
        const QByteArray facebook = R"({"id":"fb-1","email":"ann@example.org"})";
        QVERIFY(m_providers.setGoogleProfile(google));
        QVERIFY(m_providers.setFacebookProfile(facebook));
        SettingsStore::shared().wipe();
    }

    void facebookTokenFromTheCallback_data()
    {
        QTest::addColumn<QString>("callback");
        QTest::addColumn<QString>("token");
        dataRow("token alone", "fb1://authorize/#access_token=EAAB1", "EAAB1");
        dataRow("further parameters after it",
            "fb1://authorize/#access_token=EAAB1&expires_in=5183944&state=s", "EAAB1");
        dataRow("among other parameters",
            "fb1://authorize#data_access_expiration_time=1&access_token=EAAB1&state=s", "EAAB1");
        dataRow("escaped characters", "fb1://authorize/#state=s&access_token=EAAB%2B1%3D", "EAAB+1=");
        dataRow("refused", "fb1://authorize/?error=access_denied&error_reason=user_denied&state=s#_=_", "");
        dataRow("empty", "fb1://authorize/#access_token=&state=s", "");
        dataRow("in the query, not the fragment", "fb1://authorize?access_token=EAAB1", "");
        dataRow("a parameter that only ends like it", "fb1://authorize/#my_access_token=EAAB1", "");
    }

    void facebookTokenFromTheCallback()
    {
        QFETCH(QString, callback);
        QFETCH(QString, token);
        QCOMPARE(FacebookSignInFlow::accessToken(QUrl(callback)).value_or(QString()), token);
    }

    void googleFlow_data()
    {
        QTest::addColumn<QString>("browser");
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QString>("tokenUrl"); // empty: the fake's
        QTest::addColumn<QString>("failure"); // empty: signed in
        dataRow("the user agrees", "approve", QByteArray(), QString(), QString());
        dataRow("the user refuses", "deny", QByteArray(), QString(), "Google refused: access_denied");
        dataRow("the token endpoint cannot be reached", "approve", QByteArray(), "http://127.0.0.1:9/token",
            "the token request failed");
        dataRow("the user information is not JSON", "approve", QByteArray("<html>"), QString(),
            "the user information could not be read");
    }

    // Through the real stand-in browser, the fake's authorization endpoint (which insists on PKCE
    // S256), its token endpoint (which checks the verifier) and its user information.
    void googleFlow()
    {
        QFETCH(QString, browser);
        QFETCH(QByteArray, profile);
        QFETCH(QString, tokenUrl);
        QFETCH(QString, failure);
        QVERIFY(m_mac.setUp({"browser", browser}));
        if (!profile.isEmpty()) {
            QVERIFY(m_providers.setGoogleProfile(profile));
        }
        GoogleSignInFlow::Endpoints endpoints = GoogleSignInFlow::Endpoints::configured();
        if (!tokenUrl.isEmpty()) {
            endpoints.token = QUrl(tokenUrl);
        }
        GoogleSignInFlow flow(endpoints, &platform::openUrlInBrowser);
        QSignalSpy signedIn(&flow, &GoogleSignInFlow::signedIn);
        QSignalSpy failed(&flow, &GoogleSignInFlow::failed);
        flow.start();
        QVERIFY(flow.redirectUri().startsWith("http://127.0.0.1:"));
        QTRY_VERIFY_WITH_TIMEOUT(signedIn.count() + failed.count() == 1, 20000);
        QVERIFY(waitForPostedEvents());
        QCOMPARE(signedIn.count() + failed.count(), 1);
        QVERIFY(!flow.isRunning());
        if (!failure.isEmpty()) {
            QCOMPARE(failed.count(), 1);
            QVERIFY2(failed.first().first().toString().startsWith(failure),
                qPrintable(failed.first().first().toString()));
            return;
        }
        QVERIFY2(signedIn.count() == 1, qPrintable(failed.value(0).value(0).toString()));
        const auto user = signedIn.first().first().value<GoogleProfile>();
        QCOMPARE(user.userID, "g-1");
        QCOMPARE(user.email, "ann@example.org");
        QCOMPARE(user.fullName, "Ann Example");
        QCOMPARE(user.givenName, "Ann");
        QCOMPARE(user.familyName, "Example");
        QCOMPARE(user.profilePicURL, "https://example.org/a.png");
        QVERIFY(user.accessToken.startsWith("ya29."));
    }

    // A browser closed without an answer leaves the flow waiting; Cancel stops it and closes the
    // listener, so that nothing can answer on its port any more.
    void cancellingWhileTheBrowserIsOpenClosesTheListener()
    {
        QVERIFY(m_mac.setUp({"browser", "close"}));
        GoogleSignInFlow flow(GoogleSignInFlow::Endpoints::configured(), &platform::openUrlInBrowser);
        QSignalSpy signedIn(&flow, &GoogleSignInFlow::signedIn);
        QSignalSpy failed(&flow, &GoogleSignInFlow::failed);
        flow.start();
        const QUrl redirect(flow.redirectUri());
        QTcpSocket before;
        before.connectToHost("127.0.0.1", quint16(redirect.port()));
        QVERIFY(before.waitForConnected(10000));
        flow.cancel();
        QVERIFY(!flow.isRunning());
        QVERIFY(waitForPostedEvents());
        QTcpSocket after;
        after.connectToHost("127.0.0.1", quint16(redirect.port()));
        QVERIFY(!after.waitForConnected(10000));
        QCOMPARE(signedIn.count() + failed.count(), 0);
    }

    void googleFlowWithoutABrowser()
    {
        GoogleSignInFlow flow(GoogleSignInFlow::Endpoints::configured(), [](const QUrl&) { return false; });
        QSignalSpy failed(&flow, &GoogleSignInFlow::failed);
        flow.start();
        QCOMPARE(failed.count(), 1);
        QVERIFY(!flow.isRunning());
    }

    void facebookFlow_data()
    {
        QTest::addColumn<FakeWebSession::User>("user");
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QString>("graph"); // empty: the fake's
        QTest::addColumn<FacebookSignInFlow::Outcome>("outcome");
        using User = FakeWebSession::User;
        using Outcome = FacebookSignInFlow::Outcome;
        const QByteArray ann = R"({"id":"fb-1","email":"ann@example.org"})";
        dataRow("signed in", User::pressesContinue, ann, QString(), Outcome::signedIn);
        dataRow("no e-mail", User::pressesContinue, QByteArray(R"({"id":"fb-1"})"), QString(),
            Outcome::missingEmail);
        dataRow("an empty id", User::pressesContinue, QByteArray(R"({"id":"","email":"a@b.org"})"), QString(),
            Outcome::missingId);
        dataRow("no id", User::pressesContinue, QByteArray(R"({"email":"a@b.org"})"), QString(),
            Outcome::unreadable);
        dataRow("a number for the id", User::pressesContinue, QByteArray(R"({"id":12345})"), QString(),
            Outcome::unreadable);
        dataRow("not JSON", User::pressesContinue, QByteArray("<html>"), QString(), Outcome::unreadable);
        dataRow("the Graph API cannot be reached", User::pressesContinue, ann, "http://127.0.0.1:9/me",
            Outcome::unreadable);
        dataRow("the user cancels", User::pressesCancel, ann, QString(), Outcome::noToken);
        dataRow("the user closes the window", User::closesTheWindow, ann, QString(), Outcome::noToken);
    }

    void facebookFlow()
    {
        QFETCH(FakeWebSession::User, user);
        QFETCH(QByteArray, profile);
        QFETCH(QString, graph);
        QFETCH(FacebookSignInFlow::Outcome, outcome);
        QVERIFY(m_providers.setFacebookProfile(profile));
        FacebookSignInFlow::Endpoints endpoints = FacebookSignInFlow::Endpoints::configured();
        if (!graph.isEmpty()) {
            endpoints.graphMe = QUrl(graph);
        }
        FacebookSignInFlow flow(endpoints);
        FakeWebSession session(user);
        QSignalSpy finished(&flow, &FacebookSignInFlow::finished);
        LogCapture log;
        flow.start(session);
        QCOMPARE(session.scheme, "fb" + endpoints.appId);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QCOMPARE(finished.first().at(0).value<FacebookSignInFlow::Outcome>(), outcome);
        QCOMPARE(log.contains("Facebook Login Error"), outcome == FacebookSignInFlow::Outcome::noToken);
        if (outcome == FacebookSignInFlow::Outcome::signedIn) {
            const auto data = finished.first().at(1).value<FacebookData>();
            QCOMPARE(data.id, "fb-1");
            QCOMPARE(data.email, "ann@example.org");
            QVERIFY(data.accessToken.startsWith("EAAB"));
            // The token is not in the log whole.
            QVERIFY(!log.lines().join('\n').contains(data.accessToken));
        }
    }

    void signInAnswerKeepsTheAccountsFields_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("stored"); // email, name, device, id; "-" for a removed key
        QTest::addColumn<bool>("decoded");
        const QByteArray account
            = R"({"id":7,"name":"Ann","email":"ann@example.org","email_verified_at":"2027-01-01",)"
              R"("device_name":"MacBookPro18,3","social_media":0,"profile_id":"0","role_id":2,)"
              R"("status":1,"created_at":"x","updated_at":"x","token":"7|abcdefghijkl"})";
        QByteArray nameless = account;
        nameless.replace(R"("name":"Ann",)", R"("name":null,)");
        dataRow("a whole account", answer(account),
            QStringList {"ann@example.org", "Ann", "MacBookPro18,3", "7"}, true);
        dataRow(
            "no name", answer(nameless), QStringList {"ann@example.org", "-", "MacBookPro18,3", "7"}, true);
        dataRow("no account", answer({}), QStringList {"-", "-", "-", "-"}, true);
        dataRow("refused: what was stored stays",
            QByteArray(R"({"status":false,"code":401,"msg":"No","version":"3"})"),
            QStringList {"old@example.org", "Old", "Old Mac", "1"}, true);
        dataRow("undecodable: what was stored stays", QByteArray(R"({"status":true})"),
            QStringList {"old@example.org", "Old", "Old Mac", "1"}, false);
    }

    void signInAnswerKeepsTheAccountsFields()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, stored);
        QFETCH(bool, decoded);
        SettingsStore& settings = SettingsStore::shared();
        settings.setString(keys::userEmail, "old@example.org");
        settings.setString(keys::userName, "Old");
        settings.setString(keys::userDevice, "Old Mac");
        settings.setInteger(keys::userId, 1);
        bool completed = false;
        sign_in::handleAnswer(body, [&](const std::optional<sign_in::Answer>& answer, bool wasDecoded) {
            completed = true;
            QCOMPARE(wasDecoded, decoded);
            QCOMPARE(answer.has_value(), decoded);
        });
        QVERIFY(completed);
        const QList<const char*> keys {keys::userEmail, keys::userName, keys::userDevice, keys::userId};
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const std::optional<QString> value = settings.stringValue(keys.at(i));
            QCOMPARE(value.value_or("-"), stored.at(i));
        }
        if (decoded && stored.last() != "-") {
            QCOMPARE(settings.objectValue(keys::userId).typeId(), QMetaType::LongLong); // a number
        }
    }
};

QTEST_MAIN(TestSignInFlows)
#include "tst_signinflows.moc"
