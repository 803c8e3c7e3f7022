#include "DataRow.h"
#include "ServerAccounts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QMutex>
#include <QSet>
#include <QTest>

#include <future>
#include <thread>

// The live chat on a real brevak-server: two users and a counsellor. Each user reads only their own
// conversation, messages arrive in order and wake a waiting poll, they survive a restart, their size and
// rate are limited, the console has its own sign-in, and a counsellor's PIN mail is recorded and sent
// once. Runs on SQLite, and on PostgreSQL (with a second instance on the same database) under
// with-postgresql.sh.

namespace {

QStringList texts(const QJsonValue& messages)
{
    QStringList found;
    for (const QJsonValue& message : messages.toArray())
        found << message.toObject().value("text").toString();
    return found;
}

struct User
{
    QString email;
    QString token;
};

const QString counsellorEmail = "carla@brevak.example";
const QString counsellorPassword = "listening carefully";

// The console as its page talks to it: a cookie from the sign-in, and the header only its script sends.
class ConsoleClient
{
public:
    explicit ConsoleClient(int port)
        : m_http(port)
    { }

    HttpReply call(const QString& name, const Fields& fields = {}, bool fromScript = true)
    {
        Headers headers;
        if (fromScript)
            headers.append(qMakePair(QByteArray("X-Requested-With"), QByteArray("brevak-console")));
        if (!m_cookie.isEmpty())
            headers.append(qMakePair(QByteArray("Cookie"), m_cookie));
        const HttpReply reply = m_http.send("POST", "/console/api/" + name, HttpClient::formEncode(fields),
            "application/x-www-form-urlencoded", headers);
        const QByteArray set = reply.headers.value("set-cookie");
        if (!set.isEmpty())
            m_cookie = set.split(';').first();
        return reply;
    }

    HttpReply signIn(const QString& email = counsellorEmail, const QString& password = counsellorPassword)
    {
        return call("sign-in", {{"email", email}, {"password", password}});
    }

    void setCookie(const QByteArray& cookie) { m_cookie = cookie; }
    QByteArray cookie() const { return m_cookie; }

private:
    HttpClient m_http;
    QByteArray m_cookie;
};

} // namespace

class TestServerChat : public QObject
{
    Q_OBJECT

    ServerProcess m_server;
    std::unique_ptr<HttpClient> m_http;
    std::unique_ptr<ConsoleClient> m_console;
    int m_users = 0;

    User signUp()
    {
        const QString email
            = QString("chat.%1.%2@example.org").arg(QCoreApplication::applicationPid()).arg(++m_users);
        return {email,
            sessionOf(signUpOver(
                *m_http, email, testPassword, "Mac", {{"name", "User " + QString::number(m_users)}}))};
    }

    HttpReply say(const User& user, const QString& text, const QString& clientId = {})
    {
        Fields fields {{"text", text}};
        if (!clientId.isEmpty())
            fields.append({"client_id", clientId});
        return m_http->post("chat/send", fields, user.token);
    }

    HttpReply poll(HttpClient& client, const User& user, qint64 after, int wait)
    {
        return client.post("chat/messages",
            {{"after", QString::number(after)}, {"wait", QString::number(wait)}}, user.token);
    }

    // The console's id of the user's conversation.
    QString conversationOf(const User& user)
    {
        const HttpReply list = m_console->call("conversations");
        for (const QJsonValue& item : at(list, "data.conversations").toArray()) {
            if (item["user_email"].toString() == user.email)
                return QString::number(item["id"].toInteger());
        }
        return {};
    }

    HttpReply answer(const User& user, const QString& text)
    {
        return m_console->call("send", {{"id", conversationOf(user)}, {"text", text}});
    }

