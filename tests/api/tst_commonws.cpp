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
    FakeNetworkAccessManager m_network;
    std::unique_ptr<ApiClient> m_client;

    SettingsStore& store() { return SettingsStore::shared(); }

    static DeviceIdentity identity(std::optional<QString> uuid)
    {
        return {[uuid] { return uuid; }, [] { return QStringLiteral("Macmini9,1"); }};
    }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_API_BASE_URL", "https://api.brevak.test"); }

    void init()
    {
        m_client = std::make_unique<ApiClient>();
        m_client->api.setNetworkAccessManager(&m_network);
        QVERIFY(m_client->startReachable());
        m_network.clear();
    }

    void cleanup() { m_client.reset(); }

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
        CommonWS ws(m_client->api, identity("UUID"));
        call(ws);
        QCOMPARE(m_network.lastRequest().url().path(), path);
        QCOMPARE(m_network.lastRequest().body, body);
    }

    // Without a platform UUID the account as a whole is asked for.
    void aMissingPlatformUuidIsSentEmpty()
    {
        CommonWS(m_client->api, identity(std::nullopt)).syncURL();
        QCOMPARE(m_network.lastRequest().body, "platform_unique_id=");
    }

    void aTransportFailureIsPrintedAndNobodyIsCalledBack()
    {
        m_network.respondWith(
            FakeResponse::failure(QNetworkReply::ConnectionRefusedError, "Connection refused"));
        bool called = false;
        CommonWS ws(m_client->api, identity("UUID"));
        ws.blockWebsite("example.com", [&called](const auto&, bool) { called = true; });
        ws.syncURL([&called] { called = true; });
        QVERIFY(m_client->log.waitForAnswers(2));
        QCOMPARE(m_client->log.lines().count("error found in api calling : Connection refused"), 2);
        QVERIFY(!called);
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
        dataRow("not decodable", QByteArray(R"({"status":true})"), "false", "not called");
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
};

QTEST_GUILESS_MAIN(TestCommonWS)
#include "tst_commonws.moc"
