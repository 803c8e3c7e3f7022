#include "ApiTestSupport.h"
#include "CommonWS.h"
#include "DataRow.h"
#include "FakeNetworkAccessManager.h"
#include "Fixtures.h"

#include <QTest>

using Call = std::function<void(CommonWS&)>;
Q_DECLARE_METATYPE(Call)

// The shared request operations, the status synchronisation and the logout answers.
class TestCommonWS : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeNetworkAccessManager> m_network;
    std::unique_ptr<ApiClient> m_client;
    std::unique_ptr<CommonWS> m_ws;

    SettingsStore& store() { return SettingsStore::shared(); }

    void createOperations(std::optional<QString> uuid)
    {
        m_ws = std::make_unique<CommonWS>(m_client->api,
            DeviceIdentity {[uuid] { return uuid; }, [] { return QStringLiteral("Macmini9,1"); }});
    }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_API_BASE_URL", "https://api.brevak.test"); }

    void init()
    {
        m_network = std::make_unique<FakeNetworkAccessManager>();
        m_client = std::make_unique<ApiClient>();
        m_client->api.setNetworkAccessManager(m_network.get());
        QVERIFY(m_client->startReachable());
        m_network->clear();
        createOperations("8F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
    }

    void cleanup()
    {
        m_ws.reset();
        m_client.reset();
        m_network.reset();
    }

    // The operations that the test against the real server does not send.
    void operationsSendTheirParameters_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        dataRow("updateProfile",
            Call([](CommonWS& ws) { ws.updateProfile("Alex", "Office Mac", "n3w", {}); }), true,
            "/api/v3/update-profile", QByteArray("device_name=Office%20Mac&name=Alex&password=n3w"));
        dataRow("checkPin", Call([](CommonWS& ws) { ws.checkPin(3, "525252", {}); }), true,
            "/api/v3/checkPin", QByteArray("attempt=3&pin=525252&user_id=42"));
        dataRow("checkPin without user", Call([](CommonWS& ws) { ws.checkPin(1, "525252", {}); }), false,
            "/api/v3/checkPin", QByteArray("attempt=1&pin=525252&user_id="));
        dataRow("retrievePin", Call([](CommonWS& ws) { ws.retrievePin({}); }), true, "/api/v3/retrievePin",
            QByteArray("user_id=42"));
        dataRow("updatePin", Call([](CommonWS& ws) { ws.updatePin("525252", "707070", {}); }), true,
            "/api/v3/updatePin", QByteArray("old_pin=525252&pin=707070"));
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
        call(*m_ws);
        QCOMPARE(m_network->requests().size(), 1);
        QCOMPARE(m_network->lastRequest().url().path(), path);
        QCOMPARE(m_network->lastRequest().body, body);
    }

    void aMissingPlatformUuidIsSentEmpty()
    {
        createOperations(std::nullopt);
        m_ws->syncURL();
        QCOMPARE(m_network->lastRequest().body, "platform_unique_id=");
    }

    void aTransportFailureIsPrintedAndNobodyIsCalledBack()
    {
        m_network->respondWith(
            FakeResponse::failure(QNetworkReply::ConnectionRefusedError, "Connection refused"));
        bool called = false;
        m_ws->blockWebsite("example.com", [&called](const auto&, bool) { called = true; });
        m_ws->syncURL([&called] { called = true; });
        QVERIFY(m_client->log.waitForAnswers(2));
        QCOMPARE(m_client->log.lines().count("error found in api calling : Connection refused"), 2);
        QVERIFY(!called);
    }

    void synchronisationCopiesThePinState_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("after");
        QTest::addColumn<bool>("completed");
        QTest::addColumn<QString>("printed");
        const QByteArray noPin
            = R"({"status":true,"code":200,"msg":"Synced.","version":"3","data":{"pin_protection":null}})";
        const QByteArray noData = R"({"status":true,"code":200,"msg":"Synced.","version":"3"})";
        const QByteArray refused = R"({"status":false,"code":200,"msg":"No account.","version":"3"})";
        const QByteArray arrayData = R"({"status":true,"code":200,"msg":"","version":"3","data":[]})";
        dataRow("PIN set", fixture("sync_url.json"), false, true, true, "");
        dataRow("PIN null", noPin, true, false, true, "");
        dataRow("no data", noData, true, false, true, "");
        dataRow("refused", refused, true, true, false, "error in syncing stauts false");
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
        m_network->respondWith(FakeResponse::answer(200, body));
        bool ran = false;
        m_ws->syncURL([&ran] { ran = true; });
        QVERIFY(m_client->log.waitForAnswers());
        QCOMPARE(ran, completed);
        QCOMPARE(store().boolValue(keys::isPinSeted), after);
        if (!printed.isEmpty()) {
            QCOMPARE(m_client->log.lines().last(), printed);
        }
    }

    void logoutAnswers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("sidebar"); // what the sidebar's completion got
        QTest::addColumn<QString>("uninstall"); // what the uninstall's completion got
        QTest::addColumn<QString>("printed");
        dataRow("signed out", fixture("logout.json"), "true", "true",
            "Logout Response - LogoutModel(status: true, code: 200, msg: \"Logged out "
            "successfully.\", version: \"3.0.0\", data: [])");
        dataRow("refused", QByteArray(R"({"status":false,"code":200,"msg":"No.","version":"3","data":[]})"),
            "false", "not called",
            "Logout Response - LogoutModel(status: false, code: 200, msg: \"No.\", version: "
            "\"3\", data: [])");
        dataRow("without data", QByteArray(R"({"status":true,"code":200,"msg":"","version":"3"})"), "false",
            "not called", "Error while decoding - data: required key is missing");
    }

    void logoutAnswers()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, sidebar);
        QFETCH(QString, uninstall);
        QFETCH(QString, printed);
        LogCapture& log = m_client->log;
        QString heard = "not called";
        CommonWS::handleLogoutResponse(body, [&heard](bool status) { heard = status ? "true" : "false"; });
        QCOMPARE(heard, sidebar);
        QCOMPARE(log.lines(), QStringList {printed});

        log.clear();
        heard = "not called";
        CommonWS::handleUninstallLogoutResponse(
            body, [&heard](bool status) { heard = status ? "true" : "false"; });
        QCOMPARE(heard, uninstall);
        QCOMPARE(log.lines(), QStringList {printed});
    }
};

QTEST_GUILESS_MAIN(TestCommonWS)
#include "tst_commonws.moc"
