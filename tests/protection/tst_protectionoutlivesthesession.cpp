#include "BlockedApplicationHook.h"
#include "CommandRunner.h"
#include "CommonWS.h"
#include "DNSConfiguration.h"
#include "FakeInternetRoute.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "ProtectionKeeper.h"
#include "ServerAccounts.h"
#include "TemporarySimulatedMac.h"
#include "windowing.h"

#include <QTest>

namespace {

const QString resolver = QStringLiteral("198.51.100.153");

} // namespace

// Protection is the device's, not the session's. A real brevak-server revokes the session; the next
// answer is a 401, which signs the user out here. The wish for DNS protection and the blocked
// applications stay: servers changed behind BREVAK's back are restored, with the minute check's
// period left at a minute, and a blocked application that comes to the front is still quit. Everything
// runs for real: the HTTP client, zsh, the stand-ins and the simulated Mac's workspace.
class TestProtectionOutlivesTheSession : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server;

    bool isRunning(const TemporarySimulatedMac& mac, const QString& name) const
    {
        const QString state = mac.simctl({"state"}).output;
        const QString running = state.mid(state.indexOf("Running applications"));
        return running.contains("\n  " + name + " (");
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("BREVAK_RESOLVER_ADDRESS", resolver.toUtf8());
        QVERIFY(m_server.start());
        qputenv("BREVAK_API_BASE_URL", m_server.baseUrl().toUtf8());
    }

    void cleanupTestCase() { QCOMPARE(m_server.stop(), 0); }

    void aRevokedSessionKeepsProtection()
    {
        TemporarySimulatedMac mac;
        QVERIFY(mac.setUp({"init"}));
        ProcessCommandRunner runner;
        const CommandRunner::Registration runnerRegistration(runner);
        NotificationCenter notifications;
        const NotificationCenter::Registration notificationsRegistration(notifications);
        FakeInternetRoute route;
        const std::unique_ptr<Reachability> monitor = route.monitor();
        ApiManager api(monitor.get());
        CommonWS commonWS(api);
        LogCapture log;

        // Signed in, with protection on and one application blocked.
        HttpClient http(m_server.port());
        const HttpReply signedUp = signUpOver(http, "kept@example.org");
        const QString token = sessionOf(signedUp);
        QVERIFY2(!token.isEmpty(), signedUp.body.constData());
        SettingsStore& settings = mac.settings();
        settings.setString(keys::loginToken, token);
        settings.setBool(keys::isLogin, true);
        settings.setBool(keys::dnsLastStatus, true);
        settings.setObject(keys::blockedAppDetails, QStringList {"Lucky Spin Casino"});

        DNSConfiguration dns;
        const DNSConfiguration::Registration dnsRegistration(dns);
        ProtectionKeeper keeper([&commonWS] { commonWS.syncURL(); });
        bool launched = false;
        keeper.applyAtLaunch([&launched] { launched = true; });
        QTRY_VERIFY_WITH_TIMEOUT(launched, 60000);
        keeper.start(std::chrono::minutes(1));
        const std::unique_ptr<platform::Workspace> workspace = platform::createWorkspace();
        int blockPages = 0;
        BlockedApplicationHook hook([&blockPages] { ++blockPages; });
        connect(workspace.get(), &platform::Workspace::applicationActivated, &hook,
            &BlockedApplicationHook::applicationActivated);

        // The session is revoked on the server; the next answer ends it here.
        QCOMPARE(http.post("logout", {}, token).status, 200);
        api.startReachability();
        QTRY_VERIFY_WITH_TIMEOUT(settings.boolValue(keys::isLoggedOut), 20000);
        QVERIFY(!settings.textValue(keys::loginToken));
        QVERIFY(!settings.boolValue(keys::isLogin));
        QCOMPARE(settings.boolValue(keys::dnsLastStatus), true);
        QCOMPARE(settings.blockedApplications(), QStringList {"Lucky Spin Casino"});

        QVERIFY(mac.setUp({"dns", "Wi-Fi", "8.8.8.8"}));
        QTRY_COMPARE_WITH_TIMEOUT(mac.dnsServers("Wi-Fi"), resolver + '\n', 20000);

        QVERIFY(mac.setUp({"activate", "Lucky Spin Casino"}));
        QTRY_VERIFY_WITH_TIMEOUT(!isRunning(mac, "Lucky Spin Casino"), 20000);
        QCOMPARE(blockPages, 1);
    }
};

QTEST_GUILESS_MAIN(TestProtectionOutlivesTheSession)
#include "tst_protectionoutlivesthesession.moc"
