#include "ChatBridge.h"
#include "ChatService.h"
#include "DataRow.h"
#include "LiveChatUser.h"
#include "NotificationCenter.h"
#include "ServerHarness.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

// The live chat without its window: what the page is told about the user, which script messages are
// printed, what it shows about the counsellors, and the bridge against a real brevak-server (open,
// send, an answer arriving by itself, a message kept through a lost connection, an ended session).
class TestChatBridge : public QObject
{
    Q_OBJECT

    TemporarySimulatedMac m_mac;
    // What the windows hear a change of language through.
    NotificationCenter m_notifications;
    NotificationCenter::Registration m_notificationsRegistration {m_notifications};
    ServerProcess m_server;
    QString m_cookie; // the counsellor's console session

    QString signUp(const QString& email)
    {
        const HttpReply reply = HttpClient(m_server.port())
                                    .post("signup",
                                        {{"social_media", "0"}, {"device_name", "Mac"}, {"email", email},
                                            {"password", "correct horse"}, {"profile_id", "0"}},
                                        "application-token");
        return reply.json().value("data").toObject().value("token").toString();
    }

    HttpReply console(const QString& name, const Fields& fields = {})
    {
        return HttpClient(m_server.port())
            .send("POST", "/console/api/" + name, HttpClient::formEncode(fields),
                "application/x-www-form-urlencoded",
                {{"X-Requested-With", "brevak-console"}, {"Cookie", m_cookie.toUtf8()}});
    }

    bool startServer(const QStringList& extra = {})
    {
        if (!m_server.start(QStringList {"--default-token", "application-token"} + extra))
            return false;
        qputenv("BREVAK_API_BASE_URL", m_server.baseUrl().toUtf8());
        return true;
    }

    static QStringList texts(const QJsonArray& messages)
    {
        QStringList found;
        for (const QJsonValue& message : messages)
            found << message["text"].toString();
        return found;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(startServer());
        QCOMPARE(m_server
                     .admin({"add-counsellor", "--email", "carla@brevak.example", "--name", "Carla"},
                         "listening carefully\n")
                     .exitCode,
            0);
        const HttpReply signedIn
            = HttpClient(m_server.port())
                  .send("POST", "/console/api/sign-in",
                      HttpClient::formEncode(
                          {{"email", "carla@brevak.example"}, {"password", "listening carefully"}}),
                      "application/x-www-form-urlencoded", {{"X-Requested-With", "brevak-console"}});
        m_cookie = QString::fromUtf8(signedIn.headers.value("set-cookie").split(';').first());
        QVERIFY(!m_cookie.isEmpty());
    }

    void loadCallArguments_data()
    {
        QTest::addColumn<QVariant>("email");
        QTest::addColumn<QVariant>("name");
        QTest::addColumn<QString>("expectedEmail");
        QTest::addColumn<QString>("expectedName");
        dataRow("name and address", QVariant("ann@example.org"), QVariant("Ann"), "ann@example.org", "Ann");
        dataRow("no name stored", QVariant("ann@example.org"), QVariant(), "ann@example.org", "Empty User");
        dataRow("nothing stored", QVariant(), QVariant(), "", "Empty User");
        const QString quoted = "Ann \"The Cat\" O'Neil \\ '); window.injected = 1; //";
        dataRow("quotes and backslashes", QVariant("a\\\"b'@example.org"), QVariant(quoted),
            "a\\\"b'@example.org", quoted);
        const QString lines = QString("Ann\nO\u2028Neil\u2029</script>");
        dataRow("line ends and separators", QVariant("ann@example.org"), QVariant(lines), "ann@example.org",
            lines);
    }

