#include "ApiTestSupport.h"
#include "Configuration.h"
#include "DataRow.h"
#include "FakeNetworkAccessManager.h"
#include "Fixtures.h"

#include <QTest>
#include <QUrlQuery>

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
        bool none() const { return successes.isEmpty() && failures.isEmpty(); }
    };

    std::unique_ptr<ApiClient> m_client;
    std::unique_ptr<FakeNetworkAccessManager> m_network;
    std::shared_ptr<QStringList> m_windowEvents;

    SettingsStore& store() { return SettingsStore::shared(); }
    LogCapture& log() { return m_client->log; }

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
        m_client->api.setNetworkAccessManager(m_network.get());
    }

    void installWindowHost(bool mainWindow = true)
    {
        m_client->api.setWindowHost(std::make_unique<RecordingWindowHost>(m_windowEvents, mainWindow));
    }

    void signIn()
    {
        store().setString(keys::loginToken, "session-token-0001");
        store().setInteger(keys::userId, 42);
        store().setBool(keys::isLogin, true);
        store().setBool(keys::isLoggedOut, false);
        store().setBool(keys::isPinSeted, true);
        store().setBool(keys::dnsLastStatus, true);
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
        m_network = std::make_unique<FakeNetworkAccessManager>();
        m_windowEvents = std::make_shared<QStringList>();
        createClient();
    }

    void cleanup()
    {
        m_client.reset();
        m_network.reset();
    }

    void formBodyEscapesEverythingButUnreservedCharacters_data()
    {
        QTest::addColumn<Parameters>("parameters");
        QTest::addColumn<QByteArray>("body");
        dataRow("no parameters", Parameters {}, QByteArray());
        dataRow("keys in order", Parameters {{"pin", "123456"}, {"old_pin", "654321"}},
            QByteArray("old_pin=654321&pin=123456"));
        dataRow("delimiters, plus and at", Parameters {{"password", "a+b@c&s=w?d/#;, %"}},
            QByteArray("password=a%2Bb%40c%26s%3Dw%3Fd%2F%23%3B%2C%20%25"));
        dataRow("non-ASCII", Parameters {{"name", QString::fromUtf8("Zoë 🎲")}},
            QByteArray("name=Zo%C3%AB%20%F0%9F%8E%B2"));
        dataRow("unreserved stay", Parameters {{"device_name", "Mac-mini_2.0~x"}},
            QByteArray("device_name=Mac-mini_2.0~x"));
        dataRow("escaped keys", Parameters {{"a b&c=d", "e"}}, QByteArray("a%20b%26c%3Dd=e"));
    }

    void formBodyEscapesEverythingButUnreservedCharacters()
    {
        QFETCH(Parameters, parameters);
        QFETCH(QByteArray, body);
        QVERIFY(m_client->startReachable());
        send(WebService::signup, parameters);
        const RecordedRequest& request = m_network->lastRequest();
        QVERIFY(request.isPost());
        QCOMPARE(request.header("Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
        QCOMPARE(request.body, body);

        // A form decoder gets every key and value back exactly.
        const QUrlQuery decoded(QString::fromLatin1(QByteArray(body).replace('+', ' ')));
        Parameters roundTrip;
        for (const auto& [key, value] : decoded.queryItems(QUrl::FullyDecoded)) {
            roundTrip.insert(key, value);
        }
        QCOMPARE(roundTrip, parameters);
    }

    void headersCarryTheSessionAndTheLanguage_data()
    {
        QTest::addColumn<QVariant>("token");
        QTest::addColumn<QVariant>("language");
        QTest::addColumn<QString>("authorization");
        QTest::addColumn<QString>("localization");
        const QString defaultBearer = "Bearer " + configuration::defaultToken();
        dataRow("nothing stored", QVariant(), QVariant(), defaultBearer, "");
        dataRow("empty token", QVariant(""), QVariant("en"), defaultBearer, "en");
        dataRow(
            "signed in, language not text", QVariant("abc.def.ghi"), QVariant(7), "Bearer abc.def.ghi", "");
    }

    void headersCarryTheSessionAndTheLanguage()
    {
        QFETCH(QVariant, token);
        QFETCH(QVariant, language);
        QFETCH(QString, authorization);
        QFETCH(QString, localization);
        QVERIFY(m_client->startReachable());
        if (token.isValid()) {
            store().setObject(keys::loginToken, token);
        }
        if (language.isValid()) {
            store().setObject(keys::currentLanguage, language);
        }
        send(WebService::login);
        const RecordedRequest& request = m_network->lastRequest();
        QCOMPARE(QString::fromUtf8(request.header("Authorization")), authorization);
        QVERIFY(request.request.hasRawHeader("X-localization"));
        QCOMPARE(QString::fromUtf8(request.header("X-localization")), localization);
    }

    void unreachableNetworkSendsNothing_data()
    {
        QTest::addColumn<bool>("watching");
        QTest::addColumn<bool>("mainWindow");
        dataRow("not watching yet, main window", false, true);
        dataRow("unavailable, main window", true, true);
        dataRow("unavailable, no main window", true, false);
    }

    void unreachableNetworkSendsNothing()
    {
        QFETCH(bool, watching);
        QFETCH(bool, mainWindow);
        createClient(FakeInternetRoute(Reachability::Reachable | Reachability::ConnectionRequired));
        if (watching) {
            m_client->api.startReachability();
            QVERIFY(log().waitFor("not reachable"));
        }
        installWindowHost(mainWindow);
        const auto outcome = send(WebService::checkPin, {{"pin", "123456"}});
        QVERIFY(m_network->requests().isEmpty());
        QVERIFY(outcome->none());
        QCOMPARE(m_client->alerts.count(), mainWindow ? 1 : 0);
        if (mainWindow) {
            QCOMPARE(m_client->alerts.alerts().first().message, "Ooops");
            QCOMPARE(m_client->alerts.alerts().first().informative, "Network Not Reachable");
        }
    }

    // How an answer ends: handed on, handed on after an alert, or a failure. All of them leave the
    // session alone; only a 401 with JSON ends it (expiredSession).
    void answers_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<bool>("alert"); // "error Code :<status>", then the body is handed on
        QTest::addColumn<int>("failure"); // ApiError::Kind, or -1 when the body is handed on
        QTest::addColumn<QString>("text"); // how the failure's text starts
        const QByteArray body = fixture("refused.json");
        const int handedOn = -1;
        const int notJson = int(ApiError::Kind::notJson);
        dataRow("200", FakeResponse::answer(200, body), false, handedOn, QString());
        dataRow("299", FakeResponse::answer(299, body), false, handedOn, QString());
        dataRow("422", FakeResponse::answer(422, body), true, handedOn, QString());
        dataRow("403, the first error status of the content layer", FakeResponse::answer(403, body), true,
            handedOn, QString());
        dataRow("connection refused",
            FakeResponse::failure(QNetworkReply::ConnectionRefusedError, "Connection refused"), false,
            int(ApiError::Kind::transport), "Connection refused");
        dataRow("html with 200", FakeResponse::answer(200, "<html><body>Hello</body></html>"), false, notJson,
            "The answer is not JSON: ");
        dataRow("html with 401", FakeResponse::answer(401, "Unauthorized"), false, notJson,
            "The answer is not JSON: ");
    }

    void answers()
    {
        QFETCH(FakeResponse, response);
        QFETCH(bool, alert);
        QFETCH(int, failure);
        QFETCH(QString, text);
        QVERIFY(m_client->startReachable());
        signIn();
        m_network->respondWith(response);
        const auto outcome = send(WebService::checkPin, {{"attempt", "1"}, {"user_id", "42"}});
        QVERIFY(log().waitForAnswers());
        const QStringList printed = log().lines();
        QCOMPARE(printed.mid(0, 4),
            QStringList({QString(74, '='), "API: http://brevak.test:8080/api/v3/checkPin \n",
                "Param: [\"attempt\": \"1\", \"user_id\": \"42\"]\n",
                "Header: [\"Authorization\": \"Bearer ****0001\", \"X-localization\": \"fr\"]\n"}));
        AlertRecorder& alerts = m_client->alerts;
        if (failure >= 0) {
            QVERIFY(outcome->successes.isEmpty());
            QCOMPARE(outcome->failures.size(), 1);
            QCOMPARE(int(outcome->failures.first().kind), failure);
            QVERIFY2(
                outcome->failures.first().text.startsWith(text), qPrintable(outcome->failures.first().text));
            QCOMPARE(
                printed.mid(4), QStringList({"Error : " + outcome->failures.first().text, QString(74, '=')}));
            QCOMPARE(alerts.count(), 0);
        } else {
            QCOMPARE(
                printed.mid(4), QStringList {QString("Response Data - %1 bytes").arg(response.body.size())});
            QCOMPARE(alerts.count(), alert ? 1 : 0);
            if (alert) {
                QCOMPARE(alerts.alerts().first().message, "Ooops");
                QCOMPARE(
                    alerts.alerts().first().informative, "error Code :" + QString::number(response.status));
                QVERIFY(outcome->successes.isEmpty());
                alerts.pressOk();
            }
            QCOMPARE(outcome->successes, QList<QByteArray> {response.body});
            QVERIFY(outcome->failures.isEmpty());
        }
        QVERIFY(store().textValue(keys::loginToken));
    }

    void secretsNeverReachTheLog()
    {
        QVERIFY(m_client->startReachable());
        store().setString(keys::loginToken, "eyJhbGciOiJSUzI1NiJ9.eyJzdWIiOjQyfQ.sig-WXYZ");
        send(WebService::login,
            {{"email", "a@example.com"}, {"password", "hunter2 secret"}, {"pin", "525252"},
                {"old_pin", "141414"}, {"token", "ya29.google-access-token"}});
        QVERIFY(log().waitForAnswers());
        QVERIFY(
            log().contains("Param: [\"email\": \"a@example.com\", \"old_pin\": \"<redacted>\", \"password\": "
                           "\"<redacted>\", \"pin\": \"<redacted>\", \"token\": \"<redacted>\"]\n"));
        QVERIFY(
            log().contains("Header: [\"Authorization\": \"Bearer ****WXYZ\", \"X-localization\": \"\"]\n"));
        const QString printed = log().lines().join('\n');
        for (const char* secret : {"hunter2", "525252", "141414", "ya29", "eyJhbGciOiJSUzI1NiJ9", "sig-"}) {
            QVERIFY2(!printed.contains(secret), secret);
        }
        // The server still gets them.
        QVERIFY(m_network->lastRequest().body.contains("password=hunter2%20secret"));
    }

    void expiredSession_data()
    {
        QTest::addColumn<WebService>("service");
        QTest::addColumn<bool>("loggedOut");
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QStringList>("windowEvents");
        QTest::addColumn<bool>("wiped");
        dataRow("signed in: everything goes", WebService::blockWebsite, false, true,
            QStringList {"end sheet (token stored, isLoggedOut false)",
                "start screen (token gone, isLoggedOut false)"},
            true);
        dataRow("signed in, without windows", WebService::checkPin, false, false, QStringList {}, true);
        // A signed-out user has no session to lose on the status synchronisation.
        dataRow("logged out, synchronisation", WebService::syncURL, true, true,
            QStringList {"raise front window (token stored, isLoggedOut true)"}, false);
        // No sheet to end: the user had logged out already.
        dataRow("logged out, another request", WebService::login, true, true,
            QStringList {"start screen (token gone, isLoggedOut false)"}, true);
    }

    void expiredSession()
    {
        QFETCH(WebService, service);
        QFETCH(bool, loggedOut);
        QFETCH(bool, windows);
        QFETCH(QStringList, windowEvents);
        QFETCH(bool, wiped);
        QVERIFY(m_client->startReachable());
        if (windows) {
            installWindowHost();
        }
        signIn();
        store().setBool(keys::isLogin, !loggedOut);
        store().setBool(keys::isLoggedOut, loggedOut);
        m_network->respondWith(FakeResponse::answer(401, R"({"message":"Unauthenticated."})"));
        const auto outcome = send(service);
        QVERIFY(log().waitForAnswers());
        QCOMPARE(*m_windowEvents, windowEvents);
        QVERIFY(outcome->none());
        QCOMPARE(m_client->alerts.count(), 0);
        QCOMPARE(store().boolValue(keys::isLoggedOut), true);
        if (!wiped) {
            QCOMPARE(store().textValue(keys::loginToken), "session-token-0001");
            return;
        }
        QCOMPARE(store().boolValue(keys::isLogin), false);
        for (const char* key :
            {keys::loginToken, keys::userId, keys::isPinSeted, keys::dnsLastStatus, keys::currentLanguage}) {
            QVERIFY2(!store().objectValue(key).isValid(), key);
        }
    }

    void everyReachabilityChangeSynchronises()
    {
        m_client->api.startReachability();
        QVERIFY(log().waitForAnswers());
        QCOMPARE(m_network->requests().size(), 1);
        QCOMPARE(m_network->lastRequest().url().toString(), "http://brevak.test:8080/api/v3/sync-url");
        QVERIFY(log().contains("reached"));
        QVERIFY(log().contains("reachability changed"));

        // Going offline reports too, but the synchronisation it asks for cannot be sent: the user
        // sees why.
        installWindowHost();
        log().clear();
        m_client->route.report(0);
        QVERIFY(log().waitFor("reachability changed"));
        QVERIFY(log().contains("not reachable"));
        QCOMPARE(m_network->requests().size(), 1);
        QCOMPARE(m_client->alerts.count(), 1);
        QCOMPARE(m_client->alerts.alerts().first().informative, "Network Not Reachable");

        m_client->route.report(Reachability::Reachable | Reachability::IsDirect);
        QTRY_COMPARE(m_network->requests().size(), 2);
        QCOMPARE(m_network->lastRequest().url().path(), "/api/v3/sync-url");

        // A second start, as each new start screen makes, neither starts nor hears the route again.
        m_client->api.startReachability();
        m_client->route.report(0);
        QTRY_COMPARE(m_client->alerts.count(), 2);
        QCOMPARE(log().lines().count("reachability changed"), 3);
        QCOMPARE(m_client->route.starts(), 1);
    }

    void aMonitorThatCannotStartStillGatesRequests()
    {
        createClient(FakeInternetRoute(Reachability::Reachable, 3));
        m_client->api.startReachability();
        send(WebService::logout);
        QCOMPARE(m_network->requests().size(), 1);
        QVERIFY(log().waitForAnswers());
        QVERIFY(!log().contains("reached")); // its callbacks are not installed
    }
};

QTEST_GUILESS_MAIN(TestApiManager)
#include "tst_apimanager.moc"
