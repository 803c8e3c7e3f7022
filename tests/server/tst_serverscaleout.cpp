#include "ServerAccounts.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSet>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <array>
#include <unistd.h>

// The way past one machine: two brevak-server instances on one PostgreSQL database, behind nginx with
// the shipped configuration (deploy/nginx) terminating TLS with a certificate made here. Runs under
// with-postgresql.sh.
class TestServerScaleOut : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::array<ServerProcess, 2> m_instances;
    QProcess m_nginx;
    int m_port = 0;
    QNetworkAccessManager m_network;
    QSslConfiguration m_tls = QSslConfiguration::defaultConfiguration();
    int m_accounts = 0;

    static QString appToken() { return configuration::defaultToken(); }

    static int freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort();
    }

    static QString runTool(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            return "failed: " + QString::fromUtf8(process.readAll());
        return {};
    }

    // Runs SQL on the test cluster as its owner, in the database given.
    static QString psql(const QString& database, const QString& sql)
    {
        const QUrl url(ServerProcess::testDatabaseUrl());
        const QString host = QUrlQuery(url).queryItemValue("host", QUrl::FullyDecoded);
        const QString bin = QFileInfo(
            QDir("/usr/lib/postgresql").entryInfoList({"1*"}, QDir::Dirs).value(0).filePath() + "/bin/psql")
                                .filePath();
        return runTool(
            bin, {"-h", host, "-U", url.userName(), "-d", database, "-v", "ON_ERROR_STOP=1", "-c", sql});
    }

    // A request through nginx, over TLS; all of them are sent before the first answer is awaited.
    QList<HttpReply> postAll(const QList<std::pair<QString, Fields>>& requests, const QString& token)
    {
        QList<QNetworkReply*> pending;
        for (const auto& [endpoint, fields] : requests) {
            QNetworkRequest request(
                QUrl(QString("https://127.0.0.1:%1/api/v3/%2").arg(m_port).arg(endpoint)));
            request.setSslConfiguration(m_tls);
            request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
            request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
            request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
            pending << m_network.post(request, HttpClient::formEncode(fields));
        }
        const bool answered = QTest::qWaitFor(
            [&] {
                return std::all_of(pending.cbegin(), pending.cend(), [](auto* r) { return r->isFinished(); });
            },
            60000);
        if (!answered)
            qWarning() << "nginx left requests unanswered"; // they count as status 0
        QList<HttpReply> replies;
        for (QNetworkReply* reply : pending) {
            replies.append(
                {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(), {}});
            reply->deleteLater();
        }
        return replies;
    }

    HttpReply post(const QString& endpoint, const Fields& fields, const QString& token)
    {
        return postAll({{endpoint, fields}}, token).value(0);
    }

    // A new account with a PIN, through nginx; its token.
    QString accountWithPin(const QString& email)
    {
        const HttpReply signup = post("signup",
            {{"social_media", "0"}, {"device_name", "Mac"}, {"email", email}, {"password", "correct horse"}},
            appToken());
        const QString token = signup.json()["data"].toObject()["token"].toString();
        post("setupPin", {{"time", "12"}, {"pin", "482913"}}, token);
        return token;
    }

    QStringList mails() const
    {
        QStringList all;
        for (const ServerProcess& instance : m_instances) {
            for (const QString& path : instance.mails()) {
                QFile file(path);
                if (file.open(QIODevice::ReadOnly))
                    all << QString::fromUtf8(file.readAll());
            }
        }
        return all;
    }

    bool nginxConfigured(QString& problem)
    {
        QFile shipped(BREVAK_SOURCE_DIR "/deploy/nginx/brevak-server.conf");
        if (!shipped.open(QIODevice::ReadOnly)) {
            problem = "no deploy/nginx/brevak-server.conf";
            return false;
        }
        QString config = QString::fromUtf8(shipped.readAll());
        const QList<std::pair<QString, QString>> local {
            {"    listen 80;\n", QString("    listen 127.0.0.1:%1;\n").arg(freePort())},
            {"    listen [::]:80;\n", ""},
            {"    listen 443 ssl http2;\n", QString("    listen 127.0.0.1:%1 ssl http2;\n").arg(m_port)},
            {"    listen [::]:443 ssl http2;\n", ""},
            {"/etc/letsencrypt/live/api.brevak.app/fullchain.pem", m_dir.filePath("cert.pem")},
            {"/etc/letsencrypt/live/api.brevak.app/privkey.pem", m_dir.filePath("key.pem")},
            {"127.0.0.1:8081", QString("127.0.0.1:%1").arg(m_instances[0].port())},
            {"127.0.0.1:8082", QString("127.0.0.1:%1").arg(m_instances[1].port())},
        };
        for (const auto& [shippedText, localText] : local) {
            if (!config.contains(shippedText)) {
                problem = "the nginx configuration has no " + shippedText;
                return false;
            }
            config.replace(shippedText, localText);
        }
        const QString dir = m_dir.path();
        QFile site(m_dir.filePath("brevak-server.conf"));
        QFile main(m_dir.filePath("nginx.conf"));
        if (!site.open(QIODevice::WriteOnly) || !main.open(QIODevice::WriteOnly))
            return false;
        site.write(config.toUtf8());
        main.write(
            QString("daemon off;\n%1pid %2/nginx.pid;\nerror_log %2/error.log;\nevents {}\nhttp {\n"
                    "    access_log off;\n    client_body_temp_path %2/body;\n    proxy_temp_path %2/proxy;\n"
                    "    fastcgi_temp_path %2/fastcgi;\n    uwsgi_temp_path %2/uwsgi;\n"
                    "    scgi_temp_path %2/scgi;\n    include %2/brevak-server.conf;\n}\n")
                .arg(geteuid() == 0 ? "user root;\n" : "", dir)
                .toUtf8());
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!ServerProcess::testDatabaseUrl().isEmpty(), "run through tests/server/with-postgresql.sh");
        QCOMPARE(
            runTool("openssl",
                {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                    "-keyout", m_dir.filePath("key.pem"), "-out", m_dir.filePath("cert.pem"), "-days", "2",
                    "-subj", "/CN=localhost", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"}),
            QString());
        m_tls.setCaCertificates(QSslCertificate::fromPath(m_dir.filePath("cert.pem")));
        for (ServerProcess& instance : m_instances)
            QVERIFY(instance.start({"--due-mail-interval", "0.2", "--trusted-proxy", "127.0.0.1"}));
        m_port = freePort();
        QString problem;
        QVERIFY2(nginxConfigured(problem), qPrintable(problem));
        m_nginx.setProcessChannelMode(QProcess::MergedChannels);
        m_nginx.start("nginx", {"-p", m_dir.path(), "-c", m_dir.filePath("nginx.conf")});
        QVERIFY2(m_nginx.waitForStarted(), "nginx is missing (scripts/setup installs it)");
        QVERIFY2(QTest::qWaitFor([&] { return post("sync-url", {}, appToken()).status == 200; }, 20000),
            qPrintable(QString::fromUtf8(m_nginx.readAll())));
    }

    void cleanupTestCase()
    {
        m_nginx.terminate();
        m_nginx.waitForFinished(10000);
        for (ServerProcess& instance : m_instances)
            QCOMPARE(instance.stop(), 0);
    }

    // Guesses sent all at once, spread over both instances, get three tries between them.
    void pinTriesAreCountedAcrossInstances()
    {
        const QString token = accountWithPin("guesses@example.org");
        const QList<HttpReply> replies = postAll(
            QList<std::pair<QString, Fields>>(12, {"checkPin", {{"user_id", ""}, {"pin", "000000"}}}), token);
        QStringList messages;
        for (const HttpReply& reply : replies)
            messages << reply.json()["msg"].toString();
        QCOMPARE(messages.count("Please enter a valid otp."), 3);
        QCOMPARE(messages.count("Your pin has been bloked."), 9);
        for (const ServerProcess& instance : m_instances)
            QVERIFY(instance.log().join(u'\n').contains("\"POST /api/v3/checkPin\""));
    }

    // Retrieval requests made through both instances, due at once, while both look for due mails.
    void eachDueMailGoesOutOnce()
    {
        const int accounts = 4;
        for (int i = 0; i < accounts; ++i) {
            const QString token = accountWithPin(QString("due%1@example.org").arg(i));
            QCOMPARE(post("retrievePin", {{"user_id", ""}}, token).status, 200);
            QCOMPARE(post("retrievePin", {{"user_id", ""}}, token).status, 200); // asked twice
        }
        for (ServerProcess& instance : m_instances)
            instance.advance(12 * 3600);
        QTRY_COMPARE_WITH_TIMEOUT(mails().size(), accounts, 20000);
        QSet<QString> recipients;
        for (const QString& mail : mails())
            recipients.insert(mail.section("To: ", 1).section("\r\n", 0, 0));
        QCOMPARE(recipients.size(), accounts);
        // A pass after those: nothing is left to send.
        QVERIFY(m_instances[0].admin({"send-due-mail"}).output.contains("0 pin mail(s) sent"));
        QCOMPARE(mails().size(), accounts);
    }

    // A database that stops taking writes shows in /health, and a read-only one is refused at start.
    void healthTellsWhetherTheDatabaseTakesWrites()
    {
        QCOMPARE(psql("brevak_test", "CREATE DATABASE brevak_readonly"), QString());
        QString url = ServerProcess::testDatabaseUrl();
        url.replace("/brevak_test?", "/brevak_readonly?");
        QTemporaryDir data;
        // Two request threads, both with a database connection open before the database drops them.
        const QStringList arguments {
            "--listen", "127.0.0.1:0", "--data-dir", data.path(), "--database", url, "--threads", "2"};
        ServerProcess server;
        QVERIFY(server.startBare(arguments));
        HttpClient http(server.port());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(http.get("/health").status, 200);

        const QString readOnly = "ALTER DATABASE brevak_readonly SET default_transaction_read_only = ";
        const QString dropConnections = "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                        "WHERE datname = 'brevak_readonly' AND pid <> pg_backend_pid()";
        const auto signUp = [&](const QString& email) { return signUpOver(http, email).status; };
        QCOMPARE(psql("brevak_test", readOnly + "on"), QString());
        QCOMPARE(psql("brevak_test", dropConnections), QString());
        // Once a write was refused (after each thread noticed its dropped connection), /health says so.
        int attempt = 0;
        QList<int> refused;
        QVERIFY(QTest::qWaitFor(
            [&] {
                refused << signUp(QString("refused%1@example.org").arg(++attempt));
                return http.get("/health").status == 503;
            },
            20000));
        QCOMPARE(refused, QList<int>(refused.size(), 503));

        // Writable again: each request thread notices once that its connection was dropped, opens a new
        // one, and the instance recovers by itself.
        QCOMPARE(psql("brevak_test", readOnly + "off"), QString());
        QCOMPARE(psql("brevak_test", dropConnections), QString());
        attempt = 0;
        QVERIFY(QTest::qWaitFor(
            [&] { return signUp(QString("again%1@example.org").arg(++attempt)) == 200; }, 20000));
        QVERIFY(attempt <= 3);
        QCOMPARE(http.get("/health").status, 200);
        QCOMPARE(server.stop(), 0);

        QCOMPARE(psql("brevak_test", readOnly + "on"), QString());
        QVERIFY(!server.startBare(arguments));
        QCOMPARE(server.stop(), 2);
        QVERIFY2(server.log().join(u'\n').contains("read-only"), qPrintable(server.log().join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestServerScaleOut)
#include "tst_serverscaleout.moc"