    bool startServer()
    {
        return m_server.start({"--chat-hours", "08:00-22:00", "--chat-time-zone", "Europe/Paris"});
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(startServer());
        m_http = std::make_unique<HttpClient>(m_server.port());
        const ServerProcess::CommandResult added = m_server.admin(
            {"add-counsellor", "--email", counsellorEmail, "--name", "Carla", "--dev-fast-hashing"},
            counsellorPassword.toUtf8() + "\n");
        QVERIFY2(added.exitCode == 0, qPrintable(added.output));
        m_console = std::make_unique<ConsoleClient>(m_server.port());
    }

    void cleanupTestCase()
    {
        m_http.reset();
        m_console.reset();
        QCOMPARE(m_server.stop(), 0);
    }

    void presenceFollowsTheCounsellorsSession()
    {
        const User ann = signUp();
        HttpReply started = m_http->post("chat/start", {}, ann.token);
        QCOMPARE(at(started, "status").toBool(), true);
        QCOMPARE(at(started, "data.counsellor_online").toBool(), false);
        QCOMPARE(at(started, "data.opening_hours.opens").toString(), "08:00");
        QCOMPARE(at(started, "data.opening_hours.time_zone").toString(), "Europe/Paris");

        QCOMPARE(at(m_console->signIn(), "status").toBool(), true);
        QCOMPARE(at(m_http->post("chat/start", {}, ann.token), "data.counsellor_online").toBool(), true);
        QCOMPARE(at(m_console->call("sign-out"), "status").toBool(), true);
        QCOMPARE(at(m_http->post("chat/start", {}, ann.token), "data.counsellor_online").toBool(), false);
        QCOMPARE(at(m_console->signIn(), "status").toBool(), true);
    }

    void theConsoleHasItsOwnSignIn_data()
    {
        QTest::addColumn<QString>("how");
        dataRow("wrong password", QString("wrong password"));
        dataRow("unknown counsellor", QString("unknown"));
        dataRow("a user's token as the cookie", QString("user cookie"));
        dataRow("a user's bearer token", QString("user bearer"));
        dataRow("the cookie without the console's header", QString("no header"));
    }

    void theConsoleHasItsOwnSignIn()
    {
        QFETCH(QString, how);
        const User ann = signUp();
        say(ann, "Is anyone there?");
        ConsoleClient stranger(m_server.port());
        HttpReply reply;
        if (how == u"wrong password" || how == u"unknown") {
            reply = stranger.signIn(
                how == u"unknown" ? "nobody@brevak.example" : counsellorEmail, "not the one");
            QCOMPARE(reply.status, 200);
            QCOMPARE(at(reply, "status").toBool(), false);
            QVERIFY(stranger.cookie().isEmpty());
            reply = stranger.call("conversations");
        } else if (how == u"user cookie") {
            stranger.setCookie("brevak_console=" + ann.token.toUtf8());
            reply = stranger.call("conversations");
        } else if (how == u"user bearer") {
            reply = HttpClient(m_server.port())
                        .send("POST", "/console/api/conversations", {}, "application/x-www-form-urlencoded",
                            {{"X-Requested-With", "brevak-console"},
                                {"Authorization", "Bearer " + ann.token.toUtf8()}});
        } else {
            stranger.setCookie(m_console->cookie());
            reply = stranger.call("conversations", {}, false);
            QCOMPARE(reply.status, 403);
            return;
        }
        QCOMPARE(reply.status, 401);
        QVERIFY(!reply.body.contains(ann.email.toUtf8()));
    }

    void aCounsellorsCookieOpensNoUserEndpoint()
    {
        const QByteArray token = m_console->cookie().split('=').last();
        QCOMPARE(m_http->post("chat/start", {}, QString::fromLatin1(token)).status, 401);
    }

