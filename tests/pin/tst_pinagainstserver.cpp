#include "ApplicationAgainstServer.h"
#include "ChangePin.h"
#include "EventOrder.h"
#include "PinProtectionOff.h"
#include "PinProtectionWC.h"
#include "RetrivePinPage.h"
#include "SecureTextField.h"
#include "ServerHarness.h"
#include "VerifyPin.h"
#include "setWaitingTimeWC.h"

#include <QFile>
#include <QLabel>

// The PIN sheets with the application's real client against a real brevak-server on 127.0.0.1: set a
// PIN, meet the server's block, have the PIN mailed back after the waiting time, change it, remove it.
// Each test signs up an account of its own.
class TestPinAgainstServer : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server;
    std::unique_ptr<ApplicationAgainstServer> m_app;
    int m_accounts = 0;
    QString m_email;

    CustomWindow& window() { return *m_app->host.window; }
    SettingsStore& settings() { return SettingsStore::shared(); }

    // Signs up a new account and keeps its session as a sign-in does.
    bool signUp()
    {
        m_email = QStringLiteral("pin-%1@example.org").arg(++m_accounts);
        return signUpAndKeepSession(m_email).has_value();
    }

    // Sets `pin` with `hours` of waiting time through the two setup sheets.
    bool setPinThroughTheSheets(const QString& pin, int choice)
    {
        auto* pinSheet = new PinProtectionWC(m_app->host, &window());
        window().beginSheet(pinSheet);
        QTest::keyClicks(pinSheet->findChild<SecureTextField*>("PinTextField"), pin);
        QTest::mouseClick(outlet(pinSheet, "btnSetPin"), Qt::LeftButton);
        setWaitingTimeWC* waiting = pinSheet->waitingTimeSheet();
        if (!waiting) {
            return false;
        }
        const char* choices[] = {"btn12Hours", "btn24Hours", "btn48Hours", "btnForever"};
        QTest::mouseClick(outlet(waiting, choices[choice]), Qt::LeftButton);
        QTest::mouseClick(outlet(waiting, "btnSetTheTime"), Qt::LeftButton);
        return QTest::qWaitFor([&] { return !waiting->isVisible(); }, 20000)
            && settings().boolValue(keys::isPinSeted);
    }

    // Whether the server says that the account has a PIN, as the status synchronisation stores it.
    std::optional<bool> serverHasPin()
    {
        bool synchronised = false;
        CommonWS::shared().syncURL([&] { synchronised = true; });
        if (!QTest::qWaitFor([&] { return synchronised; }, 20000)) {
            return std::nullopt;
        }
        return settings().boolValue(keys::isPinSeted);
    }

    VerifyPin* beginGate(PinAction action)
    {
        auto* gate = new VerifyPin(m_app->host, &window());
        pendingPinAction = action;
        window().beginSheet(gate);
        return gate;
    }

    void check(VerifyPin* gate, const QString& pin)
    {
        auto* field = gate->findChild<SecureTextField*>("pinTF");
        field->clear();
        QTest::keyClicks(field, pin);
        click(outlet(gate, "btnVerify"));
    }

    int checksSeenByTheServer() const { return m_server.log().filter("\"POST /api/v3/checkPin\"").size(); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.start());
        qputenv("BREVAK_API_BASE_URL", m_server.baseUrl().toUtf8());
    }

    void cleanupTestCase() { QCOMPARE(m_server.stop(), 0); }

    void init()
    {
        pendingPinAction = PinAction::none;
        retrieveFromStartGate = false;
        PinBlock::current().clear();
        m_app = std::make_unique<ApplicationAgainstServer>();
        m_app->services.api().startReachability();
        QVERIFY(m_app->log.waitFor("reachability changed"));
        QVERIFY(signUp());
    }

    void cleanup() { m_app.reset(); }

    void aPinIsSetWithItsWaitingTime()
    {
        QVERIFY(setPinThroughTheSheets("482913", 1));
        QCOMPARE(serverHasPin(), true);
        QVERIFY(!settings().objectValue(keys::pin).isValid());
        const QString printed = m_app->log.lines().filter("Setup Pin Model Response - ").value(0);
        QVERIFY2(
            printed.contains("time: \"24\"") && printed.contains("pin: <redacted>"), qPrintable(printed));
    }

    // Three wrong PINs: the third is answered with the block; the gate shows the time left and sends
    // no fourth try; the attempt number never went past three.
    void threeWrongPinsMeetTheBlock()
    {
        QVERIFY(setPinThroughTheSheets("482913", 0));
        VerifyPin* gate = beginGate(PinAction::removePin);
        QList<qint64> stored;
        for (int i = 1; i <= 3; ++i) {
            check(gate, "000000");
            QTRY_COMPARE_WITH_TIMEOUT(m_app->alerts.shown(), i, 20000);
            stored.append(settings().integerValue(keys::attemp));
            if (i < 3)
                m_app->alerts.pressOk(); // the same alert is not shown twice while open
        }
        QCOMPARE(stored, (QList<qint64> {2, 3, 1}));
        QCOMPARE(m_app->alerts.alerts().last().informative,
            "Please enter a valid otp.\nYou can try again in 15 minutes.");
        QVERIFY(!outlet(gate, "btnVerify")->isEnabled());
        QVERIFY(gate->findChild<QLabel*>("lblPinBlocked")->isVisible());
        QTest::keyClick(gate->findChild<SecureTextField*>("pinTF"), Qt::Key_Return);
        QVERIFY(waitForPostedEvents());
        QCOMPARE(checksSeenByTheServer(), 3);
        QVERIFY(settings().boolValue(keys::isPinSeted));

        // The server tells the same to a gate of another run of BREVAK, which knows nothing yet.
        PinBlock::current().clear();
        VerifyPin* other = beginGate(PinAction::none);
        check(other, "482913");
        QTRY_COMPARE_WITH_TIMEOUT(m_app->alerts.shown(), 4, 20000);
        QCOMPARE(m_app->alerts.alerts().last().informative,
            "Your pin has been bloked.\nYou can try again in 15 minutes.");
    }

    // The PIN by e-mail: the request is registered at once; the mail goes out with the PIN once the
    // waiting time has passed on the server's clock.
    void theRetrievedPinIsMailedAfterTheWaitingTime()
    {
        QVERIFY(setPinThroughTheSheets("482913", 0));
        VerifyPin* gate = beginGate(PinAction::protectionOff);
        click(outlet(gate, "btnRetrieveMyPinCode"));
        QTRY_VERIFY_WITH_TIMEOUT(gate->retrievePage()->isVisible(), 20000);
        QVERIFY(gate->retrievePage()->findChild<QLabel*>("lblServerMessage")->text().contains("12 hours"));

        const int before = m_server.mails().size();
        QCOMPARE(m_server.admin({"send-due-mail"}).exitCode, 0);
        QCOMPARE(m_server.mails().size(), before);
        m_server.advance(12 * 3600);
        QCOMPARE(m_server.admin({"send-due-mail"}).exitCode, 0);
        QCOMPARE(m_server.mails().size(), before + 1);
        QFile mail(m_server.mails().last());
        QVERIFY(mail.open(QIODevice::ReadOnly));
        const QByteArray text = mail.readAll();
        QVERIFY(text.contains(QByteArray("To: ").append(m_email.toUtf8()))
            || text.contains(QByteArray("<").append(m_email.toUtf8()).append('>')));
        QVERIFY(text.contains("482913"));
        QVERIFY(!m_app->log.lines().join('\n').contains("482913"));
    }

    // The change: a wrong old PIN is refused, the right one replaces the PIN on the server.
    void thePinIsChanged()
    {
        QVERIFY(setPinThroughTheSheets("482913", 0));
        auto* change = new ChangePin(m_app->host, &window());
        window().beginSheet(change);
        auto fill = [change](const QString& oldPin) {
            for (const char* name : {"oldPinTF", "newPinTF", "confirmPinTF"}) {
                change->findChild<SecureTextField*>(name)->clear();
            }
            QTest::keyClicks(change->findChild<SecureTextField*>("oldPinTF"), oldPin);
            QTest::keyClicks(change->findChild<SecureTextField*>("newPinTF"), "135790");
            QTest::keyClicks(change->findChild<SecureTextField*>("confirmPinTF"), "135790");
        };
        fill("111111");
        click(outlet(change, "btnSubmit"));
        QTRY_COMPARE_WITH_TIMEOUT(m_app->alerts.count(), 1, 20000);
        QCOMPARE(m_app->alerts.alerts().first().informative, "Your old pin is not correct.");
        fill("482913");
        click(outlet(change, "btnSubmit"));
        QTRY_VERIFY_WITH_TIMEOUT(!change->isVisible(), 20000);

        VerifyPin* gate = beginGate(PinAction::unblockApplication);
        check(gate, "135790");
        QTRY_VERIFY_WITH_TIMEOUT(!gate->isVisible(), 20000);
        QCOMPARE(m_app->alerts.count(), 1);
    }

    // The removal through the gate once the PIN was accepted; without that check the server refuses.
    void thePinIsRemovedAfterAnAcceptedCheck()
    {
        QVERIFY(setPinThroughTheSheets("482913", 2));
        settings().setBool(keys::isPinEnable, false);
        auto* off = new PinProtectionOff(m_app->host, &window());
        window().beginSheet(off);
        click(outlet(off, "btnDisablePin"));
        QTRY_COMPARE_WITH_TIMEOUT(m_app->alerts.count(), 1, 20000);
        QCOMPARE(m_app->alerts.alerts().first().informative, "Please verify your pin first.");
        m_app->alerts.pressOk();
        QVERIFY(settings().boolValue(keys::isPinSeted));

        settings().setBool(keys::isPinEnable, true);
        click(outlet(off, "btnDisablePin"));
        VerifyPin* gate = off->verifyPinSheet();
        QCOMPARE(window().attachedSheet(), gate);
        check(gate, "482913");
        QTRY_COMPARE_WITH_TIMEOUT(m_app->alerts.count(), 1, 20000);
        QCOMPARE(m_app->alerts.alerts().first().message, "Your pin has been removed.");
        m_app->alerts.pressOk();
        QVERIFY(!gate->isVisible());
        QVERIFY(!settings().boolValue(keys::isPinSeted));
        QCOMPARE(serverHasPin(), false);
    }
};

QTEST_MAIN(TestPinAgainstServer)
#include "tst_pinagainstserver.moc"
