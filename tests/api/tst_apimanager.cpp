#include "AlertRecorder.h"
#include "ApiManager.h"
#include "ApiTestSupport.h"
#include "Configuration.h"
#include "DataRow.h"
#include "FakeNetworkAccessManager.h"
#include "LogCapture.h"

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
    };

    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<AlertRecorder> m_alerts;
    std::unique_ptr<FakeNetworkAccessManager> m_network;
    std::unique_ptr<ApiManager> m_api;
    TestMonitor m_monitor;
    std::shared_ptr<QStringList> m_windowEvents;

    SettingsStore& store() { return SettingsStore::shared(); }

    std::shared_ptr<Outcome> send(WebService service, const Parameters& parameters = {})
    {
        auto outcome = std::make_shared<Outcome>();
        m_api->request(
            service, parameters, [outcome](const ApiError& error) { outcome->failures.append(error); },
            [outcome](const QByteArray& body) { outcome->successes.append(body); });
        return outcome;
    }

    // Waits until a request has been answered and its dump printed.
    bool answered(int count = 1)
    {
        return QTest::qWaitFor([&] {
            return std::count_if(m_log->lines().cbegin(), m_log->lines().cend(), [](const QString& line) {
                return line.startsWith("Response Data - ") || line.startsWith("Error : ");
            }) >= count;
        });
    }

    // A client whose network is reachable, after the status synchronisation of its first report.
    void startReachable()
    {
        m_api->startReachability(m_monitor.create(Reachability::Reachable));
        QVERIFY(answered());
        QVERIFY(QTest::qWaitFor([&] { return m_log->contains("reachability changed"); }));
        m_network->clear();
        m_log->clear();
    }

    void installWindowHost(bool mainWindow = true)
    {
        m_api->setWindowHost(std::make_unique<RecordingWindowHost>(m_windowEvents, mainWindow));
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
        store().wipe();
        m_log = std::make_unique<LogCapture>();
        m_alerts = std::make_unique<AlertRecorder>();
        m_network = std::make_unique<FakeNetworkAccessManager>();
        m_api = std::make_unique<ApiManager>();
        m_api->setNetworkAccessManager(m_network.get());
        m_windowEvents = std::make_shared<QStringList>();
    }

    void cleanup()
    {
        m_api.reset();
        m_network.reset();
        m_alerts.reset();
        m_log.reset();
    }

    void everyEndpointIsPostedToItsPath_data()
    {
        QTest::addColumn<WebService>("service");
        QTest::addColumn<QString>("url");
        const QString base = "http://brevak.test:8080/api/v3/";
        dataRow("signup", WebService::signup, base + "signup");
        dataRow("login", WebService::login, base + "login");
        dataRow("forgot", WebService::forgot, base + "forgot-password");
        dataRow("updateProfile", WebService::updateProfile, base + "update-profile");
        dataRow("setupPin", WebService::setupPin, base + "setupPin");
        dataRow("checkPin", WebService::checkPin, base + "checkPin");
        dataRow("retrievePin", WebService::retrievePin, base + "retrievePin");
        dataRow("updatePin", WebService::updatePin, base + "updatePin");
        dataRow("removepin", WebService::removepin, base + "removepin");
        dataRow("getBlockWebsiteByUser", WebService::getBlockWebsiteByUser,
            base + "getblockwebsitebyuser?page=1");
        dataRow("blockWebsite", WebService::blockWebsite, base + "blockwesitebyuser");
        dataRow("unblockWebsite", WebService::unblockWebsite, base + "unblockwesitebyuser");
        dataRow("syncURL", WebService::syncURL, base + "sync-url");
        dataRow("logout", WebService::logout, base + "logout");
    }

    void everyEndpointIsPostedToItsPath()
    {
        QFETCH(WebService, service);
        QFETCH(QString, url);
        startReachable();
        send(service, {{"user_id", "42"}});
        QCOMPARE(m_network->requests().size(), 1);
        const RecordedRequest& request = m_network->lastRequest();
        QVERIFY(request.isPost());
        QCOMPARE(request.url().toString(), url);
        QCOMPARE(request.header("Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
        QCOMPARE(request.body, "user_id=42");
        QVERIFY(answered());
        QVERIFY(m_log->contains("API: " + url + " \n"));
    }

    void formBodyEscapesEverythingButUnreservedCharacters_data()
    {
        QTest::addColumn<Parameters>("parameters");
        QTest::addColumn<QByteArray>("body");
        dataRow("no parameters", Parameters {}, QByteArray());
        dataRow("keys in order", Parameters {{"pin", "123456"}, {"old_pin", "654321"}},
            QByteArray("old_pin=654321&pin=123456"));
        dataRow("plus and at", Parameters {{"email", "a+b@example.com"}},
            QByteArray("email=a%2Bb%40example.com"));
        dataRow("delimiters", Parameters {{"password", "p&ss=w?rd/#;,"}},
            QByteArray("password=p%26ss%3Dw%3Frd%2F%23%3B%2C"));
        dataRow("blanks", Parameters {{"name", " Alex  Martin "}}, QByteArray("name=%20Alex%20%20Martin%20"));
        dataRow("non-ASCII", Parameters {{"name", QString::fromUtf8("Zoë 日本 🎲")}},
            QByteArray("name=Zo%C3%AB%20%E6%97%A5%E6%9C%AC%20%F0%9F%8E%B2"));
        dataRow("unreserved stay", Parameters {{"device_name", "Mac-mini_2.0~x"}},
            QByteArray("device_name=Mac-mini_2.0~x"));
        dataRow("escaped keys", Parameters {{"a b&c=d", "e"}}, QByteArray("a%20b%26c%3Dd=e"));
        dataRow("empty value", Parameters {{"user_id", ""}}, QByteArray("user_id="));
        dataRow("percent", Parameters {{"domain", "100%"}}, QByteArray("domain=100%25"));
    }

    void formBodyEscapesEverythingButUnreservedCharacters()
    {
        QFETCH(Parameters, parameters);
        QFETCH(QByteArray, body);
        startReachable();
        send(WebService::signup, parameters);
        QCOMPARE(m_network->lastRequest().body, body);

        // A form decoder gets every key and value back exactly.
        QByteArray spaced = body;
        spaced.replace('+', ' ');
        const QUrlQuery decoded(QString::fromLatin1(spaced));
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
        dataRow("token not text", QVariant(1234), QVariant("fr"), defaultBearer, "fr");
        dataRow("signed in", QVariant("abc.def.ghi"), QVariant("fr"), "Bearer abc.def.ghi", "fr");
        dataRow("language not text", QVariant("abc.def.ghi"), QVariant(7), "Bearer abc.def.ghi", "");
        dataRow("other language", QVariant("abc.def.ghi"), QVariant("de"), "Bearer abc.def.ghi", "de");
    }

    void headersCarryTheSessionAndTheLanguage()
    {
        QFETCH(QVariant, token);
        QFETCH(QVariant, language);
        QFETCH(QString, authorization);
        QFETCH(QString, localization);
        startReachable();
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
        QCOMPARE(ApiManager::authHeaders().value("Authorization"), authorization);
    }

    void unreachableNetworkSendsNothing_data()
    {
        QTest::addColumn<bool>("monitor");
        QTest::addColumn<bool>("host");
        QTest::addColumn<bool>("mainWindow");
        QTest::addColumn<bool>("alert");
        dataRow("no monitor, main window", false, true, true, true);
        dataRow("no monitor, no main window", false, true, false, false);
        dataRow("no monitor, no windows at all", false, false, false, false);
        dataRow("unavailable, main window", true, true, true, true);
        dataRow("unavailable, no main window", true, true, false, false);
    }

    void unreachableNetworkSendsNothing()
    {
        QFETCH(bool, monitor);
        QFETCH(bool, host);
        QFETCH(bool, mainWindow);
        QFETCH(bool, alert);
        if (monitor) {
            m_api->startReachability(
                m_monitor.create(Reachability::Reachable | Reachability::ConnectionRequired));
            QVERIFY(QTest::qWaitFor([&] { return m_log->contains("reachability changed"); }));
            QVERIFY(m_log->contains("not reachable"));
        }
        if (host) {
            installWindowHost(mainWindow);
        }
        const auto outcome = send(WebService::checkPin, {{"pin", "123456"}});
        QTest::qWait(20);
        QVERIFY(m_network->requests().isEmpty());
        QVERIFY(outcome->successes.isEmpty() && outcome->failures.isEmpty());
        QCOMPARE(m_alerts->count(), alert ? 1 : 0);
        if (alert) {
            QCOMPARE(m_alerts->alerts().first().message, "Ooops");
            QCOMPARE(m_alerts->alerts().first().informative, "Network Not Reachable");
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
        const QByteArray body = apiFixture("refused.json");
        const int handedOn = -1;
        const int notJson = int(ApiError::Kind::notJson);
        const int transport = int(ApiError::Kind::transport);
        for (int status : {200, 201, 299}) {
            dataRow(qPrintable(QString::number(status)), FakeResponse::answer(status, body), false, handedOn,
                QString());
        }
        dataRow("422", FakeResponse::answer(422, body), true, handedOn, QString());
        dataRow("403, the first error status of the content layer", FakeResponse::answer(403, body), true,
            handedOn, QString());
        dataRow("500", FakeResponse::answer(500, body), true, handedOn, QString());
        dataRow("302", FakeResponse::answer(302, body), true, handedOn, QString());
        dataRow("connection refused",
            FakeResponse::failure(QNetworkReply::ConnectionRefusedError, "Connection refused"), false,
            transport, "Connection refused");
        dataRow("TLS handshake",
            FakeResponse::failure(QNetworkReply::SslHandshakeFailedError, "SSL handshake failed"), false,
            transport, "SSL handshake failed");
        dataRow("html with 200", FakeResponse::answer(200, "<html><body>Hello</body></html>"), false, notJson,
            "The answer is not JSON: ");
        dataRow("empty with 200", FakeResponse::answer(200, ""), false, notJson,
            "The answer is not JSON: no JSON value");
        dataRow("html with 500", FakeResponse::answer(500, "<h1>Server Error</h1>"), false, notJson,
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
        startReachable();
        signIn();
        m_network->respondWith(response);
        const auto outcome = send(WebService::checkPin, {{"attempt", "1"}, {"user_id", "42"}});
        QVERIFY(answered());
        const QStringList printed = m_log->lines();
        QCOMPARE(printed.mid(0, 4),
            QStringList({QString(74, '='), "API: http://brevak.test:8080/api/v3/checkPin \n",
                "Param: [\"attempt\": \"1\", \"user_id\": \"42\"]\n",
                "Header: [\"Authorization\": \"Bearer ****0001\", \"X-localization\": \"fr\"]\n"}));
        if (failure >= 0) {
            QVERIFY(outcome->successes.isEmpty());
            QCOMPARE(outcome->failures.size(), 1);
            QCOMPARE(int(outcome->failures.first().kind), failure);
            QVERIFY2(
                outcome->failures.first().text.startsWith(text), qPrintable(outcome->failures.first().text));
            QCOMPARE(
                printed.mid(4), QStringList({"Error : " + outcome->failures.first().text, QString(74, '=')}));
            QCOMPARE(m_alerts->count(), 0);
        } else {
            QCOMPARE(
                printed.mid(4), QStringList {QString("Response Data - %1 bytes").arg(response.body.size())});
            QCOMPARE(m_alerts->count(), alert ? 1 : 0);
            if (alert) {
                QCOMPARE(m_alerts->alerts().first().message, "Ooops");
                QCOMPARE(m_alerts->alerts().first().informative,
                    "error Code :" + QString::number(response.status));
                QVERIFY(outcome->successes.isEmpty());
                m_alerts->pressOk();
            }
            QCOMPARE(outcome->successes, QList<QByteArray> {response.body});
            QVERIFY(outcome->failures.isEmpty());
        }
        QVERIFY(store().textValue(keys::loginToken));
    }

    void secretsNeverReachTheLog()
    {
        startReachable();
        store().setString(keys::loginToken, "eyJhbGciOiJSUzI1NiJ9.eyJzdWIiOjQyfQ.sig-WXYZ");
        send(WebService::login,
            {{"email", "a@example.com"}, {"password", "hunter2 secret"}, {"pin", "525252"},
                {"old_pin", "141414"}, {"token", "ya29.google-access-token"}});
        QVERIFY(answered());
        QVERIFY(m_log->contains(
            "Param: [\"email\": \"a@example.com\", \"old_pin\": \"<redacted>\", \"password\": "
            "\"<redacted>\", \"pin\": \"<redacted>\", \"token\": \"<redacted>\"]\n"));
        QVERIFY(
            m_log->contains("Header: [\"Authorization\": \"Bearer ****WXYZ\", \"X-localization\": \"\"]\n"));
        const QString log = m_log->lines().join('\n');
        for (const char* secret : {"hunter2", "525252", "141414", "ya29", "eyJhbGciOiJSUzI1NiJ9", "sig-"}) {
            QVERIFY2(!log.contains(secret), secret);
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
        startReachable();
        if (windows) {
            installWindowHost();
        }
        signIn();
        store().setBool(keys::isLogin, !loggedOut);
        store().setBool(keys::isLoggedOut, loggedOut);
        m_network->respondWith(FakeResponse::answer(401, R"({"message":"Unauthenticated."})"));
        const auto outcome = send(service);
        QVERIFY(answered());
        QCOMPARE(*m_windowEvents, windowEvents);
        QVERIFY(outcome->successes.isEmpty() && outcome->failures.isEmpty());
        QCOMPARE(m_alerts->count(), 0);
        QCOMPARE(store().boolValue(keys::isLoggedOut), true);
        if (!wiped) {
            QCOMPARE(store().textValue(keys::loginToken), "session-token-0001");
            QCOMPARE(store().boolValue(keys::dnsLastStatus), true);
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
        m_api->startReachability(m_monitor.create(Reachability::Reachable));
        QVERIFY(answered());
        QCOMPARE(m_network->requests().size(), 1);
        QCOMPARE(m_network->lastRequest().url().path(), "/api/v3/sync-url");
        QVERIFY(m_log->contains("reached"));
        QVERIFY(m_log->contains("reachability changed"));

        // Going offline reports too, but the synchronisation it asks for cannot be sent: the user
        // sees why.
        installWindowHost();
        m_log->clear();
        m_monitor.source->report(0);
        QVERIFY(QTest::qWaitFor([&] { return m_log->contains("reachability changed"); }));
        QVERIFY(m_log->contains("not reachable"));
        QCOMPARE(m_network->requests().size(), 1);
        QCOMPARE(m_alerts->count(), 1);
        QCOMPARE(m_alerts->alerts().first().informative, "Network Not Reachable");

        m_monitor.source->report(Reachability::Reachable | Reachability::IsDirect);
        QVERIFY(QTest::qWaitFor([&] { return m_network->requests().size() == 2; }));
        QCOMPARE(m_network->lastRequest().url().path(), "/api/v3/sync-url");
    }

    void aMonitorThatCannotStartStillGatesRequests()
    {
        m_api->startReachability(m_monitor.create(Reachability::Reachable, 3));
        QTest::qWait(20);
        QVERIFY(!m_log->contains("reached"));
        QVERIFY(m_network->requests().isEmpty());
        send(WebService::logout);
        QCOMPARE(m_network->requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestApiManager)
#include "tst_apimanager.moc"