    void eachUserSeesOnlyTheirConversation()
    {
        const User ann = signUp();
        const User bob = signUp();
        QCOMPARE(at(say(ann, "Ann here"), "status").toBool(), true);
        QCOMPARE(at(say(bob, "Bob here"), "status").toBool(), true);
        QCOMPARE(at(answer(ann, "Hello Ann"), "status").toBool(), true);

        QCOMPARE(texts(at(m_http->post("chat/start", {}, ann.token), "data.messages")),
            QStringList({"Ann here", "Hello Ann"}));
        QCOMPARE(texts(at(poll(*m_http, bob, 0, 0), "data.messages")), QStringList({"Bob here"}));
        QCOMPARE(
            texts(at(m_http->post("chat/start", {}, bob.token), "data.messages")), QStringList({"Bob here"}));
        // A conversation id in the request changes nothing: the session names the conversation.
        const HttpReply foreign
            = m_http->post("chat/messages", {{"after", "0"}, {"id", conversationOf(ann)}}, bob.token);
        QCOMPARE(texts(at(foreign, "data.messages")), QStringList({"Bob here"}));
        QCOMPARE(
            m_http->post("chat/start", {}, "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef")
                .status,
            401);
    }

    void messagesArriveInTheOrderTheyWereSent()
    {
        const User ann = signUp();
        say(ann, "first");
        const QString id = conversationOf(ann);
        // The user and the counsellor write at the same time, from several connections.
        constexpr int each = 8;
        std::vector<std::thread> writers;
        for (int writer = 0; writer < 2; ++writer) {
            writers.emplace_back([&, writer] {
                HttpClient client(m_server.port());
                ConsoleClient console(m_server.port());
                console.setCookie(m_console->cookie());
                for (int i = 0; i < each; ++i) {
                    const QString text = QString("w%1-%2").arg(writer).arg(i);
                    if (writer == 0)
                        client.post("chat/send", {{"text", text}}, ann.token);
                    else
                        console.call("send", {{"id", id}, {"text", text}});
                }
            });
        }
        for (std::thread& writer : writers)
            writer.join();

        const QJsonArray messages = at(poll(*m_http, ann, 0, 0), "data.messages").toArray();
        QCOMPARE(messages.size(), 1 + 2 * each);
        QList<int> next(2, 0);
        for (int i = 0; i < messages.size(); ++i) {
            QCOMPARE(messages[i]["id"].toInteger(), i + 1);
            const QString text = messages[i]["text"].toString();
            if (i == 0)
                continue;
            // Each writer's messages come in the order that writer sent them.
            const int writer = text.mid(1, 1).toInt();
            QCOMPARE(text, QString("w%1-%2").arg(writer).arg(next[writer]++));
            QCOMPARE(messages[i]["from"].toString(), writer == 0 ? "you" : "counsellor");
        }
        // Asking from any point gives exactly what came after it.
        QCOMPARE(at(poll(*m_http, ann, 10, 0), "data.messages").toArray().first()["id"].toInteger(), 11);
    }

    void aWaitingPollWakesWithTheAnswer()
    {
        const User ann = signUp();
        say(ann, "Please answer");
        const qint64 after = at(poll(*m_http, ann, 0, 0), "data.last_id").toInteger();
        QCOMPARE(after, 1);
        auto waiting = std::async(std::launch::async, [&] {
            HttpClient client(m_server.port());
            return poll(client, ann, after, 20);
        });
        // Nothing comes while nobody writes (a later, short poll answers first, empty).
        QCOMPARE(at(poll(*m_http, ann, after, 1), "data.messages").toArray().size(), 0);
        QCOMPARE(waiting.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
        QCOMPARE(at(answer(ann, "I am here"), "status").toBool(), true);
        const HttpReply woken = waiting.get();
        QCOMPARE(texts(at(woken, "data.messages")), QStringList({"I am here"}));
        QCOMPARE(at(woken, "data.messages").toArray().first()["name"].toString(), "Carla");
    }

    void messagesAreTextAndLimited_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<bool>("accepted");
        dataRow("markup stays text", QString("<script>alert('x')</script> & <b>bold</b>"), 200, true);
        dataRow("2000 characters", QString(2000, u'a'), 200, true);
        dataRow("2000 emoji", QString("😀").repeated(2000), 200, true);
        dataRow("2001 characters", QString(2001, u'a'), 200, false);
        dataRow("blank", QString(" \n "), 200, false);
        dataRow("a control character", QString("bell\x07"), 200, false);
        dataRow("lines and tabs", QString("one\n\ttwo"), 200, true);
    }

