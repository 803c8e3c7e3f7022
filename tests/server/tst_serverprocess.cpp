#include "ClientDecoding.h"
#include "ServerAccounts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <signal.h>
#include <thread>

// brevak-server as a program: what it needs to start, what it writes where, how it stops, what it logs.
class TestServerProcess : public QObject
{
    Q_OBJECT

    static QString appToken() { return configuration::defaultToken(); }

    static QString signUp(HttpClient& http, const QString& email, const QString& password = testPassword)
    {
        return sessionOf(signUpOver(http, email, password));
    }

    static QString checkPin(HttpClient& http, const QString& token, const QString& pin)
    {
        return http.post("checkPin", {{"user_id", ""}, {"attempt", "1"}, {"pin", pin}}, token)
            .json()["msg"]
            .toString();
    }

private Q_SLOTS:
    void startsWithoutConfiguration()
    {
        QTemporaryDir home;
        const QString dataDir = home.filePath(".local/share/brevak-server");
        ServerProcess server;
        // Only the port is chosen (8080 may be taken on this machine); everything else is the default,
        // the secure password hashing included.
        QVERIFY(server.startBare({"--listen", "127.0.0.1:0"}, {"HOME=" + home.path(), "XDG_DATA_HOME="}));
        QCOMPARE(QFileInfo(dataDir).permissions() & (QFile::ReadOther | QFile::ReadGroup | QFile::WriteOther),
            QFile::Permissions());
        QVERIFY(QFileInfo::exists(dataDir + "/server.key"));
        QVERIFY(QFileInfo::exists(dataDir + "/brevak.sqlite"));
        HttpClient http(server.port());
        QCOMPARE(http.get("/health").status, 200);
        QCOMPARE(signUp(http, "fresh@example.org").size(), 64);
        QVERIFY(!server.log().join(u'\n').contains("DEVELOPMENT"));
        QCOMPARE(server.stop(), 0);
    }

    void stopsGracefullyAndKeepsEverything_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void stopsGracefullyAndKeepsEverything()
    {
        QFETCH(int, signal);
        ServerProcess server;
        QVERIFY(server.start());
        QString token;
        {
            HttpClient http(server.port());
            token = signUp(http, "keep@example.org");
            QCOMPARE(http.post("setupPin", {{"time", "24"}, {"pin", "482913"}}, token).status, 200);
            QCOMPARE(http.post("sync-url", {{"platform_unique_id", "KEEP-MAC"}}, token).status, 200);
        }
        QCOMPARE(server.stop(signal), 0);
        QVERIFY(server.log().value(server.log().size() - 1).contains("stopped"));
        // The device seen just before the stop was written down on the way out.
        QVERIFY(server.admin({"list-users"}).output.contains("1 device(s)"));

        QVERIFY(server.start());
        HttpClient http(server.port());
        QCOMPARE(checkPin(http, token, "482913"), "Your pin is correct.");
        QCOMPARE(server.stop(), 0);
    }

    void accessLogKeepsSecretsOut()
    {
        ServerProcess server;
        QVERIFY(server.start());
        HttpClient http(server.port());
        const QString password = "s3cret-Passw0rd";
        const QString token = signUp(http, "log@example.org", password);
        http.post("login", {{"email", "log@example.org"}, {"password", password}, {"social_media", "0"}},
            appToken());
        http.post("setupPin", {{"time", "12"}, {"pin", "918273"}}, token);
        checkPin(http, token, "918273");
        http.post("forgot-password", {{"email", "log@example.org"}}, appToken());
        QTRY_COMPARE(server.mails().size(), 1);
        const QString resetToken = QRegularExpression("token=([0-9a-f]{64})")
                                       .match(server.mailsTo("log@example.org").value(0))
                                       .captured(1);
        QVERIFY(!resetToken.isEmpty());
        QCOMPARE(http.get("/password/reset?token=" + resetToken).status, 200);

        // A line is written once its answer has left, so the last one may come a moment after it.
        QTRY_VERIFY(server.log().join(u'\n').contains("\"GET /password/reset\" 200"));
        QTRY_COMPARE(server.log().join(u'\n').count("access 127.0.0.1 \"POST /api/v3/"), 5);
        const QString log = server.log().join(u'\n');
        for (const QString& secret : {password, QString("918273"), token, resetToken, appToken().left(40)})
            QVERIFY2(!log.contains(secret), qPrintable(secret));
        QCOMPARE(server.stop(), 0);
    }

