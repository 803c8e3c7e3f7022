#include "AlertRecorder.h"
#include "ApiTestSupport.h"
#include "CommonWS.h"
#include "FakeNetworkAccessManager.h"
#include "LogCapture.h"

#include <QRegularExpression>
#include <QTest>

using Call = std::function<void(CommonWS&, QStringList& heard)>;
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
        const auto row = [](const char* name, Call call, bool signedIn, const char* path, const char* body) {
            QTest::newRow(name) << call << signedIn << QString::fromLatin1(path) << QByteArray(body);
        };
        row(
            "signup",
            [](CommonWS& ws, QStringList& heard) {
                ws.signup("a+b@example.com", "pass word&", 0, "Zoë's Mac", hear<BaseModel<AuthModel>>(heard));
            },
            false, "/api/v3/signup",
            "device_name=Zo%C3%AB%27s%20Mac&email=a%2Bb%40example.com&password=pass%20word%26&profile_id=0&"
            "social_media=0");
        row(
            "updateProfile",
            [](CommonWS& ws, QStringList& heard) {
                ws.updateProfile("Alex M.", "Office Mac", "n3w=pass", hear<BaseModel<UpdateProfile>>(heard));
            },
            true, "/api/v3/update-profile", "device_name=Office%20Mac&name=Alex%20M.&password=n3w%3Dpass");
        row(
            "setupPin",
            [](CommonWS& ws, QStringList& heard) {
                ws.setupPin("175200", "012345", hear<BaseModel<SetupPinModel>>(heard));
            },
            true, "/api/v3/setupPin", "pin=012345&time=175200");
        row(
            "checkPin",
            [](CommonWS& ws, QStringList& heard) {
                ws.checkPin(3, "525252", hear<BaseModel<CheckPinModel>>(heard));
            },
            true, "/api/v3/checkPin", "attempt=3&pin=525252&user_id=42");
        row(
            "checkPin without user",
            [](CommonWS& ws, QStringList& heard) {
                ws.checkPin(1, "525252", hear<BaseModel<CheckPinModel>>(heard));
            },
            false, "/api/v3/checkPin", "attempt=1&pin=525252&user_id=");
        row(
            "retrievePin",
            [](CommonWS& ws, QStringList& heard) {
                ws.retrievePin(hear<BaseModel<RetrievePinModel>>(heard));
            },
            true, "/api/v3/retrievePin", "user_id=42");
        row(
            "updatePin",
            [](CommonWS& ws, QStringList& heard) {
                ws.updatePin("525252", "707070", hear<BaseModel<UpdatePinModel>>(heard));
            },
            true, "/api/v3/updatePin", "old_pin=525252&pin=707070");
        row(
            "getBlockWebsiteByUser",
            [](CommonWS& ws, QStringList& heard) {
                ws.getBlockWebsiteByUser(hear<BaseModel<BlockWebsiteModel>>(heard));
            },
            true, "/api/v3/getblockwebsitebyuser", "user_id=42");
        row(
            "blockWebsite",
            [](CommonWS& ws, QStringList& heard) {
                ws.blockWebsite("www.casino-example.com", hear<BaseModel<BlockData>>(heard));
            },
            true, "/api/v3/blockwesitebyuser", "domain=www.casino-example.com&user_id=42");
        row(
            "syncURL", [](CommonWS& ws, QStringList&) { ws.syncURL(); }, true, "/api/v3/sync-url",
            "platform_unique_id=8F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
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
        QStringList heard;
        call(ws, heard);
        QCOMPARE(m_network->requests().size(), 1);
        QCOMPARE(m_network->lastRequest().url().path(), path);
        QCOMPARE(m_network->lastRequest().body, body);
    }

    void operationsHandOnTheDecodedAnswer_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("heard");
        QTest::newRow("signup")
            << Call([](CommonWS& ws, QStringList& heard) {
                   ws.signup("alex@example.com", "pw", 0, "Mac", hear<BaseModel<AuthModel>>(heard));
               })
            << "login.json"
            << "decoded BaseModel<AuthModel>(status: true, code: 200, msg: \"Login successfully.\"";
        QTest::newRow("retrievePin") << Call([](CommonWS& ws, QStringList& heard) {
            ws.retrievePin(hear<BaseModel<RetrievePinModel>>(heard));
        }) << "retrieve_pin.json"
                                     << "decoded BaseModel<RetrievePinModel>(status: true";
        QTest::newRow("list") << Call([](CommonWS& ws, QStringList& heard) {
            ws.getBlockWebsiteByUser(hear<BaseModel<BlockWebsiteModel>>(heard));
        }) << "block_list.json"
                              << "decoded BaseModel<BlockWebsiteModel>(status: true";
        QTest::newRow("wrong record") << Call([](CommonWS& ws, QStringList& heard) {
            ws.checkPin(1, "1", hear<BaseModel<CheckPinModel>>(heard));
        }) << "setup_pin.json"
                                      << "not decoded";
    }

    void operationsHandOnTheDecodedAnswer()
    {
        QFETCH(Call, call);
        QFETCH(QString, fixture);
        QFETCH(QString, heard);
        m_network->respondWith(FakeResponse::answer(200, apiFixture(fixture)));
        CommonWS ws(*m_api, identity("UUID"));
        QStringList received;
        call(ws, received);
        QVERIFY(answered());
        QCOMPARE(received.size(), 1);
        QVERIFY2(received.first().startsWith(heard), qPrintable(received.first()));
        if (heard == "not decoded") {
            QVERIFY(m_log->contains("Error while decoding - data.time: expected an integer, found a string"));
        }
    }

    void aRefusalIsDecodedAfterItsAlert()
    {
        m_network->respondWith(FakeResponse::answer(422, apiFixture("refused.json")));
        QStringList heard;
        CommonWS(*m_api, identity("UUID"))
            .signup("alex@example.com", "pw", 0, "Mac", hear<BaseModel<AuthModel>>(heard));
        QVERIFY(answered());
        QCOMPARE(m_alerts->count(), 1);
        QCOMPARE(m_alerts->alerts().first().informative, "error Code :422");
        QVERIFY(heard.isEmpty());
        m_alerts->pressOk();
        QCOMPARE(heard,
            QStringList(
                {"decoded BaseModel<AuthModel>(status: false, code: 422, msg: \"The email has already been "
                 "taken.\", version: \"3.0.0\", data: nil)"}));
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
        const QByteArray emptyData = R"({"status":true,"code":200,"msg":"Synced.","version":"3","data":{}})";
        const QByteArray noData = R"({"status":true,"code":200,"msg":"Synced.","version":"3"})";
        const QByteArray nullData = R"({"status":true,"code":200,"msg":"Synced.","version":"3","data":null})";
        const QByteArray refused = R"({"status":false,"code":200,"msg":"No account.","version":"3"})";
        const QByteArray noMsg = R"({"status":true,"code":200,"version":"3","data":{}})";
        const QByteArray arrayData = R"({"status":true,"code":200,"msg":"","version":"3","data":[]})";
        QTest::newRow("PIN set") << withPin << false << true << true << "";
        QTest::newRow("PIN null") << noPin << true << false << true << "";
        QTest::newRow("PIN missing") << emptyData << true << false << true << "";
        QTest::newRow("no data") << noData << true << false << true << "";
        QTest::newRow("null data") << nullData << true << false << true << "";
        QTest::newRow("refused") << refused << true << true << false << "error in syncing stauts false";
        QTest::newRow("refused, no PIN before")
            << refused << false << false << false << "error in syncing stauts false";
        QTest::newRow("msg missing") << noMsg << true << true << false
                                     << "Error while decoding - msg: required key is missing";
        QTest::newRow("data an array")
            << arrayData << true << true << false
            << "Error while decoding - data: expected an object (SyncURLModel), found an array";
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
        QTest::newRow("signed out")
            << apiFixture("logout.json") << "true"
            << "true"
            << "Logout Response - LogoutModel(status: true, code: 200, msg: \"Logged out "
               "successfully.\", version: \"3.0.0\", data: [])";
        QTest::newRow("refused")
            << QByteArray(R"({"status":false,"code":200,"msg":"No.","version":"3","data":[]})") << "false"
            << "not called"
            << "Logout Response - LogoutModel(status: false, code: 200, msg: \"No.\", version: "
               "\"3\", data: [])";
        QTest::newRow("without data")
            << QByteArray(R"({"status":true,"code":200,"msg":"","version":"3"})") << "false"
            << "not called"
            << "Error while decoding - data: required key is missing";
        QTest::newRow("empty") << QByteArray() << "false"
                               << "not called"
                               << "Error while decoding - the data is not valid JSON: no JSON value";
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