    void messagesAreTextAndLimited()
    {
        QFETCH(QString, text);
        QFETCH(int, httpStatus);
        QFETCH(bool, accepted);
        const User ann = signUp();
        const HttpReply sent = say(ann, text);
        QCOMPARE(sent.status, httpStatus);
        QCOMPARE(at(sent, "status").toBool(), accepted);
        QCOMPARE(texts(at(poll(*m_http, ann, 0, 0), "data.messages")),
            accepted ? QStringList {text} : QStringList {});
        if (accepted) {
            const HttpReply seen = m_console->call("conversation", {{"id", conversationOf(ann)}});
            QCOMPARE(texts(at(seen, "data.messages")), QStringList {text});
        }
    }

    void sendingTooFastIsRefusedForAMinute()
    {
        const User ann = signUp();
        for (int i = 0; i < 20; ++i)
            QCOMPARE(
                at(say(ann, QString("message %1").arg(i), QString("m%1").arg(i)), "status").toBool(), true);
        const HttpReply refused = say(ann, "one too many");
        QCOMPARE(refused.status, 429);
        QVERIFY(refused.headers.value("retry-after").toInt() > 0);
        // A message sent again under its client id (the answer was lost) is not refused and adds nothing.
        const HttpReply resent = say(ann, "message 5", "m5");
        QCOMPARE(at(resent, "status").toBool(), true);
        QCOMPARE(at(resent, "data.message.id").toInteger(), 6);
        m_server.advance(61);
        QCOMPARE(at(say(ann, "after a minute"), "status").toBool(), true);
        QCOMPARE(at(poll(*m_http, ann, 0, 0), "data.messages").toArray().size(), 21);
        // A poll waits at most 25 seconds.
        QCOMPARE(poll(*m_http, ann, 0, 26).status, 422);
    }

    void aRevealIsRecordedAndSendsOneMail()
    {
        const User ann = signUp();
        QCOMPARE(at(m_http->post("setupPin", {{"time", "175200"}, {"pin", "735104"}}, ann.token), "status")
                     .toBool(),
            true);
        say(ann, "I chose forever and need my pin");
        const QString id = conversationOf(ann);
        QCOMPARE(at(m_console->call("conversation", {{"id", id}}), "data.user.pin").toString(), "forever");

        const HttpReply revealed = m_console->call("reveal-pin", {{"id", id}});
        QVERIFY2(at(revealed, "status").toBool(), revealed.body.constData());
        QTRY_COMPARE(m_server.mailsTo(ann.email).size(), 1);
        QVERIFY(m_server.mailsTo(ann.email).first().contains("Your pin code is: 735104"));

        const HttpReply seen = m_console->call("conversation", {{"id", id}});
        const QJsonArray reveals = at(seen, "data.reveals").toArray();
        QCOMPARE(reveals.size(), 1);
        QCOMPARE(reveals.first()["counsellor"].toString(), "Carla");
        QCOMPARE(reveals.first()["at"].toString(),
            QDateTime::fromSecsSinceEpoch(m_server.now(), Qt::UTC).toString("yyyy-MM-ddTHH:mm:ss.000000Z"));
        // The user is told in the conversation.
        const QJsonArray messages = at(poll(*m_http, ann, 1, 0), "data.messages").toArray();
        QCOMPARE(messages.last()["from"].toString(), "note");
        QCOMPARE(messages.last()["text"].toString(), "pin_mailed");

        // A second click, or a second counsellor, mails nothing more for a while.
        const HttpReply twice = m_console->call("reveal-pin", {{"id", id}});
        QCOMPARE(at(twice, "status").toBool(), false);
        QCOMPARE(at(m_console->call("conversation", {{"id", id}}), "data.reveals").toArray().size(), 1);
        QCOMPARE(m_server.mailsTo(ann.email).size(), 1);
    }

