#include "AlertRecorder.h"
#include "ApiTestSupport.h"
#include "CommonWS.h"
#include "DataRow.h"
#include "FakeNetworkAccessManager.h"
#include "LogCapture.h"

#include <QRegularExpression>
#include <QTest>

using Call = std::function<void(CommonWS&)>;
Q_DECLARE_METATYPE(Call)

// The shared request operations, the status synchronisation and the logout answers.
class TestCommonWS : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<AlertRecorder> m_alerts;
    std::unique_ptr<FakeNetworkAccessManager> m_network;
    std::unique_ptr<ApiManager> m_api;
    TestMonitor m_monitor;

    SettingsStore& store() { return SettingsStore::shared(); }

    static DeviceIdentity identity(std::optional<QString> uuid)
    {
        return {[uuid] { return uuid; }, [] { return QStringLiteral("Macmini9,1"); }};
    }

    bool answered()
    {
        return QTest::qWaitFor([&] {
            return std::any_of(m_log->lines().cbegin(), m_log->lines().cend(), [](const QString& line) {
                return line.startsWith("Response Data - ") || line.startsWith("Error : ");
            });
        });
    }

    // Records what a completion received: "decoded <description>" or "not decoded".
    template<AnswerRecord Record>
    static Completion<Record> hear(QStringList& heard)
    {
        return [&heard](const std::optional<Record>& record, bool decoded) {
            heard.append(decoded && record ? "decoded " + describe(*record) : QStringLiteral("not decoded"));
        };
    }

    // Sends a synchronisation answered by `body` and tells whether its completion ran.
    bool synchronise(const QByteArray& body)
    {
        m_network->respondWith(FakeResponse::answer(200, body));
        bool completed = false;
        CommonWS(*m_api, identity("UUID")).syncURL([&completed] { completed = true; });
        if (!answered()) {
            qWarning("no answer");
        }
        return completed;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_API_BASE_URL", "https://api.brevak.test"); }

    void init()
    {
        store().wipe();
        m_network = std::make_unique<FakeNetworkAccessManager>();
        m_api = std::make_unique<ApiManager>();
        m_api->setNetworkAccessManager(m_network.get());
        m_log = std::make_unique<LogCapture>();
        m_alerts = std::make_unique<AlertRecorder>();
        // Reachable, and done with the synchronisation of the first report.
        m_api->startReachability(m_monitor.create(Reachability::Reachable));
        QVERIFY(QTest::qWaitFor([&] { return m_log->contains("reachability changed"); }));
        QVERIFY(answered());
        m_network->clear();
        m_log->clear();
    }

    void cleanup()
    {
        m_api.reset();
        m_network.reset();
        m_alerts.reset();
        m_log.reset();
    }

    void operationsSendTheirParameters_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        // Escaping is the request routine's (tst_apimanager); here each operation's fields.
        dataRow("signup", Call([](CommonWS& ws) { ws.signup("a@example.com", "pw", 0, "Zoë's Mac", {}); }),
            false, "/api/v3/signup",
            QByteArray("device_name=Zo%C3%AB%27s%20Mac&email=a%40example.com&password=pw&profile_id=0&social_"
                       "media=0"));
        dataRow("updateProfile",
            Call([](CommonWS& ws) { ws.updateProfile("Alex", "Office Mac", "n3w", {}); }), true,
            "/api/v3/update-profile", QByteArray("device_name=Office%20Mac&name=Alex&password=n3w"));
        dataRow("setupPin", Call([](CommonWS& ws) { ws.setupPin("175200", "012345", {}); }), true,
            "/api/v3/setupPin", QByteArray("pin=012345&time=175200"));
        dataRow("checkPin", Call([](CommonWS& ws) { ws.checkPin(3, "525252", {}); }), true,
            "/api/v3/checkPin", QByteArray("attempt=3&pin=525252&user_id=42"));
        dataRow("checkPin without user", Call([](CommonWS& ws) { ws.checkPin(1, "525252", {}); }), false,
            "/api/v3/checkPin", QByteArray("attempt=1&pin=525252&user_id="));
        dataRow("retrievePin", Call([](CommonWS& ws) { ws.retrievePin({}); }), true, "/api/v3/retrievePin",
            QByteArray("user_id=42"));
        dataRow("updatePin", Call([](CommonWS& ws) { ws.updatePin("525252", "707070", {}); }), true,
            "/api/v3/updatePin", QByteArray("old_pin=525252&pin=707070"));
        dataRow("getBlockWebsiteByUser", Call([](CommonWS& ws) { ws.getBlockWebsiteByUser({}); }), true,
            "/api/v3/getblockwebsitebyuser", QByteArray("user_id=42"));
        dataRow("blockWebsite", Call([](CommonWS& ws) { ws.blockWebsite("www.casino-example.com", {}); }),
            true, "/api/v3/blockwesitebyuser", QByteArray("domain=www.casino-example.com&user_id=42"));
        dataRow("syncURL", Call([](CommonWS& ws) { ws.syncURL(); }), true, "/api/v3/sync-url",
            QByteArray("platform_unique_id=8F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0"));
    }

    void operationsSendTheirParameters()
    {
        QFETCH(Call, call);
        QFETCH(bool, signedIn);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        if (signedIn) {
            store().setInteger(keys::userId, 42);
        }
        CommonWS ws(*m_api, identity("8F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0"));
        call(ws);
        QCOMPARE(m_network->requests().size(), 1);
        QCOMPARE(m_network->lastRequest().url().path(), path);
        QCOMPARE(m_network->lastRequest().body, body);
    }

    void aTransportFailureIsPrintedAndNobodyIsCalledBack()
    {
        m_network->respondWith(
            FakeResponse::failure(QNetworkReply::ConnectionRefusedError, "Connection refused"));
        QStringList heard;
        CommonWS(*m_api, identity("UUID")).blockWebsite("example.com", hear<BaseModel<BlockData>>(heard));
        bool synchronised = false;
        CommonWS(*m_api, identity("UUID")).syncURL([&synchronised] { synchronised = true; });
        QVERIFY(QTest::qWaitFor(
            [&] { return m_log->lines().count("error found in api calling : Connection refused") == 2; }));
        QVERIFY(heard.isEmpty());
        QVERIFY(!synchronised);
    }

    void synchronisationCopiesThePinState_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("after");
        QTest::addColumn<bool>("completed");
        QTest::addColumn<QString>("printed");
        const QByteArray withPin = apiFixture("sync_url.json");
        const QByteArray noPin
            = R"({"status":true,"code":200,"msg":"Synced.","version":"3","data":{"pin_protection":null}})";
        const QByteArray noData = R"({"status":true,"code":200,"msg":"Synced.","version":"3"})";
        const QByteArray refused = R"({"status":false,"code":200,"msg":"No account.","version":"3"})";
        const QByteArray arrayData = R"({"status":true,"code":200,"msg":"","version":"3","data":[]})";
        dataRow("PIN set", withPin, false, true, true, "");
        dataRow("PIN null", noPin, true, false, true, "");
        dataRow("no data", noData, true, false, true, "");
        dataRow("refused", refused, true, true, false, "error in syncing stauts false");
        dataRow("refused, no PIN before", refused, false, false, false, "error in syncing stauts false");
        dataRow("data an array", arrayData, true, true, false,
            "Error while decoding - data: expected an object (SyncURLModel), found an array");
    }

    void synchronisationCopiesThePinState()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, before);
        QFETCH(bool, after);
        QFETCH(bool, completed);
        QFETCH(QString, printed);
        store().setBool(keys::isPinSeted, before);
        QCOMPARE(synchronise(body), completed);
        QCOMPARE(store().boolValue(keys::isPinSeted), after);
        if (!printed.isEmpty()) {
            QCOMPARE(m_log->lines().last(), printed);
        }
    }

    void synchronisationWithoutCompletion()
    {
        store().setBool(keys::isPinSeted, false);
        m_network->respondWith(FakeResponse::answer(200, apiFixture("sync_url.json")));
        CommonWS(*m_api, identity("UUID")).syncURL();
        QVERIFY(answered());
        QCOMPARE(store().boolValue(keys::isPinSeted), true);
    }

    void aMissingPlatformUuidIsSentEmpty()
    {
        CommonWS ws(*m_api, identity(std::nullopt));
        QVERIFY(!ws.platformUUID());
        QCOMPARE(ws.platformUniqueId(), "");
        ws.syncURL();
        QCOMPARE(m_network->lastRequest().body, "platform_unique_id=");
    }

    void thisComputerHasAStableIdentity()
    {
        CommonWS ws(*m_api);
        const std::optional<QString> uuid = ws.platformUUID();
        QCOMPARE(ws.platformUUID(), uuid);
        if (uuid) {
            QVERIFY2(
                QRegularExpression("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$").match(*uuid).hasMatch(),
                qPrintable(*uuid));
        }
        QCOMPARE(ws.platformUniqueId(), uuid.value_or(QString()));
        const QString model = ws.deviceModel();
        QCOMPARE(ws.deviceModel(), model);
        for (const QChar c : model) {
            QVERIFY(c.category() != QChar::Other_Control);
        }
    }

    void logoutAnswers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("sidebar"); // what the sidebar's completion got
        QTest::addColumn<QString>("uninstall"); // what the uninstall's completion got
        QTest::addColumn<QString>("printed");
        dataRow("signed out", apiFixture("logout.json"), "true", "true",
            "Logout Response - LogoutModel(status: true, code: 200, msg: \"Logged out "
            "successfully.\", version: \"3.0.0\", data: [])");
        dataRow("refused", QByteArray(R"({"status":false,"code":200,"msg":"No.","version":"3","data":[]})"),
            "false", "not called",
            "Logout Response - LogoutModel(status: false, code: 200, msg: \"No.\", version: "
            "\"3\", data: [])");
        dataRow("without data", QByteArray(R"({"status":true,"code":200,"msg":"","version":"3"})"), "false",
            "not called", "Error while decoding - data: required key is missing");
        dataRow("empty", QByteArray(), "false", "not called",
            "Error while decoding - the data is not valid JSON: no JSON value");
    }

    void logoutAnswers()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, sidebar);
        QFETCH(QString, uninstall);
        QFETCH(QString, printed);
        QString heard = "not called";
        CommonWS::handleLogoutResponse(body, [&heard](bool status) { heard = status ? "true" : "false"; });
        QCOMPARE(heard, sidebar);
        QCOMPARE(m_log->lines(), QStringList {printed});

        m_log->clear();
        heard = "not called";
        CommonWS::handleUninstallLogoutResponse(
            body, [&heard](bool status) { heard = status ? "true" : "false"; });
        QCOMPARE(heard, uninstall);
        QCOMPARE(m_log->lines(), QStringList {printed});
    }

    void screensDecodeTheirOwnAnswersTheSameWay()
    {
        QStringList heard;
        CommonWS::decodeResponse<UnblockWebsiteModel>(
            apiFixture("unblock_website.json"), hear<UnblockWebsiteModel>(heard));
        CommonWS::decodeResponse<DisablePinModel>(
            apiFixture("unblock_website.json"), hear<DisablePinModel>(heard));
        QCOMPARE(heard,
            QStringList({"decoded UnblockWebsiteModel(status: true, code: 200, msg: \"Website unblocked "
                         "successfully.\", version: \"3.0.0\", data: 1)",
                "not decoded"}));
        QCOMPARE(
            m_log->lines(), QStringList {"Error while decoding - data: expected an array, found an integer"});
    }
};

QTEST_GUILESS_MAIN(TestCommonWS)
#include "tst_commonws.moc"
