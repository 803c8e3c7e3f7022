#include "ClientDecoding.h"
#include "DataRow.h"
#include "ServerAccounts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QMutex>
#include <QRegularExpression>
#include <QTest>
#include <QTimeZone>

#include <thread>

// Every endpoint of brevak-server over HTTP, against the real program: the answers (each decoded with
// the application's own strict records), the refusals it shows, the 401s that sign it out, and the
// rules the server enforces on its own. Runs on SQLite, and on PostgreSQL when
// BREVAK_TEST_DATABASE_URL is set (tests/server/with-postgresql.sh).

namespace {

const QString googleClient = "test-client.apps.googleusercontent.com";
const QString facebookApp = "424242424242";

struct Account
{
    qint64 id = 0;
    QString email;
    QString password;
    QString token;
};

QString msgOf(const HttpReply& reply)
{
    return at(reply, "msg").toString();
}

// Empty when the reply has this HTTP status and `status` value, decodes as the named record with the
// application's own decoder, and carries the given `msg` (when those are given); else what is wrong.
QString mismatch(const HttpReply& reply, int httpStatus, bool status, const char* record = nullptr,
    const QString& msg = {})
{
    QString problem;
    if (reply.status != httpStatus || at(reply, "status").toBool() != status)
        problem = QString("expected %1 with status %2").arg(httpStatus).arg(status);
    else if (record)
        problem = clientDecodingError(reply.body, record);
    if (problem.isEmpty() && !msg.isNull() && msgOf(reply) != msg)
        problem = "expected the message \"" + msg + "\"";
    return problem.isEmpty()
        ? problem
        : problem + " in " + QString::number(reply.status) + " " + QString::fromUtf8(reply.body);
}

} // namespace

