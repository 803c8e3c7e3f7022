#include "ApiTestSupport.h"
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
// shows, timing (a stalled server, a slow but steady one) and TLS. Everything else about the request
// routine is in tst_apimanager, over a fake network.
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

private Q_SLOTS:
    void init() { m_client = std::make_unique<ApiClient>(); }
    void cleanup() { m_client.reset(); }

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
