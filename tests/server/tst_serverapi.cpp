#include "ClientDecoding.h"
#include "Configuration.h"
#include "ServerHarness.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <thread>

// Every endpoint of brevak-server over HTTP, against the real program: the answers (each decoded with
// the application's own strict records), the refusals it shows, the 401s that sign it out, and the
// rules the server enforces on its own. Runs on SQLite, and on PostgreSQL when
// BREVAK_TEST_DATABASE_URL is set (tests/server/with-postgresql.sh).

// Both evaluate their reply expression once.
#define VERIFY_SHAPE(expression, record)                                                                     \
    do {                                                                                                     \
        const HttpReply reply_ = (expression);                                                               \
        const QString wrong_ = clientDecodingError(reply_.body, QStringLiteral(record));                     \
        QVERIFY2(                                                                                            \
            wrong_.isEmpty(), qPrintable(wrong_ + QStringLiteral(" in ") + QString::fromUtf8(reply_.body))); \
    } while (false)

#define VERIFY_ANSWER(expression, httpStatus, statusValue)                                                   \
    do {                                                                                                     \
        const HttpReply reply_ = (expression);                                                               \
        QVERIFY2(reply_.status == (httpStatus)                                                               \
                && reply_.json().value(QStringLiteral("status")).toBool() == (statusValue),                  \
            qPrintable(                                                                                      \
                QString::number(reply_.status) + QStringLiteral(" ") + QString::fromUtf8(reply_.body)));     \
    } while (false)

namespace {

const QString googleClient = QStringLiteral("test-client.apps.googleusercontent.com");

struct Account
{
    qint64 id = 0;
    QString email;
    QString password;
    QString token;
};

QString msgOf(const HttpReply& reply)
{
    return reply.json().value(QStringLiteral("msg")).toString();
}

QJsonObject dataOf(const HttpReply& reply)
{
    return reply.json().value(QStringLiteral("data")).toObject();
}

} // namespace

class TestServerApi : public QObject
{
    Q_OBJECT

    ServerProcess m_server;
    FakeSignInProvider m_provider;
    std::unique_ptr<HttpClient> m_http;
    int m_accounts = 0;

    HttpClient& http() { return *m_http; }
    static QString appToken() { return configuration::defaultToken(); }

    QString uniqueEmail(const QString& tag)
    {
        return QStringLiteral("%1.%2.%3@example.org")
            .arg(tag)
            .arg(QCoreApplication::applicationPid())
            .arg(++m_accounts);
    }

    HttpReply post(const QString& endpoint, const Fields& fields, const QString& token)
    {
        return http().post(endpoint, fields, token);
    }

    Account signUp(const QString& tag)
    {
        Account account {0, uniqueEmail(tag), QStringLiteral("correct horse battery"), {}};
        const HttpReply reply = post(QStringLiteral("signup"),
            {{"social_media", "0"}, {"device_name", "MacBookPro18,1"}, {"email", account.email},
                {"password", account.password}, {"profile_id", "0"}},
            appToken());
        const QJsonObject data = dataOf(reply);
        account.id = data.value(QStringLiteral("id")).toInteger();
        account.token = data.value(QStringLiteral("token")).toString();
        return account;
    }

    HttpReply login(const QString& email, const QString& password, const QString& token = appToken())
    {
        return post(QStringLiteral("login"),
            {{"email", email}, {"password", password}, {"social_media", "0"},
                {"platform_unique_id", "0A1B2C3D-TEST"}},
            token);
    }

    HttpReply setupPin(const Account& account, const QString& pin = QStringLiteral("482913"),
        const QString& time = QStringLiteral("12"))
    {
        return post(QStringLiteral("setupPin"), {{"time", time}, {"pin", pin}}, account.token);
    }

    HttpReply checkPin(const Account& account, const QString& pin)
    {
        return post(QStringLiteral("checkPin"),
            {{"user_id", QString::number(account.id)}, {"attempt", "1"}, {"pin", pin}}, account.token);
    }

    HttpReply sync(const QString& token)
    {
        return post(QStringLiteral("sync-url"), {{"platform_unique_id", "0A1B2C3D-TEST"}}, token);
    }

    // The due PIN mails, as the server's sender would send them now.
    QStringList sendDueMail()
    {
        const ServerProcess::CommandResult result = m_server.admin({QStringLiteral("send-due-mail")});
        if (result.exitCode != 0)
            qWarning() << result.output;
        return m_server.mails();
    }