// Evaluates its reply expression once.
#define VERIFY_REPLY(reply, ...)                                                                             \
    do {                                                                                                     \
        const QString problem_ = mismatch((reply), __VA_ARGS__);                                             \
        QVERIFY2(problem_.isEmpty(), qPrintable(problem_));                                                  \
    } while (false)

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
        return QString("%1.%2.%3@example.org")
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
        Account account {0, uniqueEmail(tag), testPassword, {}};
        const HttpReply reply = signUpOver(http(), account.email);
        account.id = at(reply, "data.id").toInteger();
        account.token = sessionOf(reply);
        return account;
    }

    HttpReply login(const QString& email, const QString& password, const QString& token = appToken())
    {
        return post("login",
            {{"email", email}, {"password", password}, {"social_media", "0"},
                {"platform_unique_id", "0A1B2C3D-TEST"}},
            token);
    }

    HttpReply setupPin(const Account& account, const QString& pin = "482913", const QString& time = "12")
    {
        return post("setupPin", {{"time", time}, {"pin", pin}}, account.token);
    }

    HttpReply checkPin(const Account& account, const QString& pin, const QString& token = {})
    {
        return post("checkPin", {{"user_id", QString::number(account.id)}, {"attempt", "1"}, {"pin", pin}},
            token.isEmpty() ? account.token : token);
    }

    HttpReply sync(const QString& token)
    {
        return post("sync-url", {{"platform_unique_id", "0A1B2C3D-TEST"}}, token);
    }

    HttpReply listWebsites(const Account& account, const QString& query = "?page=1")
    {
        return post("getblockwebsitebyuser" + query, {{"user_id", ""}}, account.token);
    }

    HttpReply blockWebsite(const Account& account, const QString& domain)
    {
        return post("blockwesitebyuser", {{"user_id", QString::number(account.id)}, {"domain", domain}},
            account.token);
    }

    // Sends the PIN mails that are due now, as the server's sender would.
    void sendDueMail()
    {
        const ServerProcess::CommandResult result = m_server.admin({"send-due-mail"});
        if (result.exitCode != 0)
            qWarning() << result.output;
    }

    // Asks for a password reset and returns the link's path from the mail.
    QString resetPath(const Account& account)
    {
        const HttpReply asked = post("forgot-password", {{"email", account.email}}, appToken());
        if (!mismatch(asked, 200, true).isEmpty()
            || !QTest::qWaitFor([&] { return m_server.mailsTo(account.email).size() == 1; }))
            return {};
        return QRegularExpression("/password/reset\\?token=[0-9a-f]{64}")
            .match(m_server.mailsTo(account.email).first())
            .captured(0);
    }

    // Runs `threads` clients at once, each sending `eachThread` requests, and returns every reply.
    QList<HttpReply> concurrently(
        int threads, int eachThread, const std::function<HttpReply(HttpClient&)>& send)
    {
        QMutex mutex;
        QList<HttpReply> replies;
        std::vector<std::thread> running;
        for (int t = 0; t < threads; ++t) {
            running.emplace_back([&] {
                HttpClient client(m_server.port());
                for (int i = 0; i < eachThread; ++i) {
                    const HttpReply reply = send(client);
                    QMutexLocker lock(&mutex);
                    replies.append(reply);
                }
            });
        }
        for (std::thread& thread : running)
            thread.join();
        return replies;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.start({"--google-tokeninfo-url", m_provider.googleUrl(), "--facebook-graph-url",
            m_provider.facebookUrl(), "--facebook-app-url", m_provider.facebookAppUrl(), "--facebook-app-id",
            facebookApp, "--google-client-id", googleClient, "--pin-block-minutes", "20"}));
        m_http = std::make_unique<HttpClient>(m_server.port());
        qInfo() << "database:"
                << (ServerProcess::testDatabaseUrl().isEmpty() ? "SQLite" : ServerProcess::testDatabaseUrl());
    }

    void cleanupTestCase()
    {
        m_http.reset();
        QCOMPARE(m_server.stop(), 0);
    }

    // ---- sign-up and sign-in -------------------------------------------------------------------

    void signUpAnswersTheAccountWithASession()
    {
        const QString email = uniqueEmail("Signup");
        const HttpReply reply = signUpOver(http(), email, "correct horse", "Ann's Mac");
        VERIFY_REPLY(reply, 200, true, "BaseModel<AuthModel>");
        QCOMPARE(at(reply, "data.email").toString(), email);
        QCOMPARE(at(reply, "data.device_name").toString(), "Ann's Mac");
        const QString token = at(reply, "data.token").toString();
        QCOMPARE(token.size(), 64);
        VERIFY_REPLY(sync(token), 200, true);
    }

    void signUpRefusals_data()
    {
        QTest::addColumn<QString>("email"); // empty: a fresh one; "taken"/"TAKEN": an existing one
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        const QString shortPassword = "The password must be at least 8 characters.";
        const QString taken = "The email has already been taken.";
        dataRow("malformed address", "ann.example.org", "correct horse",
            "The email must be a valid email address.");
        dataRow("short password", "", "short", shortPassword);
        dataRow(
            "password over 1024", "", QString(1025, u'x'), "The password must be at most 1024 characters.");
        dataRow("taken address", "taken", "correct horse", taken);
        dataRow("taken in other case", "TAKEN", "correct horse", taken);
    }

    void signUpRefusals()
    {
        QFETCH(QString, email);
        QFETCH(QString, password);
        QFETCH(QString, message);
        if (email.isEmpty())
            email = uniqueEmail("refused");
        if (email.compare("taken", Qt::CaseInsensitive) == 0) {
            const Account existing = signUp("taken");
            email = email == u"TAKEN" ? existing.email.toUpper() : existing.email;
        }
        VERIFY_REPLY(signUpOver(http(), email, password), 200, false, "BaseModel<AuthModel>", message);
    }

    void signInWithPassword()
    {
        const Account account = signUp("signin");
        const HttpReply reply = login(account.email.toUpper(), account.password);
        VERIFY_REPLY(reply, 200, true, "BaseModel<AuthModel>");
        QCOMPARE(at(reply, "data.id").toInteger(), account.id);
        const QString token = at(reply, "data.token").toString();
        QVERIFY(token != account.token); // every sign-in opens its own session
        VERIFY_REPLY(sync(token), 200, true);
        VERIFY_REPLY(sync(account.token), 200, true);
    }

    void wrongCredentialsGetOneAnswer()
    {
        const Account account = signUp("wrong");
        for (const HttpReply& reply :
            {login(account.email, "correct horse batter"), login(uniqueEmail("nobody"), account.password)}) {
            VERIFY_REPLY(
                reply, 200, false, "BaseModel<AuthModel>", "These credentials do not match our records.");
            QVERIFY(!reply.json().contains("data"));
        }
    }

    void signInCarriesThePinState()
    {
        const Account account = signUp("pinstate");
        VERIFY_REPLY(setupPin(account, "482913", "24"), 200, true);
        const HttpReply reply = login(account.email, account.password);
        VERIFY_REPLY(reply, 200, true, "BaseModel<AuthModel>");
        QCOMPARE(at(reply, "data.pin_protection.time").toInt(), 24);
        // The PIN itself never leaves the server.
        QCOMPARE(at(reply, "data.pin_protection.pin").toInt(-1), 0);
        QVERIFY(!reply.body.contains("482913"));
    }

    void socialSignIn_data()
    {
        QTest::addColumn<QString>("provider"); // social_media code
        QTest::addColumn<bool>("registered"); // the provider knows the token
        QTest::addColumn<QString>("audience"); // the application the token was issued to
        QTest::addColumn<bool>("sameProfile"); // the application sends the provider's user id
        QTest::addColumn<bool>("accepted");
        QTest::newRow("Google") << "2" << true << googleClient << true << true;
        QTest::newRow("Facebook") << "1" << true << facebookApp << true << true;
        QTest::newRow("Google token of another application")
            << "2" << true << "someone-else.apps.googleusercontent.com" << true << false;
        QTest::newRow("Google token unknown") << "2" << false << googleClient << true << false;
        QTest::newRow("Facebook token of another application") << "1" << true << "777" << true << false;
        QTest::newRow("Facebook token unknown") << "1" << false << facebookApp << true << false;
        QTest::newRow("Google, another user's id") << "2" << true << googleClient << false << false;
    }

    void socialSignIn()
    {
        QFETCH(QString, provider);
        QFETCH(bool, registered);
        QFETCH(QString, audience);
        QFETCH(bool, sameProfile);
        QFETCH(bool, accepted);
        const QString email = uniqueEmail("social");
        const QString token = "provider-token-" + email;
        const QString profile = QString("1098%1").arg(m_accounts);
        if (registered && provider == u"2")
            m_provider.addGoogleToken(token, profile, email, audience);
        if (registered && provider == u"1")
            m_provider.addFacebookToken(token, profile, email, audience);
        const Fields fields {{"email", email}, {"social_media", provider}, {"token", token},
            {"device_name", "MacBookPro18,1"}, {"profile_id", sameProfile ? profile : "999"},
            {"platform_unique_id", "0A1B-SOCIAL"}};
        const HttpReply reply = post("login", fields, appToken());
        VERIFY_REPLY(reply, 200, accepted, "BaseModel<AuthModel>");
        if (!accepted)
            return;
        QCOMPARE(at(reply, "data.social_media").toInt(), provider.toInt());
        QCOMPARE(at(reply, "data.profile_id").toString(), profile);
        QVERIFY(!at(reply, "data.email_verified_at").toString().isEmpty()); // the provider vouched for it
        // Signing in again reaches the same account.
        const HttpReply again = post("login", fields, appToken());
        VERIFY_REPLY(again, 200, true);
        QCOMPARE(at(again, "data.id").toInteger(), at(reply, "data.id").toInteger());
    }

    // Through the development switch that trusts sign-in tokens: someone registered the owner's address
    // with a password before the owner first signed in with Google.
    void providerSignInTakesTheAccountFromWhoeverRegisteredIt()
    {
        ServerProcess trusting;
        QVERIFY(trusting.start({"--trust-social-tokens"}));
        HttpClient client(trusting.port());
        const int asked = m_provider.requestCount();
        const QString email = uniqueEmail("owner");
        const QString squatter = at(signUpOver(client, email, "squatter password"), "data.token").toString();
        VERIFY_REPLY(client.post("blockwesitebyuser", {{"domain", "owner.example"}}, squatter), 200, true);
        const HttpReply owner = client.post("login",
            {{"email", email}, {"social_media", "2"}, {"token", "anything"}, {"device_name", "Mac"},
                {"profile_id", "1234"}, {"platform_unique_id", "X"}},
            appToken());
        VERIFY_REPLY(owner, 200, true);
        QCOMPARE(m_provider.requestCount(), asked);
        QVERIFY(trusting.log().join(u'\n').contains("DEVELOPMENT"));
        // The squatter's session and password are gone; the owner's session works.
        VERIFY_REPLY(client.post("sync-url", {{"platform_unique_id", "X"}}, squatter), 401, false);
        VERIFY_REPLY(
            client.post("login", {{"email", email}, {"password", "squatter password"}, {"social_media", "0"}},
                appToken()),
            200, false);
        VERIFY_REPLY(
            client.post("sync-url", {{"platform_unique_id", "X"}}, at(owner, "data.token").toString()), 200,
            true);
        QCOMPARE(trusting.stop(), 0);
    }

    // ---- tokens -------------------------------------------------------------------------------

    void applicationTokenOnlySignsIn()
    {
        // A first launch asks before anybody signed in: status false, not 401, keeps its settings.
        VERIFY_REPLY(sync(appToken()), 200, false, "BaseModel<SyncURLModel>");
        VERIFY_REPLY(post("checkPin", {{"pin", "482913"}}, appToken()), 401, false);
    }

    void unauthenticatedRequestsGet401_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind :
            {"no header", "not bearer", "unknown token", "garbage", "signed out", "expired"})
            QTest::newRow(kind) << kind;
    }

    void unauthenticatedRequestsGet401()
    {
        QFETCH(QString, kind);
        QString token;
        if (kind == u"signed out" || kind == u"expired") {
            token = signUp("ended").token;
            if (kind == u"signed out")
                VERIFY_REPLY(post("logout", {}, token), 200, true, "LogoutModel");
            else
                m_server.advance(91 * 86400); // sessions end after 90 days without use
        } else if (kind == u"unknown token") {
            token = QString(64, u'a');
        } else if (kind == u"garbage") {
            token = "' OR 1=1 --";
        }
        for (const QString endpoint : {"sync-url", "checkPin", "getblockwebsitebyuser", "logout"}) {
            const HttpReply reply = kind == u"not bearer"
                ? http().send("POST", "/api/v3/" + endpoint, "platform_unique_id=X",
                    "application/x-www-form-urlencoded", {{"Authorization", "Basic YW5uOnNlY3JldA=="}})
                : post(endpoint, {{"platform_unique_id", "X"}}, token);
            VERIFY_REPLY(reply, 401, false, nullptr, "Unauthenticated.");
        }
    }

    void signInAfterSignOutWithTheOldToken()
    {
        // The application keeps its old token after signing out and sends it with the next sign-in.
        const Account account = signUp("again");
        VERIFY_REPLY(post("logout", {}, account.token), 200, true);
        VERIFY_REPLY(login(account.email, account.password, account.token), 200, true);
        VERIFY_REPLY(sync(account.token), 401, false);
        // A token the server never issued or no longer knows (a restored database) does not stop a
        // sign-in either: a 401 would make the application wipe its settings.
        const QString forgotten(64, u'c');
        VERIFY_REPLY(login(account.email, account.password, forgotten), 200, true);
        VERIFY_REPLY(post("forgot-password", {{"email", account.email}}, forgotten), 200, true);
    }

    void sessionsStayWhileUsed()
    {
        const Account account = signUp("sliding");
        for (int month = 0; month < 5; ++month) {
            m_server.advance(60 * 86400);
            VERIFY_REPLY(sync(account.token), 200, true);
        }
    }

    // ---- password reset and profile -------------------------------------------------------------

    void forgotPasswordSaysTheSameForEveryAddress()
    {
        const Account account = signUp("forgot");
        const QString stranger = uniqueEmail("stranger");
        const HttpReply known = post("forgot-password", {{"email", account.email}}, appToken());
        VERIFY_REPLY(known, 200, true, "BaseModel<AuthModel>");
        QCOMPARE(known.body, post("forgot-password", {{"email", stranger}}, appToken()).body);
        QTRY_COMPARE(m_server.mailsTo(account.email).size(), 1);
        QCOMPARE(m_server.mailsTo(stranger).size(), 0);
        VERIFY_REPLY(post("forgot-password", {{"email", ""}}, appToken()), 200, false, nullptr,
            "Please enter a valid email address.");
    }

    void resetMailsAndWrongPasswordsAreLimitedPerAccount()
    {
        const Account account = signUp("limited");
        for (const QString& address : {account.email, uniqueEmail("limited-stranger")}) {
            QList<int> statuses;
            for (int i = 0; i < 5; ++i)
                statuses << post("forgot-password", {{"email", address}}, appToken()).status;
            // The same whether or not the address has an account.
            QCOMPARE(statuses, (QList<int> {200, 200, 200, 429, 429}));
        }
        QTRY_COMPARE(m_server.mailsTo(account.email).size(), 3);

        for (int i = 0; i < 10; ++i)
            VERIFY_REPLY(login(account.email, "wrong password"), 200, false);
        VERIFY_REPLY(login(account.email, account.password), 429, false, "BaseModel<AuthModel>");
        m_server.advance(15 * 60);
        VERIFY_REPLY(login(account.email, account.password), 200, true);
    }

    void resetLinkSetsANewPasswordOnce()
    {
        const Account account = signUp("reset");
        const QString path = resetPath(account);
        QVERIFY(!path.isEmpty());
        QVERIFY(m_server.mailsTo(account.email).first().contains(m_server.baseUrl() + path));
        // Dated by the server's clock, here the test's.
        QVERIFY(m_server.mailsTo(account.email)
                    .first()
                    .contains("Date: "
                        + QDateTime::fromSecsSinceEpoch(m_server.now(), Qt::UTC).toString(Qt::RFC2822Date)
                        + "\r\n"));

        const HttpReply page = http().get(path);
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("name=\"password\""));

        const auto submit = [&](const QString& password, const QString& confirmation) {
            return http()
                .postRaw("/password/reset",
                    HttpClient::formEncode({{"token", path.section('=', 1)}, {"password", password},
                        {"password_confirmation", confirmation}}),
                    "application/x-www-form-urlencoded", QString())
                .status;
        };
        QCOMPARE(http().postRaw("/password/reset", "{}", "application/json", QString()).status, 422);
        QCOMPARE(submit("new password 1", "new password 2"), 422);
        QCOMPARE(submit("short", "short"), 422);
        QCOMPARE(submit("new password 1", "new password 1"), 200);
        QCOMPARE(submit("new password 2", "new password 2"), 404); // used up
        QCOMPARE(http().get(path).status, 404);

        VERIFY_REPLY(sync(account.token), 401, false); // every session ended
        VERIFY_REPLY(login(account.email, account.password), 200, false);
        const HttpReply signedIn = login(account.email, "new password 1");
        VERIFY_REPLY(signedIn, 200, true);
        QVERIFY(!at(signedIn, "data.email_verified_at").toString().isEmpty());
    }

    void resetLinkExpiresAfterAnHour()
    {
        const QString path = resetPath(signUp("late"));
        QVERIFY(!path.isEmpty());
        m_server.advance(59 * 60);
        QCOMPARE(http().get(path).status, 200);
        m_server.advance(2 * 60);
        QCOMPARE(http().get(path).status, 404);
    }

    void updateProfile()
    {
        const Account account = signUp("profile");
        const QString other = at(login(account.email, account.password), "data.token").toString();
        HttpReply reply = post("update-profile",
            {{"name", "Zoë Ångström"}, {"device_name", "Bureau"}, {"password", ""}}, account.token);
        VERIFY_REPLY(reply, 200, true, "BaseModel<UpdateProfile>");
        QCOMPARE(at(reply, "data.name").toString(), "Zoë Ångström");
        QCOMPARE(at(reply, "data.device_name").toString(), "Bureau");
        VERIFY_REPLY(login(account.email, account.password), 200, true); // an empty password keeps it
        VERIFY_REPLY(sync(other), 200, true);

        // A refusal still carries the account, so the application keeps what it knows.
        reply = post("update-profile", {{"name", "Zoë"}, {"device_name", "Bureau"}, {"password", "short"}},
            account.token);
        VERIFY_REPLY(reply, 200, false, "BaseModel<UpdateProfile>");
        QCOMPARE(at(reply, "data.name").toString(), "Zoë Ångström");

        reply = post("update-profile",
            {{"name", ""}, {"device_name", "Bureau"}, {"password", "a new password"}}, account.token);
        VERIFY_REPLY(reply, 200, true);
        QVERIFY(at(reply, "data.name").isNull());
        VERIFY_REPLY(login(account.email, account.password), 200, false);
        VERIFY_REPLY(login(account.email, "a new password"), 200, true);
        VERIFY_REPLY(sync(account.token), 200, true); // the session that changed it stays
        VERIFY_REPLY(sync(other), 401, false); // the others end
    }

    // ---- status synchronisation -----------------------------------------------------------------

    void syncReportsThePinAndRecordsTheDevice()
    {
        const Account account = signUp("sync");
        HttpReply reply = post("sync-url", {{"platform_unique_id", "MAC-UUID-1"}}, account.token);
        VERIFY_REPLY(reply, 200, true, "BaseModel<SyncURLModel>");
        QVERIFY(at(reply, "data.pin_protection").isNull());
        VERIFY_REPLY(setupPin(account), 200, true);
        reply = sync(account.token);
        VERIFY_REPLY(reply, 200, true, "BaseModel<SyncURLModel>");
        QVERIFY(at(reply, "data.pin_protection").isObject());
        const QRegularExpression twoDevices(
            "\\t" + QRegularExpression::escape(account.email) + "\\t.*2 device\\(s\\)");
        QTRY_VERIFY_WITH_TIMEOUT(m_server.admin({"list-users"}).output.contains(twoDevices), 5000);
    }

    // ---- PIN -----------------------------------------------------------------------------------

    void setupPinChoices_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("refusal"); // empty when accepted
        // The validators' own cases are in tst_serverform; here each kind of refusal reaches the user.
        const QString badTime = "Please choose a waiting time of 12, 24 or 48 hours, or forever.";
        const QString badPin = "Please enter a 6 digit pin.";
        dataRow("12 hours", "12", "482913", QString());
        dataRow("forever", "175200", "123456", QString());
        dataRow("36 hours", "36", "123456", badTime);
        dataRow("five digits", "12", "12345", badPin);
    }

    void setupPinChoices()
    {
        QFETCH(QString, time);
        QFETCH(QString, pin);
        QFETCH(QString, refusal);
        const Account account = signUp("setup");
        const HttpReply reply = setupPin(account, pin, time);
        VERIFY_REPLY(reply, 200, refusal.isEmpty(), "BaseModel<SetupPinModel>");
        if (!refusal.isEmpty()) {
            QCOMPARE(msgOf(reply), refusal);
            QVERIFY(at(sync(account.token), "data.pin_protection").isNull());
            return;
        }
        QCOMPARE(at(reply, "data.time").toString(), time);
        QCOMPARE(at(reply, "data.pin").toString(), "******");
        VERIFY_REPLY(checkPin(account, pin), 200, true);
    }

    void setupPinNeverReplacesAPin()
    {
        const Account account = signUp("twice");
        VERIFY_REPLY(setupPin(account, "111111"), 200, true);
        VERIFY_REPLY(
            setupPin(account, "222222"), 200, false, nullptr, "A pin is already set for this account.");
        VERIFY_REPLY(checkPin(account, "111111"), 200, true);
        VERIFY_REPLY(checkPin(account, "222222"), 200, false);
    }

    void checkPinCountsWrongTriesAndBlocks()
    {
        const Account account = signUp("block");
        VERIFY_REPLY(setupPin(account, "482913"), 200, true);
        // The application's "attempt" is ignored: it sends 1 every time here.
        const QString blockEnd = QDateTime::fromSecsSinceEpoch(m_server.now() + 20 * 60, QTimeZone::utc())
                                     .toString("yyyy-MM-dd'T'HH:mm:ss'.000000Z'");
        for (int attempt = 1; attempt <= 3; ++attempt) {
            const HttpReply reply = checkPin(account, "000000");
            VERIFY_REPLY(reply, 200, false, "BaseModel<CheckPinModel>", "Please enter a valid otp.");
            QCOMPARE(at(reply, "data.is_block").toInt(), attempt == 3 ? 1 : 0);
            QCOMPARE(at(reply, "data.blocked_until").toString(), attempt == 3 ? blockEnd : QString());
            QCOMPARE(at(reply, "data.pin").toInt(), 0);
        }
        // Blocked: even the right PIN is refused until the block ends.
        HttpReply reply = checkPin(account, "482913");
        VERIFY_REPLY(reply, 200, false, "BaseModel<CheckPinModel>", "Your pin has been bloked.");
        QCOMPARE(at(reply, "data.is_block").toInt(), 1);
        QCOMPARE(at(reply, "data.blocked_until").toString(), blockEnd);
        m_server.advance(20 * 60 - 1); // the test server blocks for 20 minutes
        QCOMPARE(msgOf(checkPin(account, "482913")), "Your pin has been bloked.");
        QCOMPARE(at(sync(account.token), "data.pin_protection.is_block").toInt(), 1);
        m_server.advance(1);
        reply = checkPin(account, "482913");
        VERIFY_REPLY(reply, 200, true);
        QCOMPARE(at(reply, "data.is_block").toInt(), 0);
    }

    void rightPinStartsTheCountAgain()
    {
        const Account account = signUp("reset-count");
        VERIFY_REPLY(setupPin(account, "482913"), 200, true);
        for (const char* pin : {"000000", "000000", "482913", "000000", "000000"})
            checkPin(account, pin);
        VERIFY_REPLY(checkPin(account, "482913"), 200, true);
    }

    void checkPinWithoutPin()
    {
        const Account account = signUp("nopin");
        VERIFY_REPLY(checkPin(account, "123456"), 200, false, "BaseModel<CheckPinModel>",
            "No pin is set for this account.");
        VERIFY_REPLY(post("retrievePin", {{"user_id", ""}}, account.token), 200, false);
    }

    void updatePin()
    {
        const Account account = signUp("update");
        VERIFY_REPLY(setupPin(account, "482913", "48"), 200, true);
        HttpReply reply = post("updatePin", {{"old_pin", "482913"}, {"pin", "12345"}}, account.token);
        VERIFY_REPLY(reply, 200, false, nullptr, "Please enter a 6 digit pin."); // a bad new PIN costs no try
        reply = post("updatePin", {{"old_pin", "482913"}, {"pin", "765432"}}, account.token);
        VERIFY_REPLY(reply, 200, true, "BaseModel<UpdatePinModel>");
        QCOMPARE(at(reply, "data.pin").toString(), "******");
        QCOMPARE(at(reply, "data.time").toInt(), 48);
        VERIFY_REPLY(checkPin(account, "765432"), 200, true);
        VERIFY_REPLY(checkPin(account, "482913"), 200, false);
    }

    void updatePinWithAWrongOldPinCountsAsATry()
    {
        const Account account = signUp("update-wrong");
        VERIFY_REPLY(setupPin(account, "482913"), 200, true);
        for (int i = 0; i < 3; ++i) {
            VERIFY_REPLY(post("updatePin", {{"old_pin", "111111"}, {"pin", "222222"}}, account.token), 200,
                false, "BaseModel<UpdatePinModel>", "Your old pin is not correct.");
        }
        QCOMPARE(msgOf(checkPin(account, "482913")), "Your pin has been bloked.");
        // The refusal keeps the shape of the endpoint's own record.
        VERIFY_REPLY(post("updatePin", {{"old_pin", "482913"}, {"pin", "222222"}}, account.token), 200, false,
            "BaseModel<UpdatePinModel>", "Your pin has been bloked.");
    }

    void weakeningNeedsARecentPinCheck()
    {
        const Account account = signUp("lock");
        const QString websiteId
            = QString::number(at(blockWebsite(account, "casino.example"), "data.id").toInteger());
        VERIFY_REPLY(setupPin(account), 200, true);
        const auto removePin = [&] { return post("removepin", {}, account.token); };
        const auto unblock = [&] {
            return post("unblockwesitebyuser", {{"domain_id", websiteId}}, account.token);
        };

        HttpReply removal = removePin();
        VERIFY_REPLY(removal, 200, false, "DisablePinModel", "Please verify your pin first.");
        VERIFY_REPLY(unblock(), 200, false, "UnblockWebsiteModel");

        // Another session's check does not open this one.
        const QString other = at(login(account.email, account.password), "data.token").toString();
        VERIFY_REPLY(checkPin(account, "482913", other), 200, true);
        VERIFY_REPLY(removePin(), 200, false);

        // A check opens it for five minutes.
        VERIFY_REPLY(checkPin(account, "482913"), 200, true);
        m_server.advance(5 * 60);
        const HttpReply unblocked = unblock();
        VERIFY_REPLY(unblocked, 200, true, "UnblockWebsiteModel");
        QCOMPARE(at(unblocked, "data").toInteger(), websiteId.toLongLong());
        m_server.advance(1);
        VERIFY_REPLY(removePin(), 200, false);

        VERIFY_REPLY(checkPin(account, "482913"), 200, true);
        VERIFY_REPLY(removePin(), 200, true, "DisablePinModel");
        QVERIFY(at(sync(account.token), "data.pin_protection").isNull());
        VERIFY_REPLY(removePin(), 200, true); // without a PIN nothing is locked
    }

    // ---- PIN retrieval ----------------------------------------------------------------------------

    void retrievalMailsThePinAfterTheWaitingTime_data()
    {
        QTest::addColumn<int>("hours");
        QTest::newRow("12 hours") << 12;
        QTest::newRow("48 hours") << 48;
        QTest::newRow("forever: never mailed") << 175200;
    }

    void retrievalMailsThePinAfterTheWaitingTime()
    {
        QFETCH(int, hours);
        const bool foreverChosen = hours == 175200;
        const Account account = signUp("retrieve");
        VERIFY_REPLY(setupPin(account, "305721", QString::number(hours)), 200, true);
        const HttpReply reply
            = post("retrievePin", {{"user_id", QString::number(account.id)}}, account.token);
        VERIFY_REPLY(reply, 200, true, "BaseModel<RetrievePinModel>");
        QCOMPARE(at(reply, "data.pin").toInt(), 0);
        QCOMPARE(at(reply, "data.user.email").toString(), account.email);
        QVERIFY(!reply.body.contains("305721"));
        QCOMPARE(msgOf(reply).contains("live chat"), foreverChosen);
        if (foreverChosen) {
            m_server.advance(30LL * 365 * 86400);
            sendDueMail();
            QCOMPARE(m_server.mailsTo(account.email).size(), 0);
            return;
        }

        m_server.advance(hours * 3600 - 60);
        // Asking again does not push the mail further away.
        VERIFY_REPLY(post("retrievePin", {{"user_id", ""}}, account.token), 200, true);
        sendDueMail();
        QCOMPARE(m_server.mailsTo(account.email).size(), 0);
        m_server.advance(60);
        sendDueMail();
        const QStringList mails = m_server.mailsTo(account.email);
        QCOMPARE(mails.size(), 1);
        QVERIFY(mails.first().contains("Your pin code is: 305721"));
        sendDueMail();
        QCOMPARE(m_server.mailsTo(account.email).size(), 1); // never twice
    }

    void changedPinCancelsTheRetrieval()
    {
        const Account account = signUp("changed");
        VERIFY_REPLY(setupPin(account, "305721"), 200, true);
        VERIFY_REPLY(post("retrievePin", {{"user_id", ""}}, account.token), 200, true);
        VERIFY_REPLY(post("updatePin", {{"old_pin", "305721"}, {"pin", "111222"}}, account.token), 200, true);
        m_server.advance(13 * 3600);
        sendDueMail();
        QCOMPARE(m_server.mailsTo(account.email).size(), 0);
    }

    // ---- blacklist --------------------------------------------------------------------------------

    void blacklistKeepsWhatWasTyped_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<bool>("accepted");
        // What counts as a website is the validator's (tst_serverform); here it is kept as typed.
        QTest::newRow("host with www") << "www.bet365.com" << true;
        QTest::newRow("SQL-looking") << "x'); DROP TABLE blocked_websites; --" << true;
        QTest::newRow("quotes and backslash") << "a\"b\\c'd" << true;
        QTest::newRow("percent sign and emoji") << "100%.🎰" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("line break") << "a.example\nb.example" << false;
    }

    void blacklistKeepsWhatWasTyped()
    {
        QFETCH(QString, domain);
        QFETCH(bool, accepted);
        const Account account = signUp("blacklist");
        const HttpReply added = blockWebsite(account, domain);
        VERIFY_REPLY(added, 200, accepted, "BaseModel<BlockData>");
        if (!accepted) {
            QCOMPARE(msgOf(added), "Please enter a valid website.");
            return;
        }
        QCOMPARE(at(added, "data.domain").toString(), domain);
        const HttpReply list = listWebsites(account);
        VERIFY_REPLY(list, 200, true, "BaseModel<BlockWebsiteModel>");
        const QJsonArray rows = at(list, "data.data").toArray();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first()["domain"].toString(), domain);
        VERIFY_REPLY(
            blockWebsite(account, domain), 200, false, nullptr, "This website is already in your blacklist.");
    }

    // The arithmetic of the pages is tested on its own (tst_serverrecords); here the query and the URLs.
    void blacklistPages()
    {
        const Account account = signUp("pages");
        for (int i = 1; i <= 501; ++i)
            QCOMPARE(blockWebsite(account, QString("site%1.example").arg(i)).status, 200);
        HttpReply page = listWebsites(account);
        VERIFY_REPLY(page, 200, true, "BaseModel<BlockWebsiteModel>");
        QCOMPARE(at(page, "data.data").toArray().size(), 500);
        QCOMPARE(at(page, "data.data").toArray().first()["domain"].toString(), "site1.example");
        QCOMPARE(at(page, "data.total").toInt(), 501);
        QCOMPARE(at(page, "data.per_page").toInt(), 500);
        const QString path = m_server.baseUrl() + "/api/v3/getblockwebsitebyuser";
        QCOMPARE(at(page, "data.next_page_url").toString(), path + "?page=2");
        QCOMPARE(at(page, "data.path").toString(), path);

        page = listWebsites(account, "?page=2");
        VERIFY_REPLY(page, 200, true, "BaseModel<BlockWebsiteModel>");
        QCOMPARE(at(page, "data.data").toArray().first()["domain"].toString(), "site501.example");

        VERIFY_REPLY(listWebsites(account, "?page=1%20OR%201=1"), 422, false);
        QCOMPARE(at(listWebsites(account, ""), "data.current_page").toInt(), 1); // no page: the first
    }

    // ---- one account never reaches another ------------------------------------------------------

    void otherAccountsAreOutOfReach_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<Fields>("extra");
        QTest::newRow("checkPin") << "checkPin" << Fields {{"pin", "482913"}};
        QTest::newRow("retrievePin") << "retrievePin" << Fields {};
        QTest::newRow("list") << "getblockwebsitebyuser?page=1" << Fields {};
        QTest::newRow("block") << "blockwesitebyuser" << Fields {{"domain", "victim.example"}};
    }

    void otherAccountsAreOutOfReach()
    {
        QFETCH(QString, endpoint);
        QFETCH(Fields, extra);
        const Account victim = signUp("victim");
        const Account intruder = signUp("intruder");
        VERIFY_REPLY(setupPin(victim, "482913"), 200, true);
        const HttpReply reply
            = post(endpoint, Fields {{"user_id", QString::number(victim.id)}} + extra, intruder.token);
        VERIFY_REPLY(reply, 403, false);
        QVERIFY(!reply.json().contains("data"));
        // Nothing happened to the victim.
        QCOMPARE(at(listWebsites(victim), "data.total").toInt(), 0);
        QCOMPARE(m_server.mailsTo(victim.email).size(), 0);
        sendDueMail();
        VERIFY_REPLY(checkPin(victim, "482913"), 200, true);
    }

    void otherAccountsWebsitesCannotBeUnblocked()
    {
        const Account victim = signUp("victim-site");
        const Account intruder = signUp("intruder-site");
        const qint64 id = at(blockWebsite(victim, "casino.example"), "data.id").toInteger();
        VERIFY_REPLY(post("unblockwesitebyuser", {{"domain_id", QString::number(id)}}, intruder.token), 200,
            false, "UnblockWebsiteModel", "This website is not in your blacklist.");
        QCOMPARE(at(listWebsites(victim), "data.total").toInt(), 1);
    }

    // ---- malformed requests ------------------------------------------------------------------------

    void malformedRequestsGet422_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        const QByteArray form = "application/x-www-form-urlencoded";
        const auto row = [&](const char* name, const char* endpoint, const QByteArray& body,
                             const QByteArray& contentType) {
            QTest::newRow(name) << QString(endpoint) << body << contentType;
        };
        row("invalid UTF-8", "blockwesitebyuser", "user_id=&domain=%FF%FE", form);
        row("JSON body", "checkPin", R"({"pin":"482913"})", "application/json");
        row("other charset", "checkPin", "pin=482913", "application/x-www-form-urlencoded; charset=latin1");
        row("user_id not a number", "checkPin", "user_id=1%20OR%201%3D1&pin=482913", form);
        row("pin missing", "checkPin", "user_id=&attempt=1", form);
        row("domain_id not a number", "unblockwesitebyuser", "domain_id=1;DELETE", form);
        row("sign-in with an unknown social_media", "login", "email=a%40b.org&password=x&social_media=7",
            form);
        row("social sign-up", "signup", "email=a%40b.org&password=long%20enough&device_name=x&social_media=2",
            form);
    }

    void malformedRequestsGet422()
    {
        QFETCH(QString, endpoint);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        const Account account = signUp("malformed");
        const HttpReply reply = http().postRaw("/api/v3/" + endpoint, body, contentType, account.token);
        VERIFY_REPLY(reply, 422, false);
        QCOMPARE(at(reply, "code").toInt(), 422);
        QVERIFY(!msgOf(reply).isEmpty());
        VERIFY_REPLY(sync(account.token), 200, true);
    }

    void bodiesOverTheLimitGet413()
    {
        const Account account = signUp("large");
        const QByteArray prefix = "user_id=&domain=";
        QByteArray body = prefix + QByteArray(64 * 1024 - prefix.size() + 1, 'a');
        const auto send = [&] {
            return http().postRaw(
                "/api/v3/blockwesitebyuser", body, "application/x-www-form-urlencoded", account.token);
        };
        HttpReply reply = send();
        VERIFY_REPLY(reply, 413, false);
        QCOMPARE(at(reply, "code").toInt(), 413);
        // Exactly the limit is read (and refused for what it says, not for its size).
        body.chop(1);
        reply = send();
        VERIFY_REPLY(reply, 200, false, nullptr, "Please enter a valid website.");
    }

    void neverAnHtmlErrorPage_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("httpStatus");
        QTest::newRow("GET on an endpoint") << QByteArray("GET") << "/api/v3/login" << 405;
        QTest::newRow("unknown endpoint") << QByteArray("POST") << "/api/v3/deleteEverything" << 404;
        QTest::newRow("path traversal") << QByteArray("GET") << "/../../etc/passwd" << 404;
        QTest::newRow("health") << QByteArray("GET") << "/health" << 200;
    }

    void neverAnHtmlErrorPage()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(int, httpStatus);
        const HttpReply reply = http().send(method, path, {}, "application/x-www-form-urlencoded");
        QCOMPARE(reply.status, httpStatus);
        QCOMPARE(reply.headers.value("content-type"), "application/json");
        const QString wrong = clientDecodingError(reply.body, "BaseModel<SyncURLModel>");
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // ---- many requests at once ---------------------------------------------------------------------

    void concurrentSignUpsOfOneAddress()
    {
        const QString email = uniqueEmail("race");
        QStringList messages;
        for (const HttpReply& reply : concurrently(
                 8, 1, [&](HttpClient& client) { return signUpOver(client, email, "correct horse"); }))
            messages << (at(reply, "status").toBool() ? "created" : msgOf(reply));
        QCOMPARE(messages.count("created"), 1);
        QCOMPARE(messages.count("The email has already been taken."), 7);
    }

    void concurrentWrongPinsStillBlockAfterThree()
    {
        const Account account = signUp("burst");
        VERIFY_REPLY(setupPin(account, "482913"), 200, true);
        // Sixteen guesses sent at once get three tries between them, not sixteen.
        QStringList messages;
        for (const HttpReply& reply : concurrently(16, 1, [&](HttpClient& client) {
                 return client.post(
                     "checkPin", {{"user_id", ""}, {"attempt", "1"}, {"pin", "000000"}}, account.token);
             }))
            messages << msgOf(reply);
        QCOMPARE(messages.count("Please enter a valid otp."), 3);
        QCOMPARE(messages.count("Your pin has been bloked."), 13);
        QCOMPARE(msgOf(checkPin(account, "482913")), "Your pin has been bloked.");
    }

    // ---- support commands ----------------------------------------------------------------------

    void supportCommands()
    {
        const Account account = signUp("support");
        VERIFY_REPLY(setupPin(account, "271828", "175200"), 200, true);
        ServerProcess::CommandResult result
            = m_server.admin({"reveal-pin", "--email", account.email.toUpper()});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.output.contains("271828"), qPrintable(result.output));

        for (int i = 0; i < 3; ++i)
            checkPin(account, "000000");
        QCOMPARE(msgOf(checkPin(account, "271828")), "Your pin has been bloked.");
        QCOMPARE(m_server.admin({"unblock-pin", "--email", account.email}).exitCode, 0);
        VERIFY_REPLY(checkPin(account, "271828"), 200, true);

        result = m_server.admin({"list-users"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.output.contains(account.email));
        QVERIFY(result.output.contains("pin, forever"));
        QVERIFY(!result.output.contains("271828"));

        QCOMPARE(m_server.admin({"reveal-pin", "--email", uniqueEmail("ghost")}).exitCode, 1);
        QCOMPARE(m_server.admin({"unblock-pin", "--email", signUp("nopin2").email}).exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestServerApi)
#include "tst_serverapi.moc"
