#include "ApiTestSupport.h"
#include "Configuration.h"
#include "DataRow.h"
#include "FakeNetworkAccessManager.h"
#include "Fixtures.h"

#include <QTest>

Q_DECLARE_METATYPE(WebService)
Q_DECLARE_METATYPE(FakeResponse)

// The request routine of the API client against a network manager that answers from memory.
class TestApiManager : public QObject
{
    Q_OBJECT

private:
    struct Outcome
    {
        QList<QByteArray> successes;
        QList<ApiError> failures;
    };

    FakeNetworkAccessManager m_network;
    std::unique_ptr<ApiClient> m_client;
    std::shared_ptr<QStringList> m_windowEvents = std::make_shared<QStringList>();

    SettingsStore& store() { return SettingsStore::shared(); }
    LogCapture& log() { return m_client->log; }
    AlertRecorder& alerts() { return m_client->alerts; }

    std::shared_ptr<Outcome> send(WebService service, const Parameters& parameters = {})
    {
        auto outcome = std::make_shared<Outcome>();
        m_client->api.request(
            service, parameters, [outcome](const ApiError& error) { outcome->failures.append(error); },
            [outcome](const QByteArray& body) { outcome->successes.append(body); });
        return outcome;
    }

    void createClient(FakeInternetRoute route = FakeInternetRoute())
    {
        m_client.reset(); // its log and simulated Mac end before the next one begins
        m_client = std::make_unique<ApiClient>(std::move(route));
        m_client->api.setNetworkAccessManager(&m_network);
        m_client->api.setWindowHost(std::make_unique<RecordingWindowHost>(m_windowEvents));
    }

    void signIn(bool loggedOut = false)
    {
        store().setString(keys::loginToken, "session-token-0001");
        store().setBool(keys::isLogin, !loggedOut);
        store().setBool(keys::isLoggedOut, loggedOut);
        store().setString(keys::currentLanguage, "fr");
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("BREVAK_API_BASE_URL", "http://brevak.test:8080/");
        qunsetenv("BREVAK_DEFAULT_TOKEN");
    }

    void init()
    {
        m_network.respondWith(FakeResponse::answer(200, "{}"));
        m_windowEvents->clear();
        createClient();
    }

    void cleanup()
    {
        m_client.reset();
        m_network.clear();
    }

    void requestsCarryAFormAndTheSession_data()
    {
        QTest::addColumn<Parameters>("parameters");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QVariant>("token");
        QTest::addColumn<QVariant>("language");
        QTest::addColumn<QString>("authorization");
        QTest::addColumn<QString>("localization");
        const QString defaultBearer = "Bearer " + configuration::defaultToken();
        dataRow("nothing stored, keys in order", Parameters {{"pin", "1"}, {"old_pin", "2"}},
            QByteArray("old_pin=2&pin=1"), QVariant(), QVariant(), defaultBearer, "");
        dataRow("delimiters, a token not text", Parameters {{"a b&c=d", "a+b@c&s=w?d/#;, %"}},
            QByteArray("a%20b%26c%3Dd=a%2Bb%40c%26s%3Dw%3Fd%2F%23%3B%2C%20%25"), QVariant(1234),
            QVariant("fr"), defaultBearer, "fr");
        dataRow("non-ASCII, a language not text", Parameters {{"name", QString::fromUtf8("Zoë 🎲")}},
            QByteArray("name=Zo%C3%AB%20%F0%9F%8E%B2"), QVariant("abc.def.ghi"), QVariant(7),
            "Bearer abc.def.ghi", "");
        dataRow("unreserved stay", Parameters {{"device_name", "Mac-mini_2.0~x"}},
            QByteArray("device_name=Mac-mini_2.0~x"), QVariant(""), QVariant("en"), defaultBearer, "en");
    }

