#include "Configuration.h"
#include "ServerHarness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <thread>

// brevak-server as a program: what it needs to start, what it writes where, how it stops, what it logs.
class TestServerProcess : public QObject
{
    Q_OBJECT

    static QString appToken() { return configuration::defaultToken(); }

    static QString signUp(HttpClient& http, const QString& email, const QString& password = "correct horse")
    {
        const HttpReply reply = http.post("signup",
            {{"social_media", "0"}, {"device_name", "Mac"}, {"email", email}, {"password", password},
                {"profile_id", "0"}},
            appToken());
        return reply.json().value("data").toObject().value("token").toString();
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
        QFile mail(server.mails().value(0));
        QVERIFY(mail.open(QIODevice::ReadOnly));
        const QString resetToken
            = QRegularExpression("token=([0-9a-f]{64})").match(QString::fromUtf8(mail.readAll())).captured(1);
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
        } else {
            QFile blocker(dir.filePath("file"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            arguments[3] = dir.filePath("file/data");
        }
        ServerProcess server;
        QVERIFY(!server.startBare(arguments));
        QCOMPARE(server.stop(), 2);
        QVERIFY2(server.log().join(u'\n').contains(message), qPrintable(server.log().join(u'\n')));
    }

    // Sign-ins waiting for their password hash may hold only a few request threads: with 8 threads,
    // a burst of sign-ins at the real hashing cost gets "try again later" for the excess, and the
    // status synchronisation is still answered.
    void aBurstOfSignInsLeavesRequestThreadsFree()
    {
        QTemporaryDir data;
        ServerProcess server;
        QVERIFY(server.startBare({"--listen", "127.0.0.1:0", "--data-dir", data.path(), "--threads", "8"}));
        HttpClient http(server.port());
        const QString token = signUp(http, "burst@example.org");
        QVERIFY(!token.isEmpty());

        QMutex mutex;
        QList<int> statuses;
        std::vector<std::thread> burst;
        for (int i = 0; i < 24; ++i) {
            burst.emplace_back([&] {
                HttpClient client(server.port());
                const int status = client
                                       .post("login",
                                           {{"email", "burst@example.org"}, {"password", "wrong password"},
                                               {"social_media", "0"}, {"platform_unique_id", ""}},
                                           appToken())
                                       .status;
                QMutexLocker lock(&mutex);
                statuses << status;
            });
        }
        const HttpReply sync = http.post("sync-url", {{"platform_unique_id", ""}}, token);
        for (std::thread& thread : burst)
            thread.join();

        QCOMPARE(sync.status, 200);
        QVERIFY2(statuses.contains(503), qPrintable(QString::number(statuses.count(200))));
        QVERIFY(statuses.contains(200));
        QCOMPARE(statuses.count(200) + statuses.count(503), 24);
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
        QFile first(server.mails().first());
        QVERIFY(first.open(QIODevice::ReadOnly));
        QVERIFY(first.readAll().contains("To: due12@example.org"));
        server.advance(12 * 3600);
        QTRY_COMPARE_WITH_TIMEOUT(server.mails().size(), 2, 5000);
        QCOMPARE(server.stop(), 0);
    }
};

QTEST_GUILESS_MAIN(TestServerProcess)
#include "tst_serverprocess.moc"
