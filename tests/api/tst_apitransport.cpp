#include "AlertRecorder.h"
#include "ApiManager.h"
#include "ApiTestSupport.h"
#include "Configuration.h"
#include "LogCapture.h"
#include "ScriptedHttpServer.h"

#include <QElapsedTimer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

// The API client over Qt's real network stack, against servers on 127.0.0.1: what only a real stack
// shows. The bytes on the wire, a real error status, timing (a stalled server, a slow but steady one)
// and TLS. Everything else about the request routine is in tst_apimanager, over a fake network.
class TestApiTransport : public QObject
{
    Q_OBJECT

private:
    struct Outcome
    {
        QList<QByteArray> successes;
        QList<ApiError> failures;
        bool onMainThread = true;
    };

    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<AlertRecorder> m_alerts;
    std::unique_ptr<ApiManager> m_api;
    TestMonitor m_monitor;

    SettingsStore& store() { return SettingsStore::shared(); }

    // A reachable client of the given server, after the synchronisation of its first report.
    void connectTo(const QString& baseUrl)
    {
        qputenv("BREVAK_API_BASE_URL", baseUrl.toUtf8());
        m_api->startReachability(m_monitor.create(Reachability::Reachable));
        QVERIFY(QTest::qWaitFor([&] { return m_log->contains("reachability changed"); }));
        QVERIFY(done(1));
        m_log->clear();
    }

    std::shared_ptr<Outcome> send(WebService service, const Parameters& parameters = {})
    {
        auto outcome = std::make_shared<Outcome>();
        m_api->request(
            service, parameters,
            [outcome](const ApiError& error) {
                outcome->onMainThread &= QThread::currentThread() == qApp->thread();
                outcome->failures.append(error);
            },
            [outcome](const QByteArray& body) {
                outcome->onMainThread &= QThread::currentThread() == qApp->thread();
                outcome->successes.append(body);
            });
        return outcome;
    }

    bool done(int count = 1, int timeout = 10000)
    {
        return QTest::qWaitFor(
            [&] {
                return std::count_if(m_log->lines().cbegin(), m_log->lines().cend(), [](const QString& line) {
                    return line.startsWith("Response Data - ") || line.startsWith("Error : ");
                }) >= count;
            },
            timeout);
    }

    static QByteArray headerOf(const QByteArray& request, const QByteArray& name)
    {
        for (const QByteArray& line : request.left(request.indexOf("\r\n\r\n")).split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower()) {
                return line.mid(colon + 1).trimmed();
            }
        }
        return "<absent>";
    }

private Q_SLOTS:
    void init()
    {
        store().wipe();
        m_log = std::make_unique<LogCapture>();
        m_alerts = std::make_unique<AlertRecorder>();
        m_api = std::make_unique<ApiManager>(); // with its own, real, network access manager
    }

    void cleanup()
    {
        m_api.reset();
        m_alerts.reset();
        m_log.reset();
    }

    // The bytes of a request, and a real refusal (422) shown, then handed on.
    void whatGoesOverTheWire()
    {
        ScriptedHttpServer server;
        const QByteArray refused = apiFixture("refused.json");
        server.setHandler([&refused](QTcpSocket& socket, const QByteArray& request) {
            const bool sync = request.startsWith("POST /api/v3/sync-url ");
            socket.write(ScriptedHttpServer::answer(sync ? 200 : 422, sync ? "{}" : refused));
        });
        connectTo(server.baseUrl());
        store().setInteger(keys::userId, 42);

        const auto outcome
            = send(WebService::getBlockWebsiteByUser, {{"user_id", "42"}, {"note", "a+b c&d=é"}});
        QVERIFY(done());
        QCOMPARE(m_alerts->count(), 1);
        QCOMPARE(m_alerts->alerts().first().informative, "error Code :422");
        m_alerts->pressOk();
        QCOMPARE(outcome->successes, QList<QByteArray> {refused});
        QVERIFY(outcome->onMainThread);

        const QByteArray request = server.requests().last();
        QVERIFY2(request.startsWith("POST /api/v3/getblockwebsitebyuser?page=1 HTTP/1.1\r\n"),
            request.constData());
        QCOMPARE(headerOf(request, "Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
        QCOMPARE(headerOf(request, "Authorization"), "Bearer " + configuration::defaultToken().toUtf8());
        QCOMPARE(headerOf(request, "X-localization"), ""); // sent, and empty
        QVERIFY(request.endsWith("\r\n\r\nnote=a%2Bb%20c%26d%3D%C3%A9&user_id=42"));
    }

    void aStalledServerTimesOut()
    {
        ScriptedHttpServer server;
        m_api->setTransferTimeout(std::chrono::milliseconds(300));
        connectTo(server.baseUrl()); // unanswered, its first synchronisation times out too
        QElapsedTimer clock;
        clock.start();
        const auto outcome = send(WebService::logout);
        QVERIFY(done());
        QCOMPARE(outcome->failures.size(), 1);
        QCOMPARE(outcome->failures.first().kind, ApiError::Kind::timedOut);
        QVERIFY(outcome->successes.isEmpty());
        QVERIFY(m_log->contains("Error : The request timed out."));
        qInfo("timed out after %lld ms", clock.elapsed());
    }

    void aSlowButSteadyAnswerIsNotCutOff()
    {
        ScriptedHttpServer server;
        const QByteArray body = apiFixture("login.json");
        server.setHandler([&body](QTcpSocket& socket, const QByteArray&) {
            const QByteArray whole = ScriptedHttpServer::answer(200, body);
            // Eight pieces 100 ms apart: 800 ms in all, never 300 ms without progress.
            const qsizetype piece = whole.size() / 8 + 1;
            for (int i = 0; i < 8; ++i) {
                QTimer::singleShot(100 * (i + 1), &socket, [&socket, part = whole.mid(i * piece, piece)] {
                    socket.write(part);
                    socket.flush();
                });
            }
        });
        m_api->setTransferTimeout(std::chrono::milliseconds(300));
        connectTo(server.baseUrl());
        const auto outcome = send(WebService::login);
        QVERIFY(done());
        QVERIFY(outcome->failures.isEmpty());
        QCOMPARE(outcome->successes, QList<QByteArray> {body});
    }

    void anUntrustedCertificateIsNeverAccepted()
    {
        if (!QSslSocket::supportsSsl()) {
            QSKIP("no TLS backend");
        }
        QFile certificateFile(BREVAK_TLS_DIR "/selfsigned.crt");
        QFile keyFile(BREVAK_TLS_DIR "/selfsigned.key");
        QVERIFY(certificateFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly));
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(certificateFile.readAll()));
        tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
        auto sslServer = std::make_unique<QSslServer>();
        sslServer->setSslConfiguration(tls);
        ScriptedHttpServer server(std::move(sslServer));
        server.setHandler([](QTcpSocket& socket, const QByteArray&) {
            socket.write(
                ScriptedHttpServer::answer(200, R"({"status":true,"code":200,"msg":"","version":"3"})"));
        });

        connectTo(server.baseUrl("https"));
        const auto outcome = send(WebService::login, {{"email", "a@example.com"}, {"password", "secret"}});
        QVERIFY(done());
        QCOMPARE(outcome->failures.size(), 1);
        QCOMPARE(outcome->failures.first().kind, ApiError::Kind::transport);
        QVERIFY2(outcome->failures.first().text.contains("SSL"), qPrintable(outcome->failures.first().text));
        QVERIFY(outcome->successes.isEmpty());
        // The password never reached the impostor.
        QVERIFY(server.requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestApiTransport)
#include "tst_apitransport.moc"
