#include "ApiTestSupport.h"
#include "CommonWS.h"
#include "Configuration.h"
#include "DataRow.h"
#include "FakeNetworkAccessManager.h"
#include "Fixtures.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>

using Call = std::function<void(CommonWS&)>;
Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(WebService)
Q_DECLARE_METATYPE(FakeResponse)

// The API client: the request routine and the shared operations against a network manager that
// answers from memory, and what only Qt's real network stack shows, against servers on 127.0.0.1 that
// never answer.
class TestApiClient : public QObject
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

    // Watching a reachable route, done with the first report's synchronisation, nothing recorded yet.
    bool startReachable()
    {
        const bool started = m_client->startReachable();
        m_network.clear();
        return started;
    }

    static DeviceIdentity identity(std::optional<QString> uuid)
    {
        return {[uuid] { return uuid; }, [] { return QStringLiteral("Macmini9,1"); }};
    }

    // The only answer a request gets from `server`: the error its failure callback receives.
    std::optional<ApiError> failureFrom(const QTcpServer& server, const char* scheme)
    {
        qputenv("BREVAK_API_BASE_URL",
            QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(server.serverPort()).toUtf8());
        if (!m_client->startReachable()) { // its first synchronisation fails the same way
            return std::nullopt;
        }
        std::optional<ApiError> failure;
        bool succeeded = false;
        m_client->api.request(
            WebService::login, {{"email", "a@example.com"}, {"password", "secret"}},
            [&failure](const ApiError& error) { failure = error; },
            [&succeeded](const QByteArray&) { succeeded = true; });
        return m_client->log.waitForAnswers() && !succeeded ? failure : std::nullopt;
    }

    void signIn(bool loggedOut = false)
    {
        store().setString(keys::loginToken, "session-token-0001");
        store().setBool(keys::isLogin, !loggedOut);
        store().setBool(keys::isLoggedOut, loggedOut);
        store().setString(keys::currentLanguage, "fr");
    }

