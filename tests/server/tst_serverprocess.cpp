#include "Configuration.h"
#include "ServerHarness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

// brevak-server as a program: what it needs to start, what it writes where, how it stops, what it logs.
class TestServerProcess : public QObject
{
    Q_OBJECT

    static QString appToken() { return configuration::defaultToken(); }

    static QString signUp(
        HttpClient& http, const QString& email, const QString& password = QStringLiteral("correct horse"))
    {
        const HttpReply reply = http.post(QStringLiteral("signup"),
            {{"social_media", "0"}, {"device_name", "Mac"}, {"email", email}, {"password", password},
                {"profile_id", "0"}},
            appToken());
        return reply.json()
            .value(QStringLiteral("data"))
            .toObject()
            .value(QStringLiteral("token"))
            .toString();
    }

private Q_SLOTS:
    void startsWithoutConfiguration_data()
    {
        QTest::addColumn<bool>("xdg");
        QTest::newRow("XDG_DATA_HOME") << true;
        QTest::newRow("home folder") << false;
    }

    void startsWithoutConfiguration()
    {
        QFETCH(bool, xdg);
        QTemporaryDir home;
        const QString dataDir = xdg ? home.filePath(QStringLiteral("xdg/brevak-server"))
                                    : home.filePath(QStringLiteral(".local/share/brevak-server"));
        ServerProcess server;
        // Only the port is chosen (8080 may be taken on this machine); everything else is the default,
        // the secure password hashing included.
        QVERIFY(server.startBare({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")},
            {QStringLiteral("HOME=") + home.path(),
                QStringLiteral("XDG_DATA_HOME=")
                    + (xdg ? home.filePath(QStringLiteral("xdg")) : QString())}));
        QCOMPARE(QFileInfo(dataDir).permissions() & (QFile::ReadOther | QFile::ReadGroup | QFile::WriteOther),
            QFile::Permissions());
        QCOMPARE(QFileInfo(dataDir + QStringLiteral("/server.key")).size(), 32);
        QCOMPARE(QFileInfo(dataDir + QStringLiteral("/server.key")).permissions()
                & ~(QFile::ReadUser | QFile::WriteUser),
            QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QFileInfo::exists(dataDir + QStringLiteral("/brevak.sqlite")));
        HttpClient http(server.port());
        QCOMPARE(http.get(QStringLiteral("/health")).status, 200);
        const QString token = signUp(http, QStringLiteral("fresh@example.org"));
        QCOMPARE(token.size(), 64);
        QVERIFY(!server.log().join(u'\n').contains(QStringLiteral("DEVELOPMENT")));
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
            token = signUp(http, QStringLiteral("keep@example.org"));
            QCOMPARE(http.post(QStringLiteral("setupPin"), {{"time", "24"}, {"pin", "482913"}}, token).status,
                200);
            QCOMPARE(
                http.post(QStringLiteral("sync-url"), {{"platform_unique_id", "KEEP-MAC"}}, token).status,
                200);
        }
        QCOMPARE(server.stop(signal), 0);
        const QStringList log = server.log();
        QVERIFY(!log.isEmpty() && log.last().contains(QStringLiteral("stopped")));
        // The device seen just before the stop was written down on the way out.
        QVERIFY(server.admin({QStringLiteral("list-users")}).output.contains(QStringLiteral("1 device(s)")));

        QVERIFY(server.start());
        HttpClient http(server.port());
        const HttpReply check = http.post(
            QStringLiteral("checkPin"), {{"user_id", ""}, {"attempt", "1"}, {"pin", "482913"}}, token);
        QCOMPARE(check.json().value(QStringLiteral("status")).toBool(), true);
        QCOMPARE(server.stop(), 0);
    }