    void requestsCarryAFormAndTheSession()
    {
        QFETCH(Parameters, parameters);
        QFETCH(QByteArray, body);
        QFETCH(QVariant, token);
        QFETCH(QVariant, language);
        QFETCH(QString, authorization);
        QFETCH(QString, localization);
        QVERIFY(m_client->startReachable());
        store().setObject(keys::loginToken, token);
        store().setObject(keys::currentLanguage, language);
        send(WebService::signup, parameters);
        const RecordedRequest& request = m_network.lastRequest();
        QCOMPARE(request.operation, QNetworkAccessManager::PostOperation);
        QCOMPARE(request.header("Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
        QCOMPARE(request.body, body);
        QCOMPARE(QString::fromUtf8(request.header("Authorization")), authorization);
        QVERIFY(request.request.hasRawHeader("X-localization"));
        QCOMPARE(QString::fromUtf8(request.header("X-localization")), localization);
    }

    // Before the route is watched, and while it is unavailable, nothing is sent and nobody is
    // called back; the user is told why.
    void unreachableNetworkSendsNothing()
    {
        createClient(FakeInternetRoute(Reachability::Reachable | Reachability::ConnectionRequired));
        const auto early = send(WebService::checkPin);
        m_client->api.startReachability();
        QVERIFY(log().waitFor("not reachable"));
        const auto late = send(WebService::checkPin);
        QVERIFY(m_network.requests().isEmpty());
        QVERIFY(early->successes.isEmpty() && late->successes.isEmpty());
        QCOMPARE(alerts().count(), 3); // the two requests and the first report's synchronisation
        QCOMPARE(alerts().alerts().first().message, "Ooops");
        QCOMPARE(alerts().alerts().first().informative, "Network Not Reachable");
    }

    // How an answer ends: handed on, handed on after an alert, or a failure; what the log shows of it,
    // secrets hidden. All of them leave the session alone; only a 401 with JSON ends it.
    void answers_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<bool>("alert"); // "error Code :<status>", then the body is handed on
        QTest::addColumn<int>("failure"); // ApiError::Kind, or -1 when the body is handed on
        const QByteArray body = fixture("refused.json");
        dataRow("299", FakeResponse::answer(299, body), false, -1);
        dataRow("422", FakeResponse::answer(422, body), true, -1);
        dataRow(
            "403, the first error status of the content layer", FakeResponse::answer(403, body), true, -1);
        dataRow("connection refused", FakeResponse::failure(QNetworkReply::ConnectionRefusedError, "refused"),
            false, int(ApiError::Kind::transport));
        dataRow("html with 200", FakeResponse::answer(200, "<html>Hi</html>"), false,
            int(ApiError::Kind::notJson));
        dataRow(
            "html with 401", FakeResponse::answer(401, "Unauthorized"), false, int(ApiError::Kind::notJson));
    }

    void answers()
    {
        QFETCH(FakeResponse, response);
        QFETCH(bool, alert);
        QFETCH(int, failure);
        QVERIFY(m_client->startReachable());
        signIn();
        m_network.respondWith(response);
        const auto outcome
            = send(WebService::checkPin, {{"attempt", "1"}, {"password", "hunter2"}, {"pin", "525"}});
        QVERIFY(log().waitForAnswers());
        QCOMPARE(log().lines().mid(0, 4),
            QStringList({QString(74, '='), "API: http://brevak.test:8080/api/v3/checkPin \n",
                "Param: [\"attempt\": \"1\", \"password\": \"<redacted>\", \"pin\": \"<redacted>\"]\n",
                "Header: [\"Authorization\": \"Bearer ****0001\", \"X-localization\": \"fr\"]\n"}));
        QVERIFY(m_network.lastRequest().body.contains("password=hunter2")); // the server still gets it
        if (failure >= 0) {
            QVERIFY(outcome->successes.isEmpty());
            QCOMPARE(outcome->failures.size(), 1);
            QCOMPARE(int(outcome->failures.first().kind), failure);
            QCOMPARE(log().lines().mid(4),
                QStringList({"Error : " + outcome->failures.first().text, QString(74, '=')}));
        } else {
            QCOMPARE(log().lines().mid(4),
                QStringList {QString("Response Data - %1 bytes").arg(response.body.size())});
            if (alert) {
                QCOMPARE(
                    alerts().alerts().first().informative, "error Code :" + QString::number(response.status));
                QVERIFY(outcome->successes.isEmpty());
                alerts().pressOk();
            }
            QCOMPARE(outcome->successes, QList<QByteArray> {response.body});
        }
        QCOMPARE(alerts().count(), 0);
        QVERIFY(store().textValue(keys::loginToken));
    }

    void expiredSession_data()
    {
        QTest::addColumn<WebService>("service");
        QTest::addColumn<bool>("loggedOut");
        QTest::addColumn<QStringList>("windowEvents");
        dataRow("signed in: everything goes", WebService::blockWebsite, false,
            QStringList {"end sheet (token stored, isLoggedOut false)",
                "start screen (token gone, isLoggedOut false)"});
        // A signed-out user has no session to lose on the status synchronisation.
        dataRow("logged out, synchronisation", WebService::syncURL, true,
            QStringList {"raise front window (token stored, isLoggedOut true)"});
        // No sheet to end: the user had logged out already.
        dataRow("logged out, another request", WebService::login, true,
            QStringList {"start screen (token gone, isLoggedOut false)"});
    }

    void expiredSession()
    {
        QFETCH(WebService, service);
        QFETCH(bool, loggedOut);
        QFETCH(QStringList, windowEvents);
        QVERIFY(m_client->startReachable());
        signIn(loggedOut);
        m_network.respondWith(FakeResponse::answer(401, R"({"message":"Unauthenticated."})"));
        const auto outcome = send(service);
        QVERIFY(log().waitForAnswers());
        QCOMPARE(*m_windowEvents, windowEvents);
        QVERIFY(outcome->successes.isEmpty() && outcome->failures.isEmpty());
        QCOMPARE(alerts().count(), 0);
        QCOMPARE(store().boolValue(keys::isLoggedOut), true);
        QCOMPARE(store().boolValue(keys::isLogin), false);
        const bool sessionKept = loggedOut && service == WebService::syncURL;
        QCOMPARE(store().textValue(keys::loginToken).has_value(), sessionKept);
        QCOMPARE(store().objectValue(keys::currentLanguage).isValid(), sessionKept);
    }

    // Every report runs a synchronisation, the first one after the start included; a report of no
    // connection cannot send it and says why. A second start, as each new start screen makes,
    // neither starts the route again nor hears it twice.
    void everyReachabilityChangeSynchronises()
    {
        m_client->api.startReachability();
        QVERIFY(log().waitForAnswers());
        QCOMPARE(m_network.lastRequest().url().toString(), "http://brevak.test:8080/api/v3/sync-url");
        QVERIFY(log().contains("reached"));

        m_client->route.report(0);
        QTRY_COMPARE(alerts().count(), 1);
        QCOMPARE(alerts().alerts().first().informative, "Network Not Reachable");
        m_client->api.startReachability();
        m_client->route.report(Reachability::Reachable | Reachability::IsDirect);
        QVERIFY(log().waitForAnswers(2));
        QCOMPARE(m_network.requests().size(), 2);
        QCOMPARE(log().lines().count("reachability changed"), 3);
        QCOMPARE(m_client->route.starts(), 1);
    }
};

QTEST_GUILESS_MAIN(TestApiManager)
#include "tst_apimanager.moc"
