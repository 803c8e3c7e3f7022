#include "ApiTestSupport.h"
#include "Configuration.h"
#include "Fixtures.h"
#include "ScriptedHttpServer.h"

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

    // With its own, real, network access manager.
    std::unique_ptr<ApiClient> m_client;

    // A reachable client of the given server, after the synchronisation of its first report.
    void connectTo(const QString& baseUrl)
    {
        qputenv("BREVAK_API_BASE_URL", baseUrl.toUtf8());
        QVERIFY(m_client->startReachable());
    }

    std::shared_ptr<Outcome> send(WebService service, const Parameters& parameters = {})
    {
        auto outcome = std::make_shared<Outcome>();
        m_client->api.request(
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
    void init() { m_client = std::make_unique<ApiClient>(); }
    void cleanup() { m_client.reset(); }

    // The bytes of a request, and a real refusal (422) shown, then handed on.
    void whatGoesOverTheWire()
    {
        ScriptedHttpServer server;
        const QByteArray refused = fixture("refused.json");
        server.setHandler([&refused](QTcpSocket& socket, const QByteArray& request) {
            const bool sync = request.startsWith("POST /api/v3/sync-url ");
            socket.write(ScriptedHttpServer::answer(sync ? 200 : 422, sync ? "{}" : refused));
        });
        connectTo(server.baseUrl());
        const auto outcome
            = send(WebService::getBlockWebsiteByUser, {{"user_id", "42"}, {"note", "a+b c&d=é"}});
        QVERIFY(m_client->log.waitForAnswers());
        QCOMPARE(m_client->alerts.count(), 1);
        QCOMPARE(m_client->alerts.alerts().first().informative, "error Code :422");
        m_client->alerts.pressOk();
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
        m_client->api.setTransferTimeout(std::chrono::milliseconds(300));
        connectTo(server.baseUrl()); // unanswered, its first synchronisation times out too
        const auto outcome = send(WebService::logout);
        QVERIFY(m_client->log.waitForAnswers());
        QCOMPARE(outcome->failures.size(), 1);
        QCOMPARE(outcome->failures.first().kind, ApiError::Kind::timedOut);
        QVERIFY(outcome->successes.isEmpty());
        QVERIFY(m_client->log.contains("Error : The request timed out."));
    }

    void aSlowButSteadyAnswerIsNotCutOff()
    {
        ScriptedHttpServer server;
        const QByteArray body = fixture("login.json");
        server.setHandler([&body](QTcpSocket& socket, const QByteArray&) {
            const QByteArray whole = ScriptedHttpServer::answer(200, body);
            // Thirty pieces 50 ms apart: 1.5 s in all, longer than the time limit, but progress comes
            // twenty times as often as the limit needs.
            const qsizetype piece = whole.size() / 30 + 1;
            for (int i = 0; i < 30; ++i) {
                QTimer::singleShot(50 * (i + 1), &socket, [&socket, part = whole.mid(i * piece, piece)] {
                    socket.write(part);
                    socket.flush();
                });
            }
        });
        m_client->api.setTransferTimeout(std::chrono::seconds(1));
        connectTo(server.baseUrl());
        const auto outcome = send(WebService::login);
        QVERIFY(m_client->log.waitForAnswers());
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
        QVERIFY(m_client->log.waitForAnswers());
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
