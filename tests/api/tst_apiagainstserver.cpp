#include "ApiTestSupport.h"
#include "CommonWS.h"
#include "ServerHarness.h"

#include <QTest>

// The application's client against a real brevak-server on 127.0.0.1, over Qt's real network stack.
// Each test signs up an account of its own. What the server answers to each endpoint, decoded with the
// client's own records, is tst_serverapi's.
class TestApiAgainstServer : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server;
    std::unique_ptr<ApiClient> m_client;
    std::unique_ptr<CommonWS> m_ws;
    int m_accounts = 0;

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
        if (!QTest::qWaitFor([&] { return completed; }, 20000)) {
            qWarning("no answer");
        }
        return result;
    }

    // A request that a screen sends itself, decoded as that screen does.
    template<typename Record>
    std::optional<Record> send(WebService service, const Parameters& parameters)
    {
        return await<Record>([&](const Completion<Record>& completion) {
            m_client->api.request(service, parameters, CommonWS::printFailure,
                [completion](const QByteArray& body) { CommonWS::decodeResponse<Record>(body, completion); });
        });
    }

    // Signs up a new account and signs in with it, as the sign-in screen stores the session.
    bool signUpAndSignIn(const QString& password = QStringLiteral("p&ss=word+ 1234"))
    {
        const QString email = QStringLiteral("léa+%1@example.org").arg(++m_accounts);
        const auto signedUp = await<BaseModel<AuthModel>>(
            [&](auto completion) { m_ws->signup(email, password, 0, m_ws->deviceModel(), completion); });
        if (!signedUp || !signedUp->status || signedUp->data->email != email) {
            return false;
        }
        const auto answer = send<BaseModel<AuthModel>>(WebService::login,
            {{"email", email}, {"password", password}, {"social_media", "0"},
                {"platform_unique_id", m_ws->platformUniqueId()}});
        if (!answer || !answer->status || !answer->data) {
            return false;
        }
        SettingsStore& store = SettingsStore::shared();
        store.setString(keys::loginToken, answer->data->token);
        store.setInteger(keys::userId, answer->data->id);
        store.setBool(keys::isLogin, true);
        store.setBool(keys::isLoggedOut, false);
        return true;
    }

    // Logs out, reading the answer as the sidebar does; whether the server confirmed it.
    bool logOut()
    {
        std::optional<bool> confirmed;
        m_client->api.request(WebService::logout, {}, CommonWS::printFailure, [&](const QByteArray& body) {
            CommonWS::handleLogoutResponse(body, [&](bool status) { confirmed = status; });
        });
        return QTest::qWaitFor([&] { return confirmed.has_value(); }, 20000) && *confirmed;
    }

    bool synchronise()
    {
        bool synchronised = false;
        m_ws->syncURL([&] { synchronised = true; });
        return QTest::qWaitFor([&] { return synchronised; }, 20000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.start());
        qputenv("BREVAK_API_BASE_URL", m_server.baseUrl().toUtf8());
    }

    void cleanupTestCase() { QCOMPARE(m_server.stop(), 0); }

    void init()
    {
        m_client = std::make_unique<ApiClient>();
        m_ws = std::make_unique<CommonWS>(m_client->api);
        QVERIFY(m_client->startReachable());
    }

    void cleanup()
    {
        m_ws.reset();
        m_client.reset();
    }

    // Without parameters the server refuses most requests, but never as an unknown address. Logout
    // comes last, as it ends the session.
    void everyEndpointIsOneTheServerKnows()
    {
        QVERIFY(signUpAndSignIn());
        const QList<WebService> services {WebService::signup, WebService::login, WebService::forgot,
            WebService::updateProfile, WebService::setupPin, WebService::checkPin, WebService::retrievePin,
            WebService::updatePin, WebService::removepin, WebService::getBlockWebsiteByUser,
            WebService::blockWebsite, WebService::unblockWebsite, WebService::syncURL, WebService::logout};
        m_client->log.clear();
        for (WebService service : services) {
            m_client->api.request(service, {}, CommonWS::printFailure, {});
        }
        QVERIFY(m_client->log.waitForAnswers(int(services.size())));
        for (const AlertRecorder::Alert& alert : m_client->alerts.alerts()) {
            QVERIFY2(alert.informative != "error Code :404", qPrintable(m_client->log.lines().join('\n')));
        }
    }

    void anAccountFromSignUpToLogout()
    {
        QVERIFY(signUpAndSignIn());
        SettingsStore& store = SettingsStore::shared();

        // No PIN yet; then a PIN, which the status synchronisation sees.
        store.setBool(keys::isPinSeted, true);
        QVERIFY(synchronise());
        QCOMPARE(store.boolValue(keys::isPinSeted), false);
        const auto pinSet
            = await<BaseModel<SetupPinModel>>([&](auto c) { m_ws->setupPin("12", "482913", c); });
        QVERIFY(pinSet && pinSet->status);
        QCOMPARE(pinSet->data->pin, "******"); // the PIN never comes back
        QVERIFY(synchronise());
        QCOMPARE(store.boolValue(keys::isPinSeted), true);
        QVERIFY(logOut());
    }

    // A token the server revoked is refused with 401, and the client ends the session everywhere.
    void aRevokedSessionIsEndedOnTheNextRequest()
    {
        QVERIFY(signUpAndSignIn());
        QVERIFY(logOut());

        SettingsStore& store = SettingsStore::shared();
        bool completed = false;
        m_ws->getBlockWebsiteByUser([&completed](const auto&, bool) { completed = true; });
        QTRY_VERIFY_WITH_TIMEOUT(store.boolValue(keys::isLoggedOut), 20000);
        QCOMPARE(store.boolValue(keys::isLogin), false);
        QVERIFY(!store.textValue(keys::loginToken));
        QVERIFY(!completed);
        QCOMPARE(m_client->alerts.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestApiAgainstServer)
#include "tst_apiagainstserver.moc"
