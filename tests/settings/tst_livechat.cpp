#include "ChatBridge.h"
#include "LiveChat.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>
#include <optional>

// The live chat window with the real web engine and the real page, without an account server (the
// page says it cannot connect): the web view on screen is the configured one, so the page learns who is
// writing, however the name is written; the page's "test" messages print only text; what people wrote
// shows as text; and a message written without a connection stays on the page.
class TestLiveChat : public QObject
{
    Q_OBJECT

    TemporarySimulatedMac m_mac;
    // What the windows hear a change of language through.
    NotificationCenter m_notifications;
    NotificationCenter::Registration m_notificationsRegistration {m_notifications};
    std::unique_ptr<LiveChat> m_window;
    const QString m_name = "Ann \"The Cat\" O'Neil \\ '); window.injected = 1; //";

    QVariant evaluate(const QString& script)
    {
        auto result = std::make_shared<std::optional<QVariant>>();
        m_window->webView()->page()->runJavaScript(
            script, [result](const QVariant& value) { *result = value; });
        if (!QTest::qWaitFor([&result] { return result->has_value(); }, 10000))
            return QStringLiteral("(no answer)");
        return **result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("BREVAK_API_BASE_URL", "http://127.0.0.1:9"); // nothing answers there
        SettingsStore::shared().setString(keys::userName, m_name);
        SettingsStore::shared().setString(keys::userEmail, "ann@example.org");
        m_window = std::make_unique<LiveChat>();
        m_window->bridge().setRetryInterval(std::chrono::minutes(10));
        QVERIFY(!m_window->webView());
        m_window->show();
        QVERIFY(m_window->webView());
        QSignalSpy loaded(m_window->webView(), &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(30000));
        QVERIFY(loaded.first().first().toBool());
    }

    void cleanupTestCase() { m_window.reset(); }

    void thePageOnScreenLearnsWhoIsWriting()
    {
        QVERIFY(m_window->webView()->isVisible());
        QCOMPARE(m_window->webView()->window(), m_window.get());
        QCOMPARE(m_window->url(), QUrl("qrc:/pages/Index.html"));
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate("document.getElementById('userName').textContent").toString(), m_name, 10000);
        QCOMPARE(
            evaluate("document.getElementById('userEmail').textContent").toString(), "(ann@example.org)");
        QCOMPARE(evaluate("typeof window.injected").toString(), "undefined");
    }

    void theWindowAndThePageFollowTheLanguage()
    {
        const QString title = "document.querySelector('[data-text=title]').textContent";
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(title).toString(), "Live chat", 10000);
        SettingsStore::shared().setString(keys::currentLanguage, "fr");
        NotificationCenter::shared().post(QString::fromLatin1(notifications::updateChooseLanguage), "fr");
        QCOMPARE(m_window->windowTitle(), "BREVAK – Chat en direct");
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(title).toString(), "Chat en direct", 10000);
        SettingsStore::shared().setString(keys::currentLanguage, "en");
        NotificationCenter::shared().post(QString::fromLatin1(notifications::updateChooseLanguage), "en");
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(title).toString(), "Live chat", 10000);
    }

    void onlyTextMessagesNamedTestArePrinted()
    {
        LogCapture log;
        evaluate("const handler = window.webkit.messageHandlers.test;"
                 "handler.postMessage('text from the page'); handler.postMessage(4242);"
                 "handler.postMessage({ line: 'an object' }); handler.postMessage('last message');");
        QVERIFY(log.waitFor("last message"));
        QVERIFY(log.contains("text from the page"));
        QVERIFY(!log.lines().join('\n').contains("4242"));
        QVERIFY(!log.lines().join('\n').contains("an object"));
    }

    void whatPeopleWroteShowsAsText()
    {
        const QString markup = "<img src=x onerror=\"window.pwned = 1\"><b>bold?</b>";
        Q_EMIT m_window->bridge().received(
            QJsonArray {QJsonObject {{"id", 7}, {"from", "counsellor"}, {"name", "<i>Carla</i>"},
                {"text", markup}, {"sent_at", "2027-01-15T08:00:00.000000Z"}, {"client_id", QJsonValue()}}},
            ChatBridge::presence({{"counsellor_online", true}}, ChatBridge::localizedTexts()));
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate("document.querySelector('#messages li[data-id=\"7\"]') !== null").toBool(), 10000);
        QCOMPARE(evaluate("document.querySelector('#messages li[data-id=\"7\"]').textContent").toString(),
            "<i>Carla</i>" + markup);
        QCOMPARE(
            evaluate("document.querySelectorAll('#messages img, #messages b, #messages i').length").toInt(),
            0);
        QCOMPARE(evaluate("typeof window.pwned").toString(), "undefined");
        QCOMPARE(evaluate("document.getElementById('presenceText').textContent").toString(),
            ChatBridge::presence({{"counsellor_online", true}}, ChatBridge::localizedTexts())["status"]
                .toString());
    }

    void aMessageWrittenWithoutConnectionStaysOnThePage()
    {
        // What the page shows after trying again: it cannot connect.
        m_window->bridge().retry();
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate("document.getElementById('connection').hidden").toBool() == false, 20000);
        evaluate("document.getElementById('draft').value = 'Please keep this';"
                 "document.getElementById('composer').requestSubmit();");
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate("document.querySelector('#messages li.failed') !== null").toBool(), 20000);
        QVERIFY(evaluate("document.querySelector('#messages li.failed').textContent")
                    .toString()
                    .contains("Please keep this"));
        QCOMPARE(evaluate("document.querySelector('#messages li.failed button').textContent").toString(),
            "Send again");
        QVERIFY(!evaluate("document.getElementById('tryAgain').hidden").toBool());
        QVERIFY(evaluate("document.getElementById('presence').hidden").toBool());
    }
};

QTEST_MAIN(TestLiveChat)
#include "tst_livechat.moc"