    void accessLogKeepsSecretsOut()
    {
        ServerProcess server;
        QVERIFY(server.start());
        HttpClient http(server.port());
        const QString password = QStringLiteral("s3cret-Passw0rd");
        const QString token = signUp(http, QStringLiteral("log@example.org"), password);
        http.post(QStringLiteral("login"),
            {{"email", "log@example.org"}, {"password", password}, {"social_media", "0"}}, appToken());
        http.post(QStringLiteral("setupPin"), {{"time", "12"}, {"pin", "918273"}}, token);
        http.post(QStringLiteral("checkPin"), {{"user_id", ""}, {"attempt", "1"}, {"pin", "918273"}}, token);
        http.post(QStringLiteral("forgot-password"), {{"email", "log@example.org"}}, appToken());
        QTRY_COMPARE(server.mails().size(), 1);
        QFile mail(server.mails().value(0));
        QVERIFY(mail.open(QIODevice::ReadOnly));
        const QString resetToken = QRegularExpression(QStringLiteral("token=([0-9a-f]{64})"))
                                       .match(QString::fromUtf8(mail.readAll()))
                                       .captured(1);
        QVERIFY(!resetToken.isEmpty());
        QCOMPARE(http.get(QStringLiteral("/password/reset?token=") + resetToken).status, 200);

        // A line is written once its answer has left, so the last one may come a moment after it.
        QTRY_VERIFY(server.log().join(u'\n').contains(QStringLiteral("\"GET /password/reset\" 200")));
        QTRY_COMPARE(server.log().join(u'\n').count(QStringLiteral("access 127.0.0.1 \"POST /api/v3/")), 5);
        const QString log = server.log().join(u'\n');
        for (const QString& secret :
            {password, QStringLiteral("918273"), token, resetToken, appToken().left(40)})
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
        QStringList arguments {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
            QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data"))};
        if (problem == u"port") {
            QVERIFY(holder.start());
            arguments[1] = QStringLiteral("127.0.0.1:%1").arg(holder.port());
        } else if (problem == u"key") {
            QDir().mkpath(dir.filePath(QStringLiteral("data")));
            QFile key(dir.filePath(QStringLiteral("data/server.key")));
            QVERIFY(key.open(QIODevice::WriteOnly));
            key.write("not a key");
        } else if (problem == u"flag") {
            arguments << QStringLiteral("--no-such-flag");
        } else if (problem == u"database") {
            arguments << QStringLiteral("--database")
                      << QStringLiteral("postgresql://nobody@127.0.0.1:1/none");
        } else {
            QFile blocker(dir.filePath(QStringLiteral("file")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            arguments[3] = dir.filePath(QStringLiteral("file/data"));
        }
        ServerProcess server;
        QVERIFY(!server.startBare(arguments));
        QCOMPARE(server.stop(), 2);
        QVERIFY2(server.log().join(u'\n').contains(message), qPrintable(server.log().join(u'\n')));
        if (problem == u"key") {
            QFile key(dir.filePath(QStringLiteral("data/server.key")));
            QVERIFY(key.open(QIODevice::ReadOnly));
            QCOMPARE(key.readAll(), QByteArray("not a key")); // never replaced
        }
    }

    void blockLengthFollowsTheFlag()
    {
        ServerProcess server;
        QVERIFY(server.start({QStringLiteral("--pin-block-minutes"), QStringLiteral("2")}));
        HttpClient http(server.port());
        const QString token = signUp(http, QStringLiteral("two@example.org"));
        http.post(QStringLiteral("setupPin"), {{"time", "12"}, {"pin", "482913"}}, token);
        const auto check = [&](const char* pin) {
            return http
                .post(QStringLiteral("checkPin"), {{"user_id", ""}, {"attempt", "1"}, {"pin", pin}}, token)
                .json()
                .value(QStringLiteral("msg"))
                .toString();
        };
        for (int i = 0; i < 3; ++i)
            check("000000");
        QCOMPARE(check("482913"), QStringLiteral("Your pin has been bloked."));
        server.advance(119);
        QCOMPARE(check("482913"), QStringLiteral("Your pin has been bloked."));
        server.advance(1);
        QCOMPARE(check("482913"), QStringLiteral("Your pin is correct."));
        QCOMPARE(server.stop(), 0);
    }

    void dueMailsGoOutOnTheirOwn()
    {
        ServerProcess server;
        QVERIFY(server.start({QStringLiteral("--due-mail-interval"), QStringLiteral("0.1")}));
        HttpClient http(server.port());
        const QString token = signUp(http, QStringLiteral("due@example.org"));
        http.post(QStringLiteral("setupPin"), {{"time", "12"}, {"pin", "482913"}}, token);
        QCOMPARE(http.post(QStringLiteral("retrievePin"), {{"user_id", ""}}, token).status, 200);
        QTest::qWait(400);
        QCOMPARE(server.mails().size(), 0);
        server.advance(12 * 3600);
        QTRY_COMPARE_WITH_TIMEOUT(server.mails().size(), 1, 5000);
        QCOMPARE(server.stop(), 0);
    }

    void helpNamesEveryFlag()
    {
        ServerProcess server;
        QVERIFY(!server.startBare({QStringLiteral("--help")}));
        QCOMPARE(server.stop(), 0);
        const QString help = server.log().join(u'\n');
        QVERIFY(help.contains(QStringLiteral("--pin-block-minutes")));
        QVERIFY(help.contains(QStringLiteral("BREVAK_SERVER_PIN_BLOCK_MINUTES")));
        QVERIFY(help.contains(QStringLiteral("admin reveal-pin")));
    }
};

QTEST_GUILESS_MAIN(TestServerProcess)
#include "tst_serverprocess.moc"
