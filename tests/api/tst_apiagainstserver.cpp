#include "AlertRecorder.h"
#include "ApiManager.h"
#include "CommonWS.h"
#include "FakeFlagsSource.h"
#include "Reachability.h"
#include "ServerHarness.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

// The application's client against a real brevak-server on 127.0.0.1: the account's life from sign-up
// to logout, over Qt's real network stack. What the server answers to each endpoint, decoded with the
// client's own records, is tst_serverapi's.
class TestApiAgainstServer : public QObject
{
    Q_OBJECT

private:
    TemporarySimulatedMac m_mac; // the settings store of this run
    ServerProcess m_server;

    // Runs one operation and waits for its completion; absent when the answer did not decode or
    // never came.
    template<typename Record, typename Operation>
    std::optional<Record> await(Operation operation)
    {
        bool completed = false;
        std::optional<Record> result;
        operation([&](const std::optional<Record>& record, bool) {
            result = record;
            completed = true;
        });
        if (!QTest::qWaitFor([&] { return completed; }, 15000)) {
            qWarning("no answer");
        }
        return result;
    }

    // A request that a screen sends itself, decoded as that screen does.
    template<typename Record>
    std::optional<Record> send(WebService service, const Parameters& parameters)
    {
        return await<Record>([&](const Completion<Record>& completion) {
            ApiManager::shared().request(service, parameters, CommonWS::printFailure,
                [completion](const QByteArray& body) { CommonWS::decodeResponse<Record>(body, completion); });
        });
    }

    static void signIn(const AuthModel& account)
    {
        SettingsStore& store = SettingsStore::shared();
        store.setString(keys::loginToken, account.token);
        store.setInteger(keys::userId, account.id);
        store.setBool(keys::isLogin, true);
        store.setBool(keys::isLoggedOut, false);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.start());
        qputenv("BREVAK_API_BASE_URL", m_server.baseUrl().toUtf8());
        auto flags = std::make_shared<FakeFlagsSource::Shared>();
        flags->reading = {Reachability::Reachable, 0};
        ApiManager::shared().startReachability(
            std::make_unique<Reachability>(std::make_unique<FakeFlagsSource>(flags), true));
        SettingsStore::shared().wipe();
    }

    void cleanupTestCase() { QCOMPARE(m_server.stop(), 0); }

    void anAccountFromSignUpToLogout()
    {
        SettingsStore& store = SettingsStore::shared();
        CommonWS& ws = CommonWS::shared();
        const QString email = QStringLiteral("léa+test@example.org");
        const QString password = QStringLiteral("p&ss=word+ 1234");

        // Sign-up with the built-in default token.
        const auto signedUp = await<BaseModel<AuthModel>>(
            [&](auto completion) { ws.signup(email, password, 0, ws.deviceModel(), completion); });
        QVERIFY(signedUp);
        QVERIFY2(signedUp->status, qPrintable(signedUp->msg));
        QCOMPARE(signedUp->data->email, email);
        QVERIFY(!signedUp->data->pinProtection);

        // Sign-in with the same password, escaped on the way.
        const auto signedInAnswer = send<BaseModel<AuthModel>>(WebService::login,
            {{"email", email}, {"password", password}, {"social_media", "0"},
                {"platform_unique_id", ws.platformUniqueId()}});
        QVERIFY(signedInAnswer && signedInAnswer->status && signedInAnswer->data);
        signIn(*signedInAnswer->data);

        // No PIN yet; then a PIN, which the status synchronisation sees.
        store.setBool(keys::isPinSeted, true);
        bool synchronised = false;
        ws.syncURL([&] { synchronised = true; });
        QTRY_VERIFY(synchronised);
        QCOMPARE(store.boolValue(keys::isPinSeted), false);

        const auto pinSet = await<BaseModel<SetupPinModel>>([&](auto c) { ws.setupPin("12", "482913", c); });
        QVERIFY(pinSet && pinSet->status);
        QCOMPARE(pinSet->data->pin, "******"); // the PIN never comes back
        synchronised = false;
        ws.syncURL([&] { synchronised = true; });
        QTRY_VERIFY(synchronised);
        QCOMPARE(store.boolValue(keys::isPinSeted), true);

        // Logout, read as the sidebar reads its answer.
        std::optional<bool> loggedOut;
        ApiManager::shared().request(
            WebService::logout, {}, CommonWS::printFailure, [&](const QByteArray& body) {
                CommonWS::handleLogoutResponse(body, [&](bool confirmed) { loggedOut = confirmed; });
            });
        QTRY_VERIFY(loggedOut.has_value());
        QCOMPARE(*loggedOut, true);
    }

    // The revoked token is refused with 401, and the client ends the session everywhere.
    void aRevokedSessionIsEndedOnTheNextRequest()
    {
        SettingsStore& store = SettingsStore::shared();
        QVERIFY(store.textValue(keys::loginToken));
        QCOMPARE(store.boolValue(keys::isLogin), true);
        AlertRecorder alerts;
        CommonWS::shared().getBlockWebsiteByUser(
            [](const auto&, bool) { QFAIL("no completion after a 401"); });
        QTRY_COMPARE(store.boolValue(keys::isLoggedOut), true);
        QCOMPARE(store.boolValue(keys::isLogin), false);
        QVERIFY(!store.textValue(keys::loginToken));
        QVERIFY(!store.objectValue(keys::isPinSeted).isValid());
        QCOMPARE(alerts.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestApiAgainstServer)
#include "tst_apiagainstserver.moc"