private Q_SLOTS:
    void init()
    {
        qputenv("BREVAK_API_BASE_URL", "http://brevak.test:8080/");
        qunsetenv("BREVAK_DEFAULT_TOKEN");
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
    }

    void requestsCarryAFormAndTheSession()
    {
        QFETCH(Parameters, parameters);
        QFETCH(QByteArray, body);
        QFETCH(QVariant, token);
        QFETCH(QVariant, language);
        QFETCH(QString, authorization);
        QFETCH(QString, localization);
        QVERIFY(startReachable());
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

    // Before the route is watched, and while it is unavailable, nothing is sent; the user is told
    // why, and the caller hears of it later, as of a failure, so that it can give back its controls.
    void unreachableNetworkSendsNothing()
    {
        createClient(FakeInternetRoute(Reachability::Reachable | Reachability::ConnectionRequired));
        const auto early = send(WebService::checkPin);
        QVERIFY(early->failures.isEmpty());
        m_client->api.startReachability();
        QVERIFY(log().waitFor("not reachable"));
        const auto late = send(WebService::checkPin);
        QTRY_COMPARE(late->failures.size(), 1);
        QCOMPARE(early->failures.size(), 1);
        QCOMPARE(late->failures.first().kind, ApiError::Kind::notReachable);
        QVERIFY(m_network.requests().isEmpty());
        QVERIFY(early->successes.isEmpty() && late->successes.isEmpty());
        // The two requests and the first report's synchronisation share one alert.
        QCOMPARE(alerts().shown(), 1);
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
        QVERIFY(startReachable());
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
        QVERIFY(startReachable());
        signIn(loggedOut);
        store().setBool(keys::dnsLastStatus, true);
        store().setObject(keys::blockedAppDetails, QStringList {"Lucky Spin Casino"});
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
        // The device's protection outlives the session.
        QCOMPARE(store().boolValue(keys::dnsLastStatus), true);
        QCOMPARE(store().blockedApplications(), QStringList {"Lucky Spin Casino"});
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

    // The operations that the test against the real server does not send.
    void operationsSendTheirParameters_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        const auto row = [](const char* name, Call call, bool signedIn, const char* path, const char* body) {
            dataRow(name, call, signedIn, QString::fromLatin1(path), QByteArray(body));
        };
        row(
            "updateProfile", [](CommonWS& ws) { ws.updateProfile("Alex", "Office Mac", "n3w", {}); }, true,
            "/api/v3/update-profile", "device_name=Office%20Mac&name=Alex&password=n3w");
        row(
            "checkPin", [](CommonWS& ws) { ws.checkPin(3, "525252", {}); }, true, "/api/v3/checkPin",
            "attempt=3&pin=525252&user_id=42");
        row(
            "retrievePin without user", [](CommonWS& ws) { ws.retrievePin({}); }, false,
            "/api/v3/retrievePin", "user_id=");
        row(
            "updatePin", [](CommonWS& ws) { ws.updatePin("525252", "707070", {}); }, true,
            "/api/v3/updatePin", "old_pin=525252&pin=707070");
        row(
            "blockWebsite", [](CommonWS& ws) { ws.blockWebsite("casino.example", {}); }, true,
            "/api/v3/blockwesitebyuser", "domain=casino.example&user_id=42");
        row(
            "syncURL", [](CommonWS& ws) { ws.syncURL(); }, true, "/api/v3/sync-url",
            "platform_unique_id=UUID");
    }

    void operationsSendTheirParameters()
    {
        QFETCH(Call, call);
        QFETCH(bool, signedIn);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QVERIFY(startReachable());
        if (signedIn) {
            store().setInteger(keys::userId, 42);
        }
        CommonWS ws(m_client->api, identity("UUID"));
        call(ws);
        QCOMPARE(m_network.lastRequest().url().path(), path);
        QCOMPARE(m_network.lastRequest().body, body);
    }

    // A transport failure is printed; the completion never runs, and a screen's own failure
    // handler, when it gave one, runs after the line is printed.
    void aTransportFailureIsPrintedAndOnlyTheFailureHandlerIsCalled()
    {
        QVERIFY(startReachable());
        m_network.respondWith(
            FakeResponse::failure(QNetworkReply::ConnectionRefusedError, "Connection refused"));
        bool completed = false;
        QStringList failures;
        const auto failed = [this, &failures](const ApiError& error) {
            QVERIFY(m_client->log.contains("error found in api calling : " + error.text));
            failures << error.text;
        };
        CommonWS ws(m_client->api, identity("UUID"));
        ws.blockWebsite(
            "example.com", [&completed](const auto&, bool) { completed = true; }, failed);
        ws.syncURL([&completed] { completed = true; });
        QVERIFY(m_client->log.waitForAnswers(2));
        QCOMPARE(m_client->log.lines().count("error found in api calling : Connection refused"), 2);
        QCOMPARE(failures, QStringList {"Connection refused"});
        QVERIFY(!completed);
    }

    void synchronisationCopiesThePinState_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("after"); // isPinSeted, true before
        QTest::addColumn<bool>("completed");
        QTest::addColumn<QString>("printed");
        const QByteArray envelope = R"("status":true,"code":200,"msg":"","version":"3")";
        dataRow("PIN set", fixture("sync_url.json"), true, true, "");
        dataRow("PIN null", "{" + envelope + R"(,"data":{"pin_protection":null}})", false, true, "");
        dataRow("no data", "{" + envelope + "}", false, true, "");
        dataRow("refused", QByteArray(R"({"status":false,"code":200,"msg":"","version":"3"})"), true, false,
            "error in syncing stauts false");
        dataRow("data an array", "{" + envelope + R"(,"data":[]})", true, false,
            "Error while decoding - data: expected an object (SyncURLModel), found an array");
    }

    void synchronisationCopiesThePinState()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, after);
        QFETCH(bool, completed);
        QFETCH(QString, printed);
        QVERIFY(startReachable());
        store().setBool(keys::isPinSeted, true);
        m_network.respondWith(FakeResponse::answer(200, body));
        bool ran = false;
        CommonWS(m_client->api, identity("UUID")).syncURL([&ran] { ran = true; });
        QVERIFY(m_client->log.waitForAnswers());
        QCOMPARE(ran, completed);
        QCOMPARE(store().boolValue(keys::isPinSeted), after);
        QVERIFY(printed.isEmpty() || m_client->log.lines().last() == printed);
    }

    // The sidebar hears every answer it can read; the uninstall goes on only on a confirmed logout.
    void logoutAnswers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("sidebar");
        QTest::addColumn<QString>("uninstall");
        dataRow("signed out", fixture("logout.json"), "true", "true");
        dataRow("refused", QByteArray(R"({"status":false,"code":200,"msg":"No.","version":"3","data":[]})"),
            "false", "not called");
    }

    void logoutAnswers()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, sidebar);
        QFETCH(QString, uninstall);
        QString heard = "not called";
        CommonWS::handleLogoutResponse(body, [&heard](bool status) { heard = status ? "true" : "false"; });
        QCOMPARE(heard, sidebar);
        heard = "not called";
        CommonWS::handleUninstallLogoutResponse(
            body, [&heard](bool status) { heard = status ? "true" : "false"; });
        QCOMPARE(heard, uninstall);
        QVERIFY(m_client->log.lines().first().startsWith(
            body.contains("data") ? "Logout Response - LogoutModel(status: " : "Error while decoding - "));
    }

    void aStalledServerTimesOut()
    {
        QTcpServer server; // takes the connection and says nothing
        QVERIFY(server.listen(QHostAddress::LocalHost));
        m_client->api.setNetworkAccessManager(nullptr);
        m_client->api.setTransferTimeout(std::chrono::milliseconds(300));
        const std::optional<ApiError> failure = failureFrom(server, "http");
        QVERIFY(failure);
        QCOMPARE(failure->kind, ApiError::Kind::timedOut);
        QVERIFY(m_client->log.contains("Error : The request timed out."));
    }

    // The password never reaches a server whose certificate nobody vouches for.
    void anUntrustedCertificateIsNeverAccepted()
    {
        if (!QSslSocket::supportsSsl()) {
            QSKIP("no TLS backend");
        }
        QFile certificate(BREVAK_TLS_DIR "/selfsigned.crt");
        QFile key(BREVAK_TLS_DIR "/selfsigned.key");
        QVERIFY(certificate.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(certificate.readAll()));
        tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
        QSslServer server;
        server.setSslConfiguration(tls);
        QVERIFY(server.listen(QHostAddress::LocalHost));
        m_client->api.setNetworkAccessManager(nullptr);
        const std::optional<ApiError> failure = failureFrom(server, "https");
        QVERIFY(failure);
        QCOMPARE(failure->kind, ApiError::Kind::transport);
        QVERIFY2(failure->text.contains("SSL"), qPrintable(failure->text));
    }
};

QTEST_GUILESS_MAIN(TestApiClient)
#include "tst_apiclient.moc"