    void loadCallArguments()
    {
        QFETCH(QVariant, email);
        QFETCH(QVariant, name);
        QFETCH(QString, expectedEmail);
        QFETCH(QString, expectedName);
        SettingsStore& store = SettingsStore::shared();
        store.wipe();
        if (email.isValid())
            store.setString(keys::userEmail, email.toString());
        if (name.isValid())
            store.setString(keys::userName, name.toString());

        const QString call = LiveChatUser::fromSettings().loadCall();
        QVERIFY2(call.startsWith("loadURL(") && call.endsWith(");"), qPrintable(call));
        // Nothing a JavaScript parser reads as a line end stays raw inside the string literals.
        for (const QChar lineEnd : {QChar(u'\n'), QChar(u'\r'), QChar(0x2028), QChar(0x2029)})
            QVERIFY(!call.contains(lineEnd));
        // The arguments are two string literals with exactly the stored texts.
        const QString arguments = call.mid(8, call.size() - 10);
        QJsonParseError error;
        const QJsonArray parsed = QJsonDocument::fromJson("[" + arguments.toUtf8() + "]", &error).array();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + ": " + call));
        QCOMPARE(parsed, QJsonArray({expectedEmail, expectedName}));
    }

    void onlyTextMessagesNamedTestArePrinted_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QJsonValue>("body");
        QTest::addColumn<QString>("printed"); // null: nothing
        dataRow("text", QString("test"), QJsonValue("hello"), QString("hello"));
        dataRow("empty text", QString("test"), QJsonValue(""), QString(""));
        dataRow("a number", QString("test"), QJsonValue(42), QString());
        dataRow("an object", QString("test"), QJsonValue(QJsonObject {{"a", 1}}), QString());
        dataRow("nothing", QString("test"), QJsonValue(QJsonValue::Null), QString());
        dataRow("another name", QString("other"), QJsonValue("hello"), QString());
    }

    void onlyTextMessagesNamedTestArePrinted()
    {
        QFETCH(QString, name);
        QFETCH(QJsonValue, body);
        QFETCH(QString, printed);
        const std::optional<QString> text = printableScriptMessage(name, body);
        QCOMPARE(text.has_value(), !printed.isNull());
        if (text)
            QCOMPARE(*text, printed);
    }

    // Runs with TZ=UTC: counsellors in Tokyo (no summer time) from 08:00 to 22:00 are there from 23:00 to
    // 13:00 here.
    void presenceSaysWhenCounsellorsAreThere_data()
    {
        QTest::addColumn<bool>("online");
        QTest::addColumn<QJsonValue>("hours");
        QTest::addColumn<QString>("shown");
        const QJsonObject tokyo {{"opens", "08:00"}, {"closes", "22:00"}, {"time_zone", "Asia/Tokyo"}};
        dataRow("nobody online", false, QJsonValue(tokyo), "from 23:00 to 13:00");
        dataRow("someone online", true, QJsonValue(tokyo), "");
        dataRow("around the clock", false, QJsonValue(QJsonValue::Null), "");
    }

    void presenceSaysWhenCounsellorsAreThere()
    {
        QFETCH(bool, online);
        QFETCH(QJsonValue, hours);
        QFETCH(QString, shown);
        const QJsonObject presence = ChatBridge::presence(
            {{"counsellor_online", online}, {"opening_hours", hours}, {"max_length", 2000}},
            ChatBridge::localizedTexts());
        QCOMPARE(presence["online"].toBool(), online);
        QVERIFY(!presence["status"].toString().isEmpty());
        QCOMPARE(presence["hours"].toString().isEmpty(), shown.isEmpty());
        QVERIFY2(presence["hours"].toString().contains(shown), qPrintable(presence["hours"].toString()));
    }

    void theBridgeChatsWithACounsellor()
    {
        SettingsStore::shared().setString(keys::loginToken, signUp("ann.bridge@example.org"));
        ChatService service;
        ChatBridge bridge(service);
        QSignalSpy opened(&bridge, &ChatBridge::opened);
        QSignalSpy received(&bridge, &ChatBridge::received);
        QSignalSpy sent(&bridge, &ChatBridge::sent);
        bridge.open();
        QVERIFY(opened.wait(10000));
        QCOMPARE(opened.first().at(0).toJsonArray().size(), 0);
        QCOMPARE(opened.first().at(1).toJsonObject()["online"].toBool(), true);

        bridge.send("first", "Hello, is someone there?");
        QVERIFY(sent.wait(10000));
        QCOMPARE(sent.first().at(0).toString(), "first");
        QCOMPARE(sent.first().at(1).toJsonObject()["text"].toString(), "Hello, is someone there?");

        // The counsellor answers; the waiting poll brings it.
        const QJsonArray list
            = console("conversations").json().value("data").toObject().value("conversations").toArray();
        QCOMPARE(list.size(), 1);
        console(
            "send", {{"id", QString::number(list.first()["id"].toInteger())}, {"text", "Yes, I am here."}});
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(received.cbegin(), received.cend(),
                                     [](const QList<QVariant>& signal) {
                                         return texts(signal.at(0).toJsonArray()).contains("Yes, I am here.");
                                     }),
            20000);
    }

    void aMessageWrittenOfflineIsKeptAndSentOnce()
    {
        SettingsStore::shared().setString(keys::loginToken, signUp("ann.offline@example.org"));
        const QString token = SettingsStore::shared().textValue(keys::loginToken).value_or(QString());
        ChatService service;
        ChatBridge bridge(service);
        bridge.setRetryInterval(std::chrono::minutes(10)); // the test retries itself
        QSignalSpy opened(&bridge, &ChatBridge::opened);
        QSignalSpy notSent(&bridge, &ChatBridge::notSent);
        QSignalSpy disconnected(&bridge, &ChatBridge::disconnected);
        QSignalSpy sent(&bridge, &ChatBridge::sent);
        bridge.open();
        QVERIFY(opened.wait(10000));

        const int port = m_server.port();
        QCOMPARE(m_server.stop(), 0);
        bridge.send("kept", "written while offline");
        QVERIFY(notSent.wait(10000));
        QCOMPARE(notSent.first().at(0).toString(), "kept");
        QCOMPARE(notSent.first().at(2).toBool(), true);
        QVERIFY(disconnected.count() >= 1);

        QVERIFY(startServer({"--listen", QString("127.0.0.1:%1").arg(port)}));
        bridge.retry();
        QVERIFY(opened.wait(10000));
        // The page sends it again under the same name; a second time changes nothing.
        bridge.send("kept", "written while offline");
        bridge.send("kept", "written while offline");
        QTRY_COMPARE_WITH_TIMEOUT(sent.count(), 2, 10000);
        const HttpReply seen = HttpClient(m_server.port()).post("chat/messages", {{"after", "0"}}, token);
        QCOMPARE(texts(seen.json().value("data").toObject().value("messages").toArray()),
            QStringList({"written while offline"}));
    }

    void anEndedSessionIsSaid()
    {
        const QString token = signUp("ann.ended@example.org");
        SettingsStore::shared().setString(keys::loginToken, token);
        HttpClient(m_server.port()).post("logout", {}, token);
        ChatService service;
        ChatBridge bridge(service);
        QSignalSpy signedOut(&bridge, &ChatBridge::signedOut);
        QSignalSpy disconnected(&bridge, &ChatBridge::disconnected);
        bridge.open();
        QVERIFY(signedOut.wait(10000));
        QCOMPARE(disconnected.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestChatBridge)
#include "tst_chatbridge.moc"