    void nothingIsMailedForAnAccountWithoutPin()
    {
        const User bob = signUp();
        say(bob, "hello");
        const QString id = conversationOf(bob);
        const HttpReply refused = m_console->call("reveal-pin", {{"id", id}});
        QCOMPARE(at(refused, "status").toBool(), false);
        QVERIFY(at(refused, "msg").toString().contains("has no pin"));
        QCOMPARE(m_server.mailsTo(bob.email).size(), 0);
        QCOMPARE(at(m_console->call("conversation", {{"id", id}}), "data.reveals").toArray().size(), 0);
        // The refusal did not take the account's turn: a PIN set now can be mailed at once.
        m_http->post("setupPin", {{"time", "12"}, {"pin", "111222"}}, bob.token);
        QCOMPARE(at(m_console->call("reveal-pin", {{"id", id}}), "status").toBool(), true);
    }

    void aClosedConversationReopensWhenTheUserWrites()
    {
        const User ann = signUp();
        say(ann, "thanks, bye");
        const QString id = conversationOf(ann);
        QCOMPARE(at(m_console->call("close", {{"id", id}}), "status").toBool(), true);
        QVERIFY(conversationOf(ann).isEmpty());
        say(ann, "one more thing");
        QCOMPARE(conversationOf(ann), id);
    }

    void aRestartKeepsTheMessages()
    {
        const User ann = signUp();
        say(ann, "before the restart");
        answer(ann, "noted");
        QCOMPARE(m_server.stop(), 0);
        QVERIFY(startServer());
        m_http = std::make_unique<HttpClient>(m_server.port());
        m_console = std::make_unique<ConsoleClient>(m_server.port());
        QCOMPARE(at(m_console->signIn(), "status").toBool(), true);
        QCOMPARE(texts(at(m_http->post("chat/start", {}, ann.token), "data.messages")),
            QStringList({"before the restart", "noted"}));
    }

    void aStoppingServerEndsWaitingPolls()
    {
        const User ann = signUp();
        auto waiting = std::async(std::launch::async, [&] {
            HttpClient client(m_server.port());
            return poll(client, ann, 0, 25);
        });
        // A poll sent later that waited a second has been answered: the first one is waiting by then.
        QCOMPARE(at(poll(*m_http, ann, 0, 1), "data.messages").toArray().size(), 0);
        QCOMPARE(m_server.stop(), 0);
        QCOMPARE(waiting.get().status, 200);
        QVERIFY(startServer());
        m_http = std::make_unique<HttpClient>(m_server.port());
        m_console = std::make_unique<ConsoleClient>(m_server.port());
        QCOMPARE(at(m_console->signIn(), "status").toBool(), true);
    }

    // Two instances on one PostgreSQL database: what one stores wakes a poll waiting on the other.
    void anotherInstanceWakesAWaitingPoll()
    {
        if (ServerProcess::testDatabaseUrl().isEmpty())
            QSKIP("needs the PostgreSQL run (with-postgresql.sh)");
        ServerProcess second;
        QVERIFY(second.start());
        const User ann = signUp();
        say(ann, "hello");
        auto waiting = std::async(std::launch::async, [&] {
            HttpClient client(second.port());
            return poll(client, ann, 1, 20);
        });
        QCOMPARE(at(answer(ann, "from the first instance"), "status").toBool(), true);
        QCOMPARE(texts(at(waiting.get(), "data.messages")), QStringList({"from the first instance"}));
        QCOMPARE(second.stop(), 0);
    }
};

QTEST_GUILESS_MAIN(TestServerChat)
#include "tst_serverchat.moc"
