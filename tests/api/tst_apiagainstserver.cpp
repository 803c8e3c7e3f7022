#include "ApiTestSupport.h"
#include "CommonWS.h"
#include "ServerHarness.h"

#include <QTest>

// The application's client against a real brevak-server on 127.0.0.1, over Qt's real network stack:
// what joins them. Each test signs up an account of its own. What the server answers to each
// endpoint, decoded with the client's own records, is tst_serverapi's.
class TestApiAgainstServer : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server;
    std::unique_ptr<ApiClient> m_client;
    int m_accounts = 0;

    // Sends a request as a screen does and waits for the decoded answer; absent when none came.
    template<typename Record>
    std::optional<Record> send(WebService service, const Parameters& parameters)
    {
        std::optional<Record> result;
        bool completed = false;
        m_client->api.request(service, parameters, CommonWS::printFailure, [&](const QByteArray& body) {
            CommonWS::decodeResponse<Record>(body, [&](const std::optional<Record>& record, bool) {
                result = record;
                completed = true;
            });
        });
        if (!QTest::qWaitFor([&] { return completed; }, 20000))
            return std::nullopt;
        return result;
    }

    // Signs up a new account with a password that needs escaping, and signs in with it.
    bool signUpAndSignIn()
    {
        const QString email = QStringLiteral("léa+%1@example.org").arg(++m_accounts);
        const QString password = QStringLiteral("p&ss=word+ 1234");
        const auto signedUp = send<BaseModel<AuthModel>>(WebService::signup,
            {{"social_media", "0"}, {"device_name", "Mac"}, {"email", email}, {"password", password},
                {"profile_id", "0"}});
        const auto answer = send<BaseModel<AuthModel>>(
            WebService::login, {{"email", email}, {"password", password}, {"social_media", "0"}});
        if (!signedUp || !signedUp->status || !answer || !answer->status || !answer->data) {
            return false;
        }
        SettingsStore::shared().setString(keys::loginToken, answer->data->token);
        SettingsStore::shared().setBool(keys::isLogin, true);
        return true;
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
        QVERIFY(m_client->startReachable());
    }

    void cleanup() { m_client.reset(); }

    // Without parameters the server refuses most requests, but never as an unknown address.
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
};

QTEST_GUILESS_MAIN(TestApiAgainstServer)
#include "tst_apiagainstserver.moc"