    QStringList mailsTo(const QString& address)
    {
        QStringList found;
        for (const QString& path : m_server.mails()) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                const QString text = QString::fromUtf8(file.readAll());
                if (text.contains(QStringLiteral("To: ") + address + QStringLiteral("\r\n")))
                    found << text;
            }
        }
        return found;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.start({QStringLiteral("--google-tokeninfo-url"), m_provider.googleUrl(),
            QStringLiteral("--facebook-graph-url"), m_provider.facebookUrl(),
            QStringLiteral("--google-client-id"), googleClient}));
        m_http = std::make_unique<HttpClient>(m_server.port());
        qInfo() << "database:"
                << (ServerProcess::testDatabaseUrl().isEmpty() ? QStringLiteral("SQLite")
                                                               : ServerProcess::testDatabaseUrl());
    }

    void cleanupTestCase()
    {
        m_http.reset();
        QCOMPARE(m_server.stop(), 0);
    }

    // ---- sign-up and sign-in -------------------------------------------------------------------

    void signUpAnswersTheAccountWithASession()
    {
        const QString email = uniqueEmail(QStringLiteral("Signup"));
        const HttpReply reply = post(QStringLiteral("signup"),
            {{"social_media", "0"}, {"device_name", "Ann's Mac"}, {"email", email},
                {"password", "correct horse"}, {"profile_id", "0"}},
            appToken());
        VERIFY_ANSWER(reply, 200, true);
        VERIFY_SHAPE(reply, "BaseModel<AuthModel>");
        const QJsonObject data = dataOf(reply);
        QCOMPARE(data.value(QStringLiteral("email")).toString(), email);
        QCOMPARE(data.value(QStringLiteral("device_name")).toString(), QStringLiteral("Ann's Mac"));
        QCOMPARE(data.value(QStringLiteral("social_media")).toInt(), 0);
        QCOMPARE(data.value(QStringLiteral("profile_id")).toString(), QStringLiteral("0"));
        QVERIFY(data.value(QStringLiteral("pin_protection")).isNull());
        const QString token = data.value(QStringLiteral("token")).toString();
        QCOMPARE(token.size(), 64);
        VERIFY_ANSWER(sync(token), 200, true);
    }

    void signUpRefusals_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("malformed address") << "ann.example.org"
                                           << "correct horse"
                                           << "The email must be a valid email address.";
        QTest::newRow("short password") << ""
                                        << "short"
                                        << "The password must be at least 8 characters.";
        QTest::newRow("empty password") << ""
                                        << ""
                                        << "The password must be at least 8 characters.";
        QTest::newRow("taken address") << "taken"
                                       << "correct horse"
                                       << "The email has already been taken.";
        QTest::newRow("taken in other case") << "TAKEN"
                                             << "correct horse"
                                             << "The email has already been taken.";
    }

    void signUpRefusals()
    {
        QFETCH(QString, email);
        QFETCH(QString, password);
        QFETCH(QString, message);
        if (email.isEmpty())
            email = uniqueEmail(QStringLiteral("refused"));
        if (email.compare(QStringLiteral("taken"), Qt::CaseInsensitive) == 0) {
            const Account existing = signUp(QStringLiteral("taken"));
            email = email == u"TAKEN" ? existing.email.toUpper() : existing.email;
        }
        const HttpReply reply = post(QStringLiteral("signup"),
            {{"social_media", "0"}, {"device_name", "Mac"}, {"email", email}, {"password", password},
                {"profile_id", "0"}},
            appToken());
        VERIFY_ANSWER(reply, 200, false);
        VERIFY_SHAPE(reply, "BaseModel<AuthModel>");
        QCOMPARE(msgOf(reply), message);
    }

    void signInWithPassword()
    {
        const Account account = signUp(QStringLiteral("signin"));
        const HttpReply reply = login(account.email.toUpper(), account.password);
        VERIFY_ANSWER(reply, 200, true);
        VERIFY_SHAPE(reply, "BaseModel<AuthModel>");
        QCOMPARE(dataOf(reply).value(QStringLiteral("id")).toInteger(), account.id);
        const QString token = dataOf(reply).value(QStringLiteral("token")).toString();
        QVERIFY(token != account.token); // every sign-in opens its own session
        VERIFY_ANSWER(sync(token), 200, true);
        VERIFY_ANSWER(sync(account.token), 200, true);
    }

    void wrongCredentialsGetOneAnswer()
    {
        const Account account = signUp(QStringLiteral("wrong"));
        const HttpReply wrongPassword = login(account.email, QStringLiteral("correct horse batter"));
        const HttpReply unknownAddress = login(uniqueEmail(QStringLiteral("nobody")), account.password);
        for (const HttpReply& reply : {wrongPassword, unknownAddress}) {
            VERIFY_ANSWER(reply, 200, false);
            VERIFY_SHAPE(reply, "BaseModel<AuthModel>");
            QCOMPARE(msgOf(reply), QStringLiteral("These credentials do not match our records."));
            QVERIFY(!reply.json().contains(QStringLiteral("data")));
        }
    }

    void signInCarriesThePinState()
    {
        Account account = signUp(QStringLiteral("pinstate"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("482913"), QStringLiteral("24")), 200, true);
        const HttpReply reply = login(account.email, account.password);
        VERIFY_SHAPE(reply, "BaseModel<AuthModel>");
        const QJsonObject pin = dataOf(reply).value(QStringLiteral("pin_protection")).toObject();
        QCOMPARE(pin.value(QStringLiteral("time")).toInt(), 24);
        QCOMPARE(pin.value(QStringLiteral("user_id")).toInteger(), account.id);
        QVERIFY(pin.value(QStringLiteral("pin")).isDouble());
        QCOMPARE(pin.value(QStringLiteral("pin")).toInt(), 0); // the PIN itself never leaves the server
        QVERIFY(!reply.body.contains("482913"));
    }

    void socialSignIn_data()
    {
        QTest::addColumn<QString>("provider"); // social_media code
        QTest::addColumn<bool>("registered"); // the provider knows the token
        QTest::addColumn<QString>("audience");
        QTest::addColumn<bool>("sameProfile"); // the application sends the provider's user id
        QTest::addColumn<bool>("accepted");
        QTest::newRow("Google") << "2" << true << googleClient << true << true;
        QTest::newRow("Facebook") << "1" << true << QString() << true << true;
        QTest::newRow("Google token of another application")
            << "2" << true << "someone-else.apps.googleusercontent.com" << true << false;
        QTest::newRow("Google token unknown") << "2" << false << googleClient << true << false;
        QTest::newRow("Facebook token unknown") << "1" << false << QString() << true << false;
        QTest::newRow("Google, another user's id") << "2" << true << googleClient << false << false;
        QTest::newRow("Facebook, another user's id") << "1" << true << QString() << false << false;
    }

    void socialSignIn()
    {
        QFETCH(QString, provider);
        QFETCH(bool, registered);
        QFETCH(QString, audience);
        QFETCH(bool, sameProfile);
        QFETCH(bool, accepted);
        const QString email = uniqueEmail(QStringLiteral("social"));
        const QString token = QStringLiteral("provider-token-") + email;
        const QString profile = QStringLiteral("1098%1").arg(m_accounts);
        if (registered && provider == u"2")
            m_provider.addGoogleToken(token, profile, email, audience);
        if (registered && provider == u"1")
            m_provider.addFacebookToken(token, profile, email);
        const Fields fields {{"email", email}, {"social_media", provider}, {"token", token},
            {"device_name", "MacBookPro18,1"}, {"profile_id", sameProfile ? profile : QStringLiteral("999")},
            {"platform_unique_id", "0A1B-SOCIAL"}};
        const HttpReply reply = post(QStringLiteral("login"), fields, appToken());
        VERIFY_ANSWER(reply, 200, accepted);
        VERIFY_SHAPE(reply, "BaseModel<AuthModel>");
        if (!accepted)
            return;
        const QJsonObject data = dataOf(reply);
        QCOMPARE(data.value(QStringLiteral("social_media")).toInt(), provider.toInt());
        QCOMPARE(data.value(QStringLiteral("profile_id")).toString(), profile);
        QCOMPARE(data.value(QStringLiteral("device_name")).toString(), QStringLiteral("MacBookPro18,1"));
        QVERIFY(!data.value(QStringLiteral("email_verified_at"))
                     .toString()
                     .isEmpty()); // the provider vouched for it
        // Signing in again reaches the same account.
        const HttpReply again = post(QStringLiteral("login"), fields, appToken());
        VERIFY_ANSWER(again, 200, true);
        QCOMPARE(dataOf(again).value(QStringLiteral("id")).toInteger(),
            data.value(QStringLiteral("id")).toInteger());
    }

    void trustedSocialTokensNeedNoProvider()
    {
        ServerProcess trusting;
        QVERIFY(trusting.start({QStringLiteral("--trust-social-tokens")}));
        HttpClient client(trusting.port());
        const int asked = m_provider.requestCount();
        const QString email = uniqueEmail(QStringLiteral("trusted"));
        const HttpReply reply = client.post(QStringLiteral("login"),
            {{"email", email}, {"social_media", "2"}, {"token", "anything"}, {"device_name", "Mac"},
                {"profile_id", "1234"}, {"platform_unique_id", "X"}},
            appToken());
        VERIFY_ANSWER(reply, 200, true);
        QCOMPARE(dataOf(reply).value(QStringLiteral("email")).toString(), email);
        QCOMPARE(m_provider.requestCount(), asked);
        QVERIFY(trusting.log().join(u'\n').contains(QStringLiteral("DEVELOPMENT")));
        QCOMPARE(trusting.stop(), 0);
    }

    // ---- tokens -------------------------------------------------------------------------------

    void applicationTokenOpensOnlyTheSignInEndpoints_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<int>("httpStatus");
        for (const char* endpoint :
            {"update-profile", "logout", "setupPin", "checkPin", "retrievePin", "updatePin", "removepin",
                "getblockwebsitebyuser", "blockwesitebyuser", "unblockwesitebyuser"})
            QTest::newRow(endpoint) << endpoint << 401;
        QTest::newRow("sync-url answers status false") << "sync-url" << 200;
    }

    void applicationTokenOpensOnlyTheSignInEndpoints()
    {
        QFETCH(QString, endpoint);
        QFETCH(int, httpStatus);
        const HttpReply reply = post(endpoint, {{"platform_unique_id", "X"}}, appToken());
        VERIFY_ANSWER(reply, httpStatus, false);
        VERIFY_SHAPE(reply, "BaseModel<SyncURLModel>");
    }

    void unauthenticatedRequestsGet401_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no header") << "none";
        QTest::newRow("not bearer") << "basic";
        QTest::newRow("unknown token") << "unknown";
        QTest::newRow("garbage") << "garbage";
        QTest::newRow("signed out") << "revoked";
        QTest::newRow("expired") << "expired";
    }

    void unauthenticatedRequestsGet401()
    {
        QFETCH(QString, kind);
        QString token;
        QByteArray header;
        if (kind == u"revoked" || kind == u"expired") {
            const Account account = signUp(QStringLiteral("ended"));
            token = account.token;
            if (kind == u"revoked")
                VERIFY_ANSWER(post(QStringLiteral("logout"), {}, token), 200, true);
            else
                m_server.advance(91 * 86400); // sessions end after 90 days without use
        } else if (kind == u"unknown") {
            token = QString(64, u'a');
        } else if (kind == u"garbage") {
            token = QStringLiteral("' OR 1=1 --");
        }
        for (const char* endpoint : {"sync-url", "checkPin", "getblockwebsitebyuser"}) {
            const QString path = QStringLiteral("/api/v3/") + QString::fromLatin1(endpoint);
            const HttpReply reply = kind == u"basic"
                ? http().send("POST", path, "platform_unique_id=X", "application/x-www-form-urlencoded",
                    {{"Authorization", "Basic YW5uOnNlY3JldA=="}})
                : post(QString::fromLatin1(endpoint), {{"platform_unique_id", "X"}},
                    kind == u"none" ? QString() : token);
            VERIFY_ANSWER(reply, 401, false);
            QCOMPARE(msgOf(reply), QStringLiteral("Unauthenticated."));
        }
    }

    void signInAfterSignOutWithTheOldToken()
    {
        // The application keeps its old token after signing out and sends it with the next sign-in.
        const Account account = signUp(QStringLiteral("again"));
        VERIFY_ANSWER(post(QStringLiteral("logout"), {}, account.token), 200, true);
        const HttpReply reply = login(account.email, account.password, account.token);
        VERIFY_ANSWER(reply, 200, true);
        VERIFY_ANSWER(sync(account.token), 401, false);
    }

    void logoutEndsTheSession()
    {
        const Account account = signUp(QStringLiteral("logout"));
        const HttpReply reply = post(QStringLiteral("logout"), {}, account.token);
        VERIFY_ANSWER(reply, 200, true);
        VERIFY_SHAPE(reply, "LogoutModel");
        VERIFY_ANSWER(post(QStringLiteral("logout"), {}, account.token), 401, false);
        VERIFY_ANSWER(sync(account.token), 401, false);
    }

    void sessionsStayWhileUsed()
    {
        const Account account = signUp(QStringLiteral("sliding"));
        for (int month = 0; month < 5; ++month) {
            m_server.advance(60 * 86400);
            VERIFY_ANSWER(sync(account.token), 200, true);
        }
    }

    // ---- password reset and profile -------------------------------------------------------------

    void forgotPasswordSaysTheSameForEveryAddress()
    {
        const Account account = signUp(QStringLiteral("forgot"));
        const QString stranger = uniqueEmail(QStringLiteral("stranger"));
        const HttpReply known
            = post(QStringLiteral("forgot-password"), {{"email", account.email}}, appToken());
        const HttpReply unknown = post(QStringLiteral("forgot-password"), {{"email", stranger}}, appToken());
        VERIFY_ANSWER(known, 200, true);
        VERIFY_SHAPE(known, "BaseModel<AuthModel>");
        QCOMPARE(known.body, unknown.body);
        QTRY_COMPARE(mailsTo(account.email).size(), 1);
        QCOMPARE(mailsTo(stranger).size(), 0);
        const HttpReply malformed = post(QStringLiteral("forgot-password"), {{"email", ""}}, appToken());
        VERIFY_ANSWER(malformed, 200, false);
        QCOMPARE(msgOf(malformed), QStringLiteral("Please enter a valid email address."));
    }

    void resetLinkSetsANewPasswordOnce()
    {
        const Account account = signUp(QStringLiteral("reset"));
        VERIFY_ANSWER(
            post(QStringLiteral("forgot-password"), {{"email", account.email}}, appToken()), 200, true);
        QTRY_COMPARE(mailsTo(account.email).size(), 1);
        const QStringList mails = mailsTo(account.email);
        QCOMPARE(mails.size(), 1);
        const QRegularExpressionMatch link
            = QRegularExpression(QStringLiteral("(/password/reset\\?token=([0-9a-f]{64}))"))
                  .match(mails.first());
        QVERIFY(link.hasMatch());
        QVERIFY(mails.first().contains(m_server.baseUrl() + link.captured(1)));
        const QString token = link.captured(2);

        const HttpReply page = http().get(link.captured(1));
        QCOMPARE(page.status, 200);
        QVERIFY(page.headers.value("content-type").startsWith("text/html"));
        QCOMPARE(page.headers.value("cache-control"), QByteArray("no-store"));
        QVERIFY(page.body.contains("name=\"password\""));

        const auto submit = [&](const QString& password, const QString& confirmation) {
            return http().postRaw(QStringLiteral("/password/reset"),
                HttpClient::formEncode(
                    {{"token", token}, {"password", password}, {"password_confirmation", confirmation}}),
                "application/x-www-form-urlencoded", QString());
        };
        QCOMPARE(submit(QStringLiteral("new password 1"), QStringLiteral("new password 2")).status, 422);
        QCOMPARE(submit(QStringLiteral("short"), QStringLiteral("short")).status, 422);
        QCOMPARE(submit(QStringLiteral("new password 1"), QStringLiteral("new password 1")).status, 200);
        QCOMPARE(submit(QStringLiteral("new password 2"), QStringLiteral("new password 2")).status,
            404); // used up
        QCOMPARE(http().get(link.captured(1)).status, 404);

        VERIFY_ANSWER(sync(account.token), 401, false); // every session ended
        VERIFY_ANSWER(login(account.email, account.password), 200, false);
        const HttpReply signedIn = login(account.email, QStringLiteral("new password 1"));
        VERIFY_ANSWER(signedIn, 200, true);
        QVERIFY(!dataOf(signedIn).value(QStringLiteral("email_verified_at")).toString().isEmpty());
    }

    void resetLinkExpiresAfterAnHour()
    {
        const Account account = signUp(QStringLiteral("late"));
        VERIFY_ANSWER(
            post(QStringLiteral("forgot-password"), {{"email", account.email}}, appToken()), 200, true);
        QTRY_COMPARE(mailsTo(account.email).size(), 1);
        const QString path = QRegularExpression(QStringLiteral("/password/reset\\?token=[0-9a-f]{64}"))
                                 .match(mailsTo(account.email).first())
                                 .captured(0);
        m_server.advance(59 * 60);
        QCOMPARE(http().get(path).status, 200);
        m_server.advance(2 * 60);
        QCOMPARE(http().get(path).status, 404);
    }

    void updateProfile()
    {
        const Account account = signUp(QStringLiteral("profile"));
        const QString other
            = dataOf(login(account.email, account.password)).value(QStringLiteral("token")).toString();
        HttpReply reply = post(QStringLiteral("update-profile"),
            {{"name", "Zoë Ångström"}, {"device_name", "Bureau"}, {"password", ""}}, account.token);
        VERIFY_ANSWER(reply, 200, true);
        VERIFY_SHAPE(reply, "BaseModel<UpdateProfile>");
        QCOMPARE(dataOf(reply).value(QStringLiteral("name")).toString(), QStringLiteral("Zoë Ångström"));
        QCOMPARE(dataOf(reply).value(QStringLiteral("device_name")).toString(), QStringLiteral("Bureau"));
        VERIFY_ANSWER(login(account.email, account.password), 200, true); // an empty password keeps it
        VERIFY_ANSWER(sync(other), 200, true);

        // A refusal still carries the account, so the application keeps what it knows.
        reply = post(QStringLiteral("update-profile"),
            {{"name", "Zoë"}, {"device_name", "Bureau"}, {"password", "short"}}, account.token);
        VERIFY_ANSWER(reply, 200, false);
        VERIFY_SHAPE(reply, "BaseModel<UpdateProfile>");
        QCOMPARE(dataOf(reply).value(QStringLiteral("name")).toString(), QStringLiteral("Zoë Ångström"));

        reply = post(QStringLiteral("update-profile"),
            {{"name", ""}, {"device_name", "Bureau"}, {"password", "a new password"}}, account.token);
        VERIFY_ANSWER(reply, 200, true);
        QVERIFY(dataOf(reply).value(QStringLiteral("name")).isNull());
        VERIFY_ANSWER(login(account.email, account.password), 200, false);
        VERIFY_ANSWER(login(account.email, QStringLiteral("a new password")), 200, true);
        VERIFY_ANSWER(sync(account.token), 200, true); // the session that changed it stays
        VERIFY_ANSWER(sync(other), 401, false); // the others end
    }

    // ---- status synchronisation -----------------------------------------------------------------

    void syncReportsThePinAndRecordsTheDevice()
    {
        const Account account = signUp(QStringLiteral("sync"));
        HttpReply reply
            = post(QStringLiteral("sync-url"), {{"platform_unique_id", "MAC-UUID-1"}}, account.token);
        VERIFY_ANSWER(reply, 200, true);
        VERIFY_SHAPE(reply, "BaseModel<SyncURLModel>");
        QVERIFY(dataOf(reply).value(QStringLiteral("pin_protection")).isNull());
        VERIFY_ANSWER(setupPin(account), 200, true);
        reply = sync(account.token);
        VERIFY_SHAPE(reply, "BaseModel<SyncURLModel>");
        QVERIFY(dataOf(reply).value(QStringLiteral("pin_protection")).isObject());
        QTRY_VERIFY_WITH_TIMEOUT(
            m_server.admin({QStringLiteral("list-users")})
                .output.contains(QRegularExpression(QStringLiteral("\\t%1\\t.*2 device\\(s\\)")
                                                        .arg(QRegularExpression::escape(account.email)))),
            5000);
    }

    // ---- PIN -----------------------------------------------------------------------------------

    void setupPinChoices_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("refusal"); // empty when accepted
        QTest::newRow("12 hours") << "12"
                                  << "482913" << QString();
        QTest::newRow("24 hours") << "24"
                                  << "000001" << QString();
        QTest::newRow("48 hours") << "48"
                                  << "999999" << QString();
        QTest::newRow("forever") << "175200"
                                 << "123456" << QString();
        QTest::newRow("36 hours") << "36"
                                  << "123456"
                                  << "Please choose a waiting time of 12, 24 or 48 hours, or forever.";
        QTest::newRow("time not a number")
            << "twelve"
            << "123456"
            << "Please choose a waiting time of 12, 24 or 48 hours, or forever.";
        QTest::newRow("five digits") << "12"
                                     << "12345"
                                     << "Please enter a 6 digit pin.";
        QTest::newRow("sign and five digits") << "12"
                                              << "+12345"
                                              << "Please enter a 6 digit pin.";
        QTest::newRow("seven digits") << "12"
                                      << "1234567"
                                      << "Please enter a 6 digit pin.";
        QTest::newRow("letters") << "12"
                                 << "abcdef"
                                 << "Please enter a 6 digit pin.";
    }

    void setupPinChoices()
    {
        QFETCH(QString, time);
        QFETCH(QString, pin);
        QFETCH(QString, refusal);
        const Account account = signUp(QStringLiteral("setup"));
        const HttpReply reply = setupPin(account, pin, time);
        VERIFY_SHAPE(reply, "BaseModel<SetupPinModel>");
        if (!refusal.isEmpty()) {
            VERIFY_ANSWER(reply, 200, false);
            QCOMPARE(msgOf(reply), refusal);
            QVERIFY(dataOf(sync(account.token)).value(QStringLiteral("pin_protection")).isNull());
            return;
        }
        VERIFY_ANSWER(reply, 200, true);
        QCOMPARE(dataOf(reply).value(QStringLiteral("time")).toString(), time);
        QCOMPARE(dataOf(reply).value(QStringLiteral("pin")).toString(), QStringLiteral("******"));
        QCOMPARE(dataOf(reply).value(QStringLiteral("user_id")).toInteger(), account.id);
        VERIFY_ANSWER(checkPin(account, pin), 200, true);
    }

    void setupPinNeverReplacesAPin()
    {
        const Account account = signUp(QStringLiteral("twice"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("111111")), 200, true);
        const HttpReply again = setupPin(account, QStringLiteral("222222"));
        VERIFY_ANSWER(again, 200, false);
        QCOMPARE(msgOf(again), QStringLiteral("A pin is already set for this account."));
        VERIFY_ANSWER(checkPin(account, QStringLiteral("111111")), 200, true);
        VERIFY_ANSWER(checkPin(account, QStringLiteral("222222")), 200, false);
    }

    void checkPinCountsWrongTriesAndBlocks()
    {
        const Account account = signUp(QStringLiteral("block"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("482913")), 200, true);
        // The application's "attempt" is ignored: it sends 1 every time here.
        for (int attempt = 1; attempt <= 3; ++attempt) {
            const HttpReply reply = checkPin(account, QStringLiteral("000000"));
            VERIFY_ANSWER(reply, 200, false);
            VERIFY_SHAPE(reply, "BaseModel<CheckPinModel>");
            QCOMPARE(msgOf(reply), QStringLiteral("Please enter a valid otp."));
            QCOMPARE(dataOf(reply).value(QStringLiteral("is_block")).toInt(), attempt == 3 ? 1 : 0);
            QCOMPARE(dataOf(reply).value(QStringLiteral("pin")).toInt(), 0);
        }
        // Blocked: even the right PIN is refused until the block ends.
        HttpReply reply = checkPin(account, QStringLiteral("482913"));
        VERIFY_ANSWER(reply, 200, false);
        VERIFY_SHAPE(reply, "BaseModel<CheckPinModel>");
        QCOMPARE(msgOf(reply), QStringLiteral("Your pin has been bloked."));
        QCOMPARE(dataOf(reply).value(QStringLiteral("is_block")).toInt(), 1);
        m_server.advance(14 * 60 + 59);
        QCOMPARE(
            msgOf(checkPin(account, QStringLiteral("482913"))), QStringLiteral("Your pin has been bloked."));
        QCOMPARE(dataOf(sync(account.token))
                     .value(QStringLiteral("pin_protection"))
                     .toObject()
                     .value(QStringLiteral("is_block"))
                     .toInt(),
            1);
        m_server.advance(1);
        reply = checkPin(account, QStringLiteral("482913"));
        VERIFY_ANSWER(reply, 200, true);
        QCOMPARE(dataOf(reply).value(QStringLiteral("is_block")).toInt(), 0);
    }

    void rightPinStartsTheCountAgain()
    {
        const Account account = signUp(QStringLiteral("reset-count"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("482913")), 200, true);
        for (const char* pin : {"000000", "000000", "482913", "000000", "000000"})
            checkPin(account, QString::fromLatin1(pin));
        VERIFY_ANSWER(checkPin(account, QStringLiteral("482913")), 200, true);
    }

    void checkPinWithoutPin()
    {
        const Account account = signUp(QStringLiteral("nopin"));
        const HttpReply reply = checkPin(account, QStringLiteral("123456"));
        VERIFY_ANSWER(reply, 200, false);
        VERIFY_SHAPE(reply, "BaseModel<CheckPinModel>");
        QCOMPARE(msgOf(reply), QStringLiteral("No pin is set for this account."));
        VERIFY_ANSWER(post(QStringLiteral("retrievePin"), {{"user_id", ""}}, account.token), 200, false);
    }

    void updatePin()
    {
        const Account account = signUp(QStringLiteral("update"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("482913"), QStringLiteral("48")), 200, true);
        HttpReply reply
            = post(QStringLiteral("updatePin"), {{"old_pin", "482913"}, {"pin", "12345"}}, account.token);
        VERIFY_ANSWER(reply, 200, false); // a bad new PIN costs no try
        QCOMPARE(msgOf(reply), QStringLiteral("Please enter a 6 digit pin."));
        reply = post(QStringLiteral("updatePin"), {{"old_pin", "482913"}, {"pin", "765432"}}, account.token);
        VERIFY_ANSWER(reply, 200, true);
        VERIFY_SHAPE(reply, "BaseModel<UpdatePinModel>");
        QCOMPARE(dataOf(reply).value(QStringLiteral("pin")).toString(), QStringLiteral("******"));
        QCOMPARE(dataOf(reply).value(QStringLiteral("time")).toInt(), 48);
        VERIFY_ANSWER(checkPin(account, QStringLiteral("765432")), 200, true);
        VERIFY_ANSWER(checkPin(account, QStringLiteral("482913")), 200, false);
    }

    void updatePinWithAWrongOldPinCountsAsATry()
    {
        const Account account = signUp(QStringLiteral("update-wrong"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("482913")), 200, true);
        for (int i = 0; i < 3; ++i) {
            const HttpReply reply = post(
                QStringLiteral("updatePin"), {{"old_pin", "111111"}, {"pin", "222222"}}, account.token);
            VERIFY_ANSWER(reply, 200, false);
            VERIFY_SHAPE(reply, "BaseModel<UpdatePinModel>");
            QCOMPARE(msgOf(reply), QStringLiteral("Your old pin is not correct."));
        }
        QCOMPARE(
            msgOf(checkPin(account, QStringLiteral("482913"))), QStringLiteral("Your pin has been bloked."));
        QCOMPARE(msgOf(post(
                     QStringLiteral("updatePin"), {{"old_pin", "482913"}, {"pin", "222222"}}, account.token)),
            QStringLiteral("Your pin has been bloked."));
    }

    void weakeningNeedsARecentPinCheck()
    {
        Account account = signUp(QStringLiteral("lock"));
        const HttpReply added = post(QStringLiteral("blockwesitebyuser"),
            {{"user_id", QString::number(account.id)}, {"domain", "casino.example"}}, account.token);
        const qint64 websiteId = dataOf(added).value(QStringLiteral("id")).toInteger();
        VERIFY_ANSWER(setupPin(account), 200, true);

        HttpReply removal = post(QStringLiteral("removepin"), {}, account.token);
        VERIFY_ANSWER(removal, 200, false);
        VERIFY_SHAPE(removal, "DisablePinModel");
        QCOMPARE(msgOf(removal), QStringLiteral("Please verify your pin first."));
        HttpReply unblock = post(QStringLiteral("unblockwesitebyuser"),
            {{"domain_id", QString::number(websiteId)}}, account.token);
        VERIFY_ANSWER(unblock, 200, false);
        VERIFY_SHAPE(unblock, "UnblockWebsiteModel");

        // Another session's check does not open this one.
        const QString other
            = dataOf(login(account.email, account.password)).value(QStringLiteral("token")).toString();
        VERIFY_ANSWER(
            post(QStringLiteral("checkPin"), {{"user_id", ""}, {"attempt", "1"}, {"pin", "482913"}}, other),
            200, true);
        VERIFY_ANSWER(post(QStringLiteral("removepin"), {}, account.token), 200, false);

        // A check opens it for five minutes.
        VERIFY_ANSWER(checkPin(account, QStringLiteral("482913")), 200, true);
        m_server.advance(5 * 60);
        unblock = post(QStringLiteral("unblockwesitebyuser"), {{"domain_id", QString::number(websiteId)}},
            account.token);
        VERIFY_ANSWER(unblock, 200, true);
        VERIFY_SHAPE(unblock, "UnblockWebsiteModel");
        QCOMPARE(unblock.json().value(QStringLiteral("data")).toInteger(), websiteId);
        m_server.advance(1);
        VERIFY_ANSWER(post(QStringLiteral("removepin"), {}, account.token), 200, false);

        VERIFY_ANSWER(checkPin(account, QStringLiteral("482913")), 200, true);
        removal = post(QStringLiteral("removepin"), {}, account.token);
        VERIFY_ANSWER(removal, 200, true);
        VERIFY_SHAPE(removal, "DisablePinModel");
        QVERIFY(dataOf(sync(account.token)).value(QStringLiteral("pin_protection")).isNull());
        // Without a PIN nothing is locked.
        VERIFY_ANSWER(post(QStringLiteral("removepin"), {}, account.token), 200, true);
    }

    // ---- PIN retrieval ----------------------------------------------------------------------------

    void retrievalMailsThePinAfterTheWaitingTime_data()
    {
        QTest::addColumn<int>("hours");
        QTest::newRow("12 hours") << 12;
        QTest::newRow("24 hours") << 24;
        QTest::newRow("48 hours") << 48;
    }

    void retrievalMailsThePinAfterTheWaitingTime()
    {
        QFETCH(int, hours);
        const Account account = signUp(QStringLiteral("retrieve"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("305721"), QString::number(hours)), 200, true);
        const HttpReply reply
            = post(QStringLiteral("retrievePin"), {{"user_id", QString::number(account.id)}}, account.token);
        VERIFY_ANSWER(reply, 200, true);
        VERIFY_SHAPE(reply, "BaseModel<RetrievePinModel>");
        QCOMPARE(dataOf(reply).value(QStringLiteral("pin")).toInt(), 0);
        QCOMPARE(
            dataOf(reply).value(QStringLiteral("user")).toObject().value(QStringLiteral("email")).toString(),
            account.email);
        QVERIFY(!reply.body.contains("305721"));

        m_server.advance(hours * 3600 - 60);
        // Asking again does not push the mail further away.
        VERIFY_ANSWER(post(QStringLiteral("retrievePin"), {{"user_id", ""}}, account.token), 200, true);
        sendDueMail();
        QCOMPARE(mailsTo(account.email).size(), 0);
        m_server.advance(60);
        sendDueMail();
        const QStringList mails = mailsTo(account.email);
        QCOMPARE(mails.size(), 1);
        QVERIFY(mails.first().contains(QStringLiteral("Your pin code is: 305721")));
        sendDueMail();
        QCOMPARE(mailsTo(account.email).size(), 1); // never twice
    }

    void foreverIsNeverMailed()
    {
        const Account account = signUp(QStringLiteral("forever"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("305721"), QStringLiteral("175200")), 200, true);
        const HttpReply reply
            = post(QStringLiteral("retrievePin"), {{"user_id", QString::number(account.id)}}, account.token);
        VERIFY_ANSWER(reply, 200, true);
        VERIFY_SHAPE(reply, "BaseModel<RetrievePinModel>");
        QVERIFY(msgOf(reply).contains(QStringLiteral("live chat")));
        m_server.advance(30LL * 365 * 86400);
        sendDueMail();
        QCOMPARE(mailsTo(account.email).size(), 0);
    }

    void changedPinCancelsTheRetrieval()
    {
        const Account account = signUp(QStringLiteral("changed"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("305721")), 200, true);
        VERIFY_ANSWER(post(QStringLiteral("retrievePin"), {{"user_id", ""}}, account.token), 200, true);
        VERIFY_ANSWER(
            post(QStringLiteral("updatePin"), {{"old_pin", "305721"}, {"pin", "111222"}}, account.token), 200,
            true);
        m_server.advance(13 * 3600);
        sendDueMail();
        QCOMPARE(mailsTo(account.email).size(), 0);
    }

    // ---- blacklist --------------------------------------------------------------------------------

    void blacklistKeepsWhatWasTyped_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::newRow("host with www") << "www.bet365.com";
        QTest::newRow("SQL-looking") << "x'); DROP TABLE blocked_websites; --";
        QTest::newRow("quotes and backslash") << "a\"b\\c'd";
        QTest::newRow("German") << QStringLiteral("bücher-wetten.de");
        QTest::newRow("Japanese") << QStringLiteral("例え.テスト");
        QTest::newRow("emoji") << QStringLiteral("🎰.example");
        QTest::newRow("scheme kept by the application") << "ftp:";
        QTest::newRow("percent sign") << "100%.example";
    }

    void blacklistKeepsWhatWasTyped()
    {
        QFETCH(QString, domain);
        const Account account = signUp(QStringLiteral("blacklist"));
        const HttpReply added = post(QStringLiteral("blockwesitebyuser"),
            {{"user_id", QString::number(account.id)}, {"domain", domain}}, account.token);
        VERIFY_ANSWER(added, 200, true);
        VERIFY_SHAPE(added, "BaseModel<BlockData>");
        QCOMPARE(dataOf(added).value(QStringLiteral("domain")).toString(), domain);
        const HttpReply list = post(QStringLiteral("getblockwebsitebyuser?page=1"),
            {{"user_id", QString::number(account.id)}}, account.token);
        VERIFY_ANSWER(list, 200, true);
        VERIFY_SHAPE(list, "BaseModel<BlockWebsiteModel>");
        const QJsonArray rows = dataOf(list).value(QStringLiteral("data")).toArray();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().toObject().value(QStringLiteral("domain")).toString(), domain);
        const HttpReply duplicate
            = post(QStringLiteral("blockwesitebyuser"), {{"user_id", ""}, {"domain", domain}}, account.token);
        VERIFY_ANSWER(duplicate, 200, false);
        QCOMPARE(msgOf(duplicate), QStringLiteral("This website is already in your blacklist."));
    }

    void blacklistRefusesNothingToBlock_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("line break") << "a.example\nb.example";
        QTest::newRow("too long") << QString(256, u'a');
    }

    void blacklistRefusesNothingToBlock()
    {
        QFETCH(QString, domain);
        const Account account = signUp(QStringLiteral("empty-domain"));
        const HttpReply reply
            = post(QStringLiteral("blockwesitebyuser"), {{"user_id", ""}, {"domain", domain}}, account.token);
        VERIFY_ANSWER(reply, 200, false);
        VERIFY_SHAPE(reply, "BaseModel<BlockData>");
        QCOMPARE(msgOf(reply), QStringLiteral("Please enter a valid website."));
    }

    void blacklistPages()
    {
        const Account account = signUp(QStringLiteral("pages"));
        for (int i = 1; i <= 501; ++i)
            QCOMPARE(
                post(QStringLiteral("blockwesitebyuser"),
                    {{"user_id", ""}, {"domain", QStringLiteral("site%1.example").arg(i)}}, account.token)
                    .status,
                200);
        HttpReply page
            = post(QStringLiteral("getblockwebsitebyuser?page=1"), {{"user_id", ""}}, account.token);
        VERIFY_SHAPE(page, "BaseModel<BlockWebsiteModel>");
        QJsonObject data = dataOf(page);
        QCOMPARE(data.value(QStringLiteral("data")).toArray().size(), 500);
        QCOMPARE(data.value(QStringLiteral("data"))
                     .toArray()
                     .first()
                     .toObject()
                     .value(QStringLiteral("domain"))
                     .toString(),
            QStringLiteral("site1.example"));
        QCOMPARE(data.value(QStringLiteral("total")).toInt(), 501);
        QCOMPARE(data.value(QStringLiteral("per_page")).toInt(), 500);
        QCOMPARE(data.value(QStringLiteral("last_page")).toInt(), 2);
        QCOMPARE(data.value(QStringLiteral("next_page_url")).toString(),
            m_server.baseUrl() + QStringLiteral("/api/v3/getblockwebsitebyuser?page=2"));
        QCOMPARE(data.value(QStringLiteral("path")).toString(),
            m_server.baseUrl() + QStringLiteral("/api/v3/getblockwebsitebyuser"));

        page = post(QStringLiteral("getblockwebsitebyuser?page=2"), {{"user_id", ""}}, account.token);
        VERIFY_SHAPE(page, "BaseModel<BlockWebsiteModel>");
        data = dataOf(page);
        QCOMPARE(data.value(QStringLiteral("data")).toArray().size(), 1);
        QCOMPARE(data.value(QStringLiteral("from")).toInt(), 501);
        QCOMPARE(data.value(QStringLiteral("to")).toInt(), 501);
        QVERIFY(data.value(QStringLiteral("next_page_url")).isNull());

        page = post(QStringLiteral("getblockwebsitebyuser?page=3"), {{"user_id", ""}}, account.token);
        VERIFY_SHAPE(page, "BaseModel<BlockWebsiteModel>");
        QCOMPARE(dataOf(page).value(QStringLiteral("data")).toArray().size(), 0);
        QVERIFY(dataOf(page).value(QStringLiteral("from")).isNull());

        for (const char* bad : {"0", "-1", "abc", "1%20OR%201=1"})
            VERIFY_ANSWER(post(QStringLiteral("getblockwebsitebyuser?page=") + QString::fromLatin1(bad),
                              {{"user_id", ""}}, account.token),
                422, false);
        // Without a page the first one is meant.
        QCOMPARE(dataOf(post(QStringLiteral("getblockwebsitebyuser"), {{"user_id", ""}}, account.token))
                     .value(QStringLiteral("current_page"))
                     .toInt(),
            1);
    }

    // ---- one account never reaches another ------------------------------------------------------

    void otherAccountsAreOutOfReach_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QString>("extraKey");
        QTest::addColumn<QString>("extraValue");
        QTest::newRow("checkPin") << "checkPin"
                                  << "pin"
                                  << "482913";
        QTest::newRow("retrievePin") << "retrievePin" << QString() << QString();
        QTest::newRow("list") << "getblockwebsitebyuser?page=1" << QString() << QString();
        QTest::newRow("block") << "blockwesitebyuser"
                               << "domain"
                               << "victim.example";
    }

    void otherAccountsAreOutOfReach()
    {
        QFETCH(QString, endpoint);
        QFETCH(QString, extraKey);
        QFETCH(QString, extraValue);
        const Account victim = signUp(QStringLiteral("victim"));
        const Account intruder = signUp(QStringLiteral("intruder"));
        VERIFY_ANSWER(setupPin(victim, QStringLiteral("482913")), 200, true);
        Fields fields {{"user_id", QString::number(victim.id)}};
        if (!extraKey.isEmpty())
            fields.append({extraKey, extraValue});
        const HttpReply reply = post(endpoint, fields, intruder.token);
        VERIFY_ANSWER(reply, 403, false);
        QVERIFY(!reply.json().contains(QStringLiteral("data")));
        // Nothing happened to the victim.
        const QJsonObject victimList
            = dataOf(post(QStringLiteral("getblockwebsitebyuser?page=1"), {{"user_id", ""}}, victim.token));
        QCOMPARE(victimList.value(QStringLiteral("total")).toInt(), 0);
        QCOMPARE(mailsTo(victim.email).size(), 0);
        sendDueMail();
        VERIFY_ANSWER(checkPin(victim, QStringLiteral("482913")), 200, true);
    }

    void otherAccountsWebsitesCannotBeUnblocked()
    {
        const Account victim = signUp(QStringLiteral("victim-site"));
        const Account intruder = signUp(QStringLiteral("intruder-site"));
        const HttpReply added = post(QStringLiteral("blockwesitebyuser"),
            {{"user_id", ""}, {"domain", "casino.example"}}, victim.token);
        const qint64 id = dataOf(added).value(QStringLiteral("id")).toInteger();
        const HttpReply reply = post(
            QStringLiteral("unblockwesitebyuser"), {{"domain_id", QString::number(id)}}, intruder.token);
        VERIFY_ANSWER(reply, 200, false);
        VERIFY_SHAPE(reply, "UnblockWebsiteModel");
        QCOMPARE(msgOf(reply), QStringLiteral("This website is not in your blacklist."));
        QCOMPARE(dataOf(post(QStringLiteral("getblockwebsitebyuser?page=1"), {{"user_id", ""}}, victim.token))
                     .value(QStringLiteral("total"))
                     .toInt(),
            1);
    }

    // ---- malformed requests ------------------------------------------------------------------------

    void malformedRequestsGet422_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        const QByteArray form = "application/x-www-form-urlencoded";
        QTest::newRow("invalid UTF-8") << "blockwesitebyuser" << QByteArray("user_id=&domain=%FF%FE") << form;
        QTest::newRow("raw invalid UTF-8")
            << "blockwesitebyuser" << QByteArray("user_id=&domain=\xC3\x28") << form;
        QTest::newRow("broken escape") << "checkPin" << QByteArray("user_id=&pin=%G1") << form;
        QTest::newRow("field twice") << "checkPin" << QByteArray("user_id=&pin=111111&pin=482913") << form;
        QTest::newRow("NUL") << "blockwesitebyuser" << QByteArray("user_id=&domain=a%00b") << form;
        QTest::newRow("JSON body") << "checkPin" << QByteArray(R"({"pin":"482913"})")
                                   << QByteArray("application/json");
        QTest::newRow("other charset") << "checkPin" << QByteArray("pin=482913")
                                       << QByteArray("application/x-www-form-urlencoded; charset=latin1");
        QTest::newRow("user_id not a number")
            << "checkPin" << QByteArray("user_id=1%20OR%201%3D1&pin=482913") << form;
        QTest::newRow("pin missing") << "checkPin" << QByteArray("user_id=&attempt=1") << form;
        QTest::newRow("domain_id not a number")
            << "unblockwesitebyuser" << QByteArray("domain_id=1;DELETE") << form;
        QTest::newRow("domain_id missing") << "unblockwesitebyuser" << QByteArray() << form;
        QTest::newRow("time missing") << "setupPin" << QByteArray("pin=123456") << form;
    }

    void malformedRequestsGet422()
    {
        QFETCH(QString, endpoint);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        const Account account = signUp(QStringLiteral("malformed"));
        const HttpReply reply
            = http().postRaw(QStringLiteral("/api/v3/") + endpoint, body, contentType, account.token);
        VERIFY_ANSWER(reply, 422, false);
        QCOMPARE(reply.json().value(QStringLiteral("code")).toInt(), 422);
        QVERIFY(!msgOf(reply).isEmpty());
        VERIFY_ANSWER(sync(account.token), 200, true);
    }

    void signInEndpointsRefuseMalformedRequests()
    {
        const HttpReply noSocial
            = post(QStringLiteral("login"), {{"email", "a@b.org"}, {"password", "x"}}, appToken());
        VERIFY_ANSWER(noSocial, 422, false);
        const HttpReply unknownSocial = post(QStringLiteral("login"),
            {{"email", "a@b.org"}, {"password", "x"}, {"social_media", "7"}}, appToken());
        VERIFY_ANSWER(unknownSocial, 422, false);
        const HttpReply socialSignup = post(QStringLiteral("signup"),
            {{"email", "a@b.org"}, {"password", "long enough"}, {"device_name", "x"}, {"social_media", "2"}},
            appToken());
        VERIFY_ANSWER(socialSignup, 422, false);
    }

    void plusInAFormIsABlank()
    {
        const Account account = signUp(QStringLiteral("plus"));
        const HttpReply reply = http().postRaw(QStringLiteral("/api/v3/update-profile"),
            "name=Ann+Marie&device_name=C%2B%2B+Mac&password=",
            "application/x-www-form-urlencoded; charset=utf-8", account.token);
        VERIFY_ANSWER(reply, 200, true);
        QCOMPARE(dataOf(reply).value(QStringLiteral("name")).toString(), QStringLiteral("Ann Marie"));
        QCOMPARE(dataOf(reply).value(QStringLiteral("device_name")).toString(), QStringLiteral("C++ Mac"));
    }

    void bodiesOverTheLimitGet413()
    {
        const Account account = signUp(QStringLiteral("large"));
        const QByteArray prefix = "user_id=&domain=";
        QByteArray body = prefix + QByteArray(64 * 1024 - prefix.size() + 1, 'a');
        HttpReply reply = http().postRaw(QStringLiteral("/api/v3/blockwesitebyuser"), body,
            "application/x-www-form-urlencoded", account.token);
        VERIFY_ANSWER(reply, 413, false);
        QCOMPARE(reply.json().value(QStringLiteral("code")).toInt(), 413);
        // Exactly the limit is read (and refused for what it says, not for its size).
        body.chop(1);
        reply = http().postRaw(QStringLiteral("/api/v3/blockwesitebyuser"), body,
            "application/x-www-form-urlencoded", account.token);
        VERIFY_ANSWER(reply, 200, false);
        QCOMPARE(msgOf(reply), QStringLiteral("Please enter a valid website."));
    }

    void neverAnHtmlErrorPage_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("httpStatus");
        QTest::newRow("GET on an endpoint") << QByteArray("GET") << "/api/v3/login" << 405;
        QTest::newRow("PUT on an endpoint") << QByteArray("PUT") << "/api/v3/login" << 405;
        QTest::newRow("unknown endpoint") << QByteArray("POST") << "/api/v3/deleteEverything" << 404;
        QTest::newRow("other version") << QByteArray("POST") << "/api/v2/login" << 404;
        QTest::newRow("root") << QByteArray("GET") << "/" << 404;
        QTest::newRow("path traversal") << QByteArray("GET") << "/../../etc/passwd" << 404;
        QTest::newRow("health") << QByteArray("GET") << "/health" << 200;
    }

    void neverAnHtmlErrorPage()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(int, httpStatus);
        const HttpReply reply = http().send(method, path, method == "PUT" ? QByteArray("a=1") : QByteArray(),
            "application/x-www-form-urlencoded");
        QCOMPARE(reply.status, httpStatus);
        QCOMPARE(reply.headers.value("content-type"), QByteArray("application/json"));
        VERIFY_SHAPE(reply, "BaseModel<SyncURLModel>");
    }

    // ---- many requests at once ---------------------------------------------------------------------

    void concurrentSignUpsOfOneAddress()
    {
        const QString email = uniqueEmail(QStringLiteral("race"));
        std::atomic<int> created = 0;
        std::atomic<int> taken = 0;
        std::vector<std::thread> threads;
        for (int i = 0; i < 12; ++i) {
            threads.emplace_back([&] {
                HttpClient client(m_server.port());
                const HttpReply reply = client.post(QStringLiteral("signup"),
                    {{"social_media", "0"}, {"device_name", "Mac"}, {"email", email},
                        {"password", "correct horse"}, {"profile_id", "0"}},
                    appToken());
                if (reply.json().value(QStringLiteral("status")).toBool())
                    ++created;
                else if (msgOf(reply) == u"The email has already been taken.")
                    ++taken;
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QCOMPARE(created.load(), 1);
        QCOMPARE(taken.load(), 11);
    }

    void concurrentWrongPinsStillBlockAfterThree()
    {
        const Account account = signUp(QStringLiteral("burst"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("482913")), 200, true);
        std::atomic<int> wrong = 0;
        std::atomic<int> blocked = 0;
        std::vector<std::thread> threads;
        // Sixteen guesses sent at once get three tries between them, not sixteen.
        for (int i = 0; i < 16; ++i) {
            threads.emplace_back([&] {
                HttpClient client(m_server.port());
                const QString msg = msgOf(client.post(QStringLiteral("checkPin"),
                    {{"user_id", ""}, {"attempt", "1"}, {"pin", "000000"}}, account.token));
                if (msg == u"Please enter a valid otp.")
                    ++wrong;
                else if (msg == u"Your pin has been bloked.")
                    ++blocked;
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QCOMPARE(wrong.load(), 3);
        QCOMPARE(blocked.load(), 13);
        QCOMPARE(
            msgOf(checkPin(account, QStringLiteral("482913"))), QStringLiteral("Your pin has been bloked."));
    }

    void concurrentSynchronisations()
    {
        const Account account = signUp(QStringLiteral("many"));
        VERIFY_ANSWER(setupPin(account), 200, true);
        std::atomic<int> good = 0;
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([&] {
                HttpClient client(m_server.port());
                for (int i = 0; i < 25; ++i) {
                    const HttpReply reply = client.post(
                        QStringLiteral("sync-url"), {{"platform_unique_id", "MANY"}}, account.token);
                    if (reply.status == 200
                        && clientDecodingError(reply.body, QStringLiteral("BaseModel<SyncURLModel>"))
                               .isEmpty()
                        && reply.json()
                               .value(QStringLiteral("data"))
                               .toObject()
                               .value(QStringLiteral("pin_protection"))
                               .isObject())
                        ++good;
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QCOMPARE(good.load(), 200);
    }

    // ---- support commands ----------------------------------------------------------------------

    void supportCommands()
    {
        const Account account = signUp(QStringLiteral("support"));
        VERIFY_ANSWER(setupPin(account, QStringLiteral("271828"), QStringLiteral("175200")), 200, true);
        ServerProcess::CommandResult result = m_server.admin(
            {QStringLiteral("reveal-pin"), QStringLiteral("--email"), account.email.toUpper()});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.output.contains(QStringLiteral("271828")), qPrintable(result.output));

        for (int i = 0; i < 3; ++i)
            checkPin(account, QStringLiteral("000000"));
        QCOMPARE(
            msgOf(checkPin(account, QStringLiteral("271828"))), QStringLiteral("Your pin has been bloked."));
        result = m_server.admin({QStringLiteral("unblock-pin"), QStringLiteral("--email"), account.email});
        QCOMPARE(result.exitCode, 0);
        VERIFY_ANSWER(checkPin(account, QStringLiteral("271828")), 200, true);

        result = m_server.admin({QStringLiteral("list-users")});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.output.contains(account.email));
        QVERIFY(result.output.contains(QStringLiteral("pin, forever")));
        QVERIFY(!result.output.contains(QStringLiteral("271828")));

        result = m_server.admin(
            {QStringLiteral("reveal-pin"), QStringLiteral("--email"), uniqueEmail(QStringLiteral("ghost"))});
        QCOMPARE(result.exitCode, 1);
        result = m_server.admin({QStringLiteral("unblock-pin"), QStringLiteral("--email"),
            signUp(QStringLiteral("nopin2")).email});
        QCOMPARE(result.exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestServerApi)
#include "tst_serverapi.moc"