    void refusesToStart_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("message");
        QTest::newRow("port in use") << "port"
                                     << "cannot listen on";
        QTest::newRow("damaged key") << "key"
                                     << "damaged";
        QTest::newRow("unknown flag") << "flag"
                                      << "Unknown option";
        QTest::newRow("database unreachable") << "database"
                                              << "cannot open the database";
        QTest::newRow("data folder impossible") << "folder"
                                                << "cannot create the data folder";
        QTest::newRow("database read-only") << "read-only"
                                            << "readonly database";
    }

    void refusesToStart()
    {
        QFETCH(QString, problem);
        QFETCH(QString, message);
        QTemporaryDir dir;
        ServerProcess holder;
        QStringList arguments {"--listen", "127.0.0.1:0", "--data-dir", dir.filePath("data")};
        if (problem == u"port") {
            QVERIFY(holder.start());
            arguments[1] = "127.0.0.1:" + QString::number(holder.port());
        } else if (problem == u"key") {
            QDir().mkpath(dir.filePath("data"));
            QFile key(dir.filePath("data/server.key"));
            QVERIFY(key.open(QIODevice::WriteOnly));
            key.write("not a key");
        } else if (problem == u"flag") {
            arguments << "--no-such-flag";
        } else if (problem == u"database") {
            arguments << "--database"
                      << "postgresql://nobody@127.0.0.1:1/none";
        } else if (problem == u"read-only") {
            QVERIFY(holder.startBare(arguments));
            QCOMPARE(holder.stop(), 0);
            // Immutable files: not even root (who runs the tests here) can write them.
            QStringList immutable {"+i"};
            for (const QFileInfo& file :
                QDir(dir.filePath("data")).entryInfoList({"brevak.sqlite*"}, QDir::Files))
                immutable << file.filePath();
            QCOMPARE(QProcess::execute("chattr", immutable), 0);
        } else {
            QFile blocker(dir.filePath("file"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            arguments[3] = dir.filePath("file/data");
        }
        ServerProcess server;
        const bool started = server.startBare(arguments);
        if (problem == u"read-only")
            QProcess::execute("chattr", {"-R", "-i", dir.filePath("data")});
        QVERIFY(!started);
        QCOMPARE(server.stop(), 2);
        QVERIFY2(server.log().join(u'\n').contains(message), qPrintable(server.log().join(u'\n')));
    }

    void pinKeyIsNeverSilentlyReplaced_data()
    {
        QTest::addColumn<bool>("otherKey"); // false: the key file is deleted
        QTest::addColumn<QString>("message");
        QTest::newRow("key deleted") << false << "is missing";
        QTest::newRow("another key") << true << "is not the key";
    }

    void pinKeyIsNeverSilentlyReplaced()
    {
        QFETCH(bool, otherKey);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QStringList arguments {
            "--listen", "127.0.0.1:0", "--data-dir", dir.path(), "--dev-fast-hashing"};
        ServerProcess server;
        QVERIFY(server.startBare(arguments));
        {
            HttpClient http(server.port());
            QCOMPARE(
                http.post("setupPin", {{"time", "12"}, {"pin", "482913"}}, signUp(http, "key@example.org"))
                    .status,
                200);
        }
        QCOMPARE(server.stop(), 0);
        QFile key(dir.filePath("server.key"));
        QVERIFY(key.remove());
        if (otherKey) {
            QVERIFY(key.open(QIODevice::WriteOnly));
            key.write(QByteArray(32, 'k'));
            key.close();
        }
        QVERIFY(!server.startBare(arguments));
        QCOMPARE(server.stop(), 2);
        QVERIFY2(server.log().join(u'\n').contains(message), qPrintable(server.log().join(u'\n')));
        QCOMPARE(QFileInfo(key).exists(), otherKey); // no key was made in its place
    }

    // 130 connections from other addresses that trickle header lines: the server stays reachable, and
    // each of them is closed once its request overruns the deadline.
    void slowClientsCannotLockEveryoneOut()
    {
        ServerProcess server;
        QVERIFY(server.start({"--request-deadline", "2"}));
        std::vector<std::unique_ptr<RawConnection>> slow;
        for (int i = 0; i < 130; ++i) {
            slow.push_back(
                std::make_unique<RawConnection>(server.port(), QString("127.0.0.%1").arg(2 + i % 4)));
            slow.back()->send("POST /api/v3/login HTTP/1.1\r\nHost: 127.0.0.1\r\n");
        }
        HttpClient http(server.port());
        QElapsedTimer elapsed;
        elapsed.start();
        qint64 slowestHealth = 0;
        std::vector<RawConnection*> open;
        do {
            open.clear();
            for (const auto& connection : slow) {
                if (!connection->closedByServer()) {
                    connection->send("X-Slow: 1\r\n");
                    open.push_back(connection.get());
                }
            }
            QElapsedTimer health;
            health.start();
            QCOMPARE(http.get("/health").status, 200);
            slowestHealth = std::max(slowestHealth, health.elapsed());
            // The next line of the trickle goes out once one of them is closed, or a quarter second on.
            if (!open.empty())
                open.front()->closedByServer(250);
        } while (!open.empty() && elapsed.elapsed() < 20000);
        QVERIFY2(std::all_of(slow.cbegin(), slow.cend(), [](const auto& c) { return c->closedByServer(); }),
            "slow connections left open");
        QVERIFY2(slowestHealth < 1000, qPrintable(QString::number(slowestHealth)));
        QCOMPARE(server.stop(), 0);
    }

    void pipelinedRequestsAreAllAnswered()
    {
        ServerProcess server;
        QVERIFY(server.start());
        RawConnection connection(server.port());
        QVERIFY(connection.send(
            RawConnection::request("GET", "/health") + RawConnection::request("GET", "/health")));
        const QByteArray answers = connection.receive(
            10000, [](const QByteArray& received) { return received.count("HTTP/1.1 200") == 2; });
        QCOMPARE(answers.count("HTTP/1.1 200"), 2);
        QCOMPARE(server.stop(), 0);
    }

    // Strangers on other addresses sign in without pause, at the real hashing cost: the user's own
    // sign-ins still get through, since the hashing queue is shared fairly between addresses.
    void strangersCannotBlockSignIns()
    {
        QTemporaryDir data;
        ServerProcess server;
        QVERIFY(server.startBare({"--listen", "127.0.0.1:0", "--data-dir", data.path(), "--threads", "32",
            "--sign-in-limit", "100000"}));
        HttpClient http(server.port());
        const QString token = signUp(http, "owner@example.org");
        QVERIFY(!token.isEmpty());

        std::atomic<bool> stop = false;
        std::atomic<int> attempts = 0;
        std::vector<std::thread> strangers;
        const QByteArray stranger = HttpClient::formEncode(
            {{"email", "nobody@example.org"}, {"password", "guess"}, {"social_media", "0"}});
        for (int i = 0; i < 24; ++i) {
            strangers.emplace_back([&, i] {
                const QString from = QString("127.0.0.%1").arg(2 + i % 8);
                auto connection = std::make_unique<RawConnection>(server.port(), from);
                while (!stop) {
                    connection->send(
                        RawConnection::request("POST", "/api/v3/login", stranger, appToken().toLatin1()));
                    if (connection->receive(30000, [](const QByteArray& r) { return r.endsWith('}'); })
                            .isEmpty())
                        connection = std::make_unique<RawConnection>(server.port(), from);
                    ++attempts;
                    // The strangers' pace: 24 of them send about a thousand sign-ins a second.
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            });
        }
        QTRY_VERIFY(attempts > 24); // every stranger is under way
        QStringList answers;
        for (int i = 0; i < 5; ++i) {
            const HttpReply reply = http.post("login",
                {{"email", "owner@example.org"}, {"password", testPassword}, {"social_media", "0"}},
                appToken());
            answers << QString::number(reply.status) + (reply.json()["status"].toBool() ? " signed in" : "");
        }
        const HttpReply sync = http.post("sync-url", {{"platform_unique_id", ""}}, token);
        stop = true;
        for (std::thread& thread : strangers)
            thread.join();
        QCOMPARE(answers, QStringList(5, "200 signed in"));
        QCOMPARE(sync.status, 200);
        QCOMPARE(server.stop(), 0);
    }

    // Past the limits the answer is 429 with Retry-After, in the envelope the application decodes; other
    // addresses are not affected, and the limit ends with its minute.
    void signInsAndResetMailsAreLimitedPerAddress()
    {
        ServerProcess server;
        QVERIFY(server.start({"--sign-in-limit", "3", "--reset-mail-limit", "2"}));
        HttpClient http(server.port());
        QVERIFY(!signUp(http, "limit@example.org").isEmpty());
        const auto login = [&](HttpClient& client) {
            return client.post("login",
                {{"email", "limit@example.org"}, {"password", testPassword}, {"social_media", "0"}},
                appToken());
        };
        QCOMPARE(login(http).status, 200);
        QCOMPARE(login(http).status, 200);
        const HttpReply refused = login(http);
        QCOMPARE(refused.status, 429);
        const qint64 retryAfter = refused.headers.value("retry-after").toLongLong();
        QVERIFY2(retryAfter >= 1 && retryAfter <= 60, refused.headers.value("retry-after").constData());
        const QString wrong = clientDecodingError(refused.body, "BaseModel<AuthModel>");
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY(refused.json()["msg"].toString().contains("try again"));

        RawConnection other(server.port(), "127.0.0.2");
        other.send(RawConnection::request("POST", "/api/v3/login",
            HttpClient::formEncode(
                {{"email", "limit@example.org"}, {"password", testPassword}, {"social_media", "0"}}),
            appToken().toLatin1()));
        QVERIFY(other.receive(10000, [](const QByteArray& r) { return r.endsWith('}'); })
                    .startsWith("HTTP/1.1 200"));
        server.advance(60);
        QCOMPARE(login(http).status, 200);

        for (const QString address : {"a@example.org", "b@example.org"})
            QCOMPARE(http.post("forgot-password", {{"email", address}}, appToken()).status, 200);
        QCOMPARE(http.post("forgot-password", {{"email", "c@example.org"}}, appToken()).status, 429);
        QCOMPARE(server.stop(), 0);
    }

    void dueMailsGoOutOnTheirOwn()
    {
        ServerProcess server;
        QVERIFY(server.start({"--due-mail-interval", "0.1"}));
        HttpClient http(server.port());
        // Two requests made together, due after 12 and after 24 hours.
        for (const QString hours : {"12", "24"}) {
            const QString token = signUp(http, "due" + hours + "@example.org");
            http.post("setupPin", {{"time", hours}, {"pin", "482913"}}, token);
            QCOMPARE(http.post("retrievePin", {{"user_id", ""}}, token).status, 200);
        }
        // The pass that mails the first one also sees the second, which is not due yet.
        server.advance(12 * 3600);
        QTRY_COMPARE_WITH_TIMEOUT(server.mails().size(), 1, 5000);
        QCOMPARE(server.mailsTo("due12@example.org").size(), 1);
        server.advance(12 * 3600);
        QTRY_COMPARE_WITH_TIMEOUT(server.mails().size(), 2, 5000);
        QCOMPARE(server.stop(), 0);
    }
};

QTEST_GUILESS_MAIN(TestServerProcess)
#include "tst_serverprocess.moc"
