#include "DataRow.h"
#include "EventOrder.h"
#include "GatedActions.h"
#include "PinGate.h"
#include "PinTestSupport.h"
#include "RetrivePinPage.h"
#include "SecureTextField.h"
#include "VerifyPin.h"
#include "VerifyPinOnStart.h"
#include "ViewController.h"

#include <QLabel>

namespace {

const QString resolver = QStringLiteral("198.51.100.153");
const QByteArray accepted = envelope(true, "Your pin is correct.", pinRecord());
const QByteArray wrongPin = envelope(false, "Please enter a valid otp.", pinRecord(), 422);

// The home screen's pages as the gate reaches them.
struct FakeUninstall : GatedUninstall
{
    void continueUninstall() override { ++calls; }
    int calls = 0;
};

struct FakeApplicationUnblock : GatedApplicationUnblock
{
    void applyPendingSwitch() override { ++calls; }
    int calls = 0;
};

struct FakeWebsiteRemoval : GatedWebsiteRemoval
{
    std::optional<qint64> pendingDomainId() const override { return domainId; }
    void removePendingRow() override { ++removed; }
    std::optional<qint64> domainId;
    int removed = 0;
};

} // namespace

// The PIN gates: the in-app gate before each weakening action, the start gate at launch, the attempt
// number, the server's block, and the request for the PIN by e-mail.
class TestPinGates : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PinSheetsFixture> m_fixture;
    FakeUninstall m_uninstall;
    FakeApplicationUnblock m_applicationUnblock;
    FakeWebsiteRemoval m_websiteRemoval;
    QPointer<VerifyPin> m_gate;

    PinSheetsFixture& fixture() { return *m_fixture; }
    SettingsStore& settings() { return SettingsStore::shared(); }

    // The in-app gate of a requesting screen, begun for `action` as that screen begins it.
    void beginGate(PinAction action, bool withActions = true)
    {
        m_gate = new VerifyPin(fixture().host, &fixture().window());
        if (withActions) {
            m_gate->setUninstall(&m_uninstall);
            m_gate->setApplicationUnblock(&m_applicationUnblock);
            m_gate->setWebsiteRemoval(&m_websiteRemoval);
        }
        pendingPinAction = action;
        fixture().window().beginSheet(m_gate);
    }

    // Types `pin` and presses Verify; the server answers `answer`, and every later request `next`.
    static void verify(QDialog* gate, PinSheetsFixture& fixture, const QByteArray& answer,
        const QByteArray& next = {}, const QString& pin = QStringLiteral("482913"))
    {
        auto* field = outlet<SecureTextField>(gate, "pinTF");
        field->clear();
        QTest::keyClicks(field, pin);
        fixture.answer(answer);
        click(outlet(gate, "btnVerify"));
        if (!next.isEmpty()) {
            fixture.answer(next); // the check went out with the first answer
        }
    }

    // Waits until `count` answers have come and everything they set off has run.
    bool answered(int count)
    {
        return fixture().log.waitForAnswers(count + 1) && waitForPostedEvents(); // + the first sync
    }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_RESOLVER_ADDRESS", resolver.toUtf8()); }

    void init()
    {
        m_fixture = std::make_unique<PinSheetsFixture>();
        QVERIFY(fixture().reachable());
        m_uninstall = {};
        m_applicationUnblock = {};
        m_websiteRemoval = {};
        settings().setBool(keys::isPinSeted, true);
        settings().setBool(keys::dnsLastStatus, true);
        settings().setString(keys::userId, "7");
        fixture().app.networksetup.setAll(resolver + '\n');
    }

    void cleanup() { m_fixture.reset(); }

    // What an accepted PIN does for each waiting action, and whether the gate then closes.
    void anAcceptedPinCarriesOutTheWaitingAction_data()
    {
        QTest::addColumn<PinAction>("action");
        QTest::addColumn<bool>("withActions");
        QTest::addColumn<QByteArray>("actionAnswer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("outcome");
        const QByteArray removed = envelope(true, "Your pin has been removed.", "[]");
        const QByteArray unblocked = envelope(true, "Website unblocked.", "42");
        dataRow("nothing waits", PinAction::none, true, QByteArray(), false, QString("nothing"));
        dataRow("uninstall", PinAction::uninstall, true, QByteArray(), true, QString("uninstall continued"));
        dataRow(
            "protection off", PinAction::protectionOff, true, QByteArray(), true, QString("protection off"));
        dataRow("PIN removal", PinAction::removePin, true, removed, true, QString("PIN removed"));
        dataRow("application unblock", PinAction::unblockApplication, true, QByteArray(), true,
            QString("switch applied"));
        dataRow("application unblock, no screen", PinAction::unblockApplication, false, QByteArray(), true,
            QString("nothing"));
        dataRow("website unblock", PinAction::unblockWebsite, true, unblocked, true, QString("row removed"));
        dataRow("website unblock, no row waits", PinAction::unblockWebsite, false, unblocked, false,
            QString("nothing"));
    }

    void anAcceptedPinCarriesOutTheWaitingAction()
    {
        QFETCH(PinAction, action);
        QFETCH(bool, withActions);
        QFETCH(QByteArray, actionAnswer);
        QFETCH(bool, closes);
        QFETCH(QString, outcome);
        settings().setInteger(keys::attemp, 2);
        m_websiteRemoval.domainId = withActions ? std::optional<qint64>(42) : std::nullopt;
        NotificationSpy dnsState(notifications::dnsState);
        NotificationSpy pinProtection(notifications::pinProtectionOff);
        beginGate(action, withActions);
        verify(m_gate, fixture(), accepted, actionAnswer);
        QVERIFY(answered(actionAnswer.isEmpty() || !closes ? 1 : 2));
        QTRY_COMPARE(fixture().alerts.count() > 0 || !m_gate->isVisible(), closes); // DNS may answer later
        if (outcome == "PIN removed") {
            QCOMPARE(fixture().alerts.count(), 1);
            QCOMPARE(fixture().alerts.alerts().first().message, "Your pin has been removed.");
            QCOMPARE(fixture().alerts.alerts().first().informative, QString());
            QVERIFY(!settings().boolValue(keys::isPinSeted));
            QVERIFY(m_gate->isVisible()); // until the user has read it
            fixture().alerts.pressOk();
            QCOMPARE(pinProtection.values, QList<QVariant> {false});
        }
        QCOMPARE(fixture().alerts.count(), 0);
        QCOMPARE(!m_gate->isVisible(), closes);
        QCOMPARE(outlet<SecureTextField>(m_gate, "pinTF")->text().isEmpty(), closes);

        QCOMPARE(m_uninstall.calls, outcome == "uninstall continued" ? 1 : 0);
        QCOMPARE(fixture().log.contains("Uninstall App"), outcome == "uninstall continued");
        // Only the uninstall starts the count again.
        QCOMPARE(settings().integerValue(keys::attemp), outcome == "uninstall continued" ? 1 : 2);
        QCOMPARE(dnsState.values, outcome == "protection off" ? QList<QVariant> {false} : QList<QVariant> {});
        QCOMPARE(settings().boolValue(keys::dnsLastStatus), outcome != "protection off");
        QCOMPARE(fixture().app.requestsTo("removepin"), outcome == "PIN removed" ? 1 : 0);
        QCOMPARE(m_applicationUnblock.calls, outcome == "switch applied" ? 1 : 0);
        QCOMPARE(m_websiteRemoval.removed, outcome == "row removed" ? 1 : 0);
        QCOMPARE(fixture().app.requestsTo("unblockwesitebyuser"), outcome == "row removed" ? 1 : 0);
        if (outcome == "row removed") {
            QCOMPARE(fixture().lastRequestTo("unblockwesitebyuser").queryItemValue("domain_id"), "42");
        }
    }

    // The check sends the user's id, the stored attempt number and the PIN as typed, empty included.
    void theCheckSendsWhatItShould()
    {
        beginGate(PinAction::none);
        verify(m_gate, fixture(), wrongPin, {}, QString());
        QVERIFY(answered(1));
        const QUrlQuery sent = fixture().lastRequestTo("checkPin");
        QCOMPARE(sent.queryItemValue("user_id"), "7");
        QCOMPARE(sent.queryItemValue("attempt"), "1"); // a fresh installation starts at 1
        QCOMPARE(sent.queryItemValue("pin"), QString());
        QVERIFY(sent.hasQueryItem("pin"));
        // Every control has a name; the PIN field's says "PIN".
        verifyAccessibleNames(m_gate, QString());
        QCOMPARE(QAccessible::queryAccessibleInterface(outlet<SecureTextField>(m_gate, "pinTF"))
                     ->text(QAccessible::Name),
            "PIN");
    }

    // Cancelling posts what lets the requesting screen put its control back, then ends the sheet.
    void cancelTellsTheRequestingScreen_data()
    {
        QTest::addColumn<PinAction>("action");
        QTest::addColumn<QString>("notification");
        QTest::addColumn<QVariant>("value");
        dataRow("nothing waits", PinAction::none, QString(), QVariant());
        dataRow("uninstall", PinAction::uninstall, QString(), QVariant());
        dataRow("protection off", PinAction::protectionOff, QString(), QVariant());
        dataRow("PIN removal", PinAction::removePin, QString("pin_protection_off"), QVariant(true));
        dataRow("application unblock", PinAction::unblockApplication, QString("BlockAppSwitchState"),
            QVariant(true));
        dataRow(
            "website unblock", PinAction::unblockWebsite, QString("BlackListWebsiteState"), QVariant(true));
    }

    void cancelTellsTheRequestingScreen()
    {
        QFETCH(PinAction, action);
        QFETCH(QString, notification);
        QFETCH(QVariant, value);
        const QList<const char*> names {notifications::pinProtectionOff, notifications::blockAppSwitchState,
            notifications::blackListWebsiteState, notifications::dnsState};
        std::vector<std::unique_ptr<NotificationSpy>> spies;
        for (const char* name : names) {
            spies.push_back(std::make_unique<NotificationSpy>(name));
        }
        beginGate(action);
        QTest::keyClicks(outlet<SecureTextField>(m_gate, "pinTF"), "4829");
        click(outlet(m_gate, "btnCancel"));
        QVERIFY(!m_gate->isVisible());
        QVERIFY(outlet<SecureTextField>(m_gate, "pinTF")->text().isEmpty());
        for (int i = 0; i < names.size(); ++i) {
            const bool expected = notification == QLatin1String(names[i]);
            QCOMPARE(spies[i]->values, expected ? QList<QVariant> {value} : QList<QVariant> {});
        }
    }

    // A check still out when the user cancels carries nothing out when its answer comes.
    void anAnswerAfterCancelIsIgnored()
    {
        beginGate(PinAction::unblockApplication);
        verify(m_gate, fixture(), accepted);
        click(outlet(m_gate, "btnCancel"));
        QVERIFY(answered(1));
        QCOMPARE(m_applicationUnblock.calls, 0);
        QCOMPARE(fixture().alerts.count(), 0);
    }

    // DNS still pointing at the resolver after clearing: the alert, the printed line, and the sheet
    // still ends; the wish for protection stays stored.
    void protectionThatCannotBeTurnedOffIsReported()
    {
        fixture().app.networksetup.refusing = {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"};
        NotificationSpy dnsState(notifications::dnsState);
        beginGate(PinAction::protectionOff);
        verify(m_gate, fixture(), accepted);
        QTRY_VERIFY(!m_gate->isVisible());
        QCOMPARE(fixture().alerts.informatives(), QStringList {"Requires admin privileges"});
        QVERIFY(fixture().log.contains("found error in close protaction"));
        QVERIFY(settings().boolValue(keys::dnsLastStatus));
        QVERIFY(dnsState.values.isEmpty());
    }

    // A refused removal changes nothing: the server's message, the PIN still set, the switch shown on
    // again; the gate stays for another try or a cancel. An undecodable answer does nothing.
    void aRefusedRemovalChangesNothing()
    {
        NotificationSpy pinProtection(notifications::pinProtectionOff);
        beginGate(PinAction::removePin);
        verify(m_gate, fixture(), accepted, envelope(false, "Please verify your pin first.", "[]", 428));
        QVERIFY(answered(2));
        QCOMPARE(fixture().alerts.count(), 1);
        QCOMPARE(fixture().alerts.alerts().first().message, "Ooops");
        QCOMPARE(fixture().alerts.alerts().first().informative, "Please verify your pin first.");
        fixture().alerts.pressOk();
        QVERIFY(settings().boolValue(keys::isPinSeted));
        QCOMPARE(pinProtection.values, QList<QVariant> {true});
        QVERIFY(m_gate->isVisible());

        verify(m_gate, fixture(), accepted, "{\"status\":true}");
        QVERIFY(answered(4));
        QCOMPARE(fixture().alerts.count(), 0);
        QVERIFY(settings().boolValue(keys::isPinSeted));
        QVERIFY(m_gate->isVisible());
        QVERIFY(outlet(m_gate, "btnVerify")->isEnabled());
    }

    // An undecodable check: "Error in pin verify"; for a PIN removal, OK puts the switch back.
    void anUndecodableCheck_data()
    {
        QTest::addColumn<PinAction>("action");
        QTest::addColumn<QList<QVariant>>("posted");
        dataRow("PIN removal", PinAction::removePin, QList<QVariant> {true});
        dataRow("protection off", PinAction::protectionOff, QList<QVariant> {});
    }

    void anUndecodableCheck()
    {
        QFETCH(PinAction, action);
        QFETCH(QList<QVariant>, posted);
        NotificationSpy pinProtection(notifications::pinProtectionOff);
        beginGate(action);
        verify(m_gate, fixture(), "{\"status\":true,\"msg\":1}");
        QTRY_COMPARE(fixture().alerts.informatives(), QStringList {"Error in pin verify"});
        fixture().alerts.pressOk();
        QCOMPARE(pinProtection.values, posted);
        QVERIFY(m_gate->isVisible());
    }

    // The stored attempt number follows the server's answers, and never goes past its three tries.
    void theAttemptNumberFollowsTheServer_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<QList<qint64>>("sent");
        QTest::addColumn<qint64>("after");
        const QByteArray blocked
            = envelope(false, "Your pin has been bloked.", pinRecord("0", "12", 900), 423);
        const QByteArray blockingTry
            = envelope(false, "Please enter a valid otp.", pinRecord("0", "12", 900), 422);
        const QByteArray otherRefusal = envelope(false, "No pin is set for this account.", "null", 404);
        dataRow("two wrong tries", qint64(1), QList<QByteArray> {wrongPin, wrongPin}, QList<qint64> {1, 2},
            qint64(3));
        dataRow("wrong tries never count past three", qint64(2),
            QList<QByteArray> {wrongPin, wrongPin, wrongPin}, QList<qint64> {2, 3, 3}, qint64(3));
        dataRow("the try that blocks starts the count again", qint64(3), QList<QByteArray> {blockingTry},
            QList<qint64> {3}, qint64(1));
        dataRow("the block at three starts again", qint64(3), QList<QByteArray> {blocked}, QList<qint64> {3},
            qint64(1));
        dataRow("the block below three keeps the number", qint64(2), QList<QByteArray> {blocked},
            QList<qint64> {2}, qint64(2));
        dataRow("another refusal keeps it", qint64(2), QList<QByteArray> {otherRefusal}, QList<qint64> {2},
            qint64(2));
        dataRow("a stored 0 is sent as 1", qint64(0), QList<QByteArray> {otherRefusal}, QList<qint64> {1},
            qint64(1));
        dataRow("accepted in the gate: kept", qint64(2), QList<QByteArray> {accepted}, QList<qint64> {2},
            qint64(2));
    }

    void theAttemptNumberFollowsTheServer()
    {
        QFETCH(qint64, stored);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(QList<qint64>, sent);
        QFETCH(qint64, after);
        settings().setInteger(keys::attemp, stored);
        beginGate(PinAction::none);
        for (int i = 0; i < answers.size(); ++i) {
            verify(m_gate, fixture(), answers[i]);
            QVERIFY(answered(i + 1));
            QCOMPARE(fixture().lastRequestTo("checkPin").queryItemValue("attempt").toLongLong(), sent[i]);
            PinBlock::current().clear(); // the block is the next test's
        }
        QCOMPARE(settings().integerValue(keys::attemp), after);
    }

    // The server's block: its message and the time left, Verify held back until the block ends (no try
    // is sent before), and the PIN field keeps its text. The block holds every gate of the process.
    void theServersBlockIsShownAndHonoured()
    {
        beginGate(PinAction::none);
        QAbstractButton* verifyButton = outlet(m_gate, "btnVerify");
        QLabel* notice = outlet<QLabel>(m_gate, "lblPinBlocked");
        QVERIFY(!notice->isVisible());
        verify(
            m_gate, fixture(), envelope(false, "Please enter a valid otp.", pinRecord("0", "12", 900), 422));
        QVERIFY(answered(1));
        QCOMPARE(fixture().alerts.informatives(),
            QStringList {"Please enter a valid otp.\nYou can try again in 15 minutes."});
        QVERIFY(!verifyButton->isEnabled());
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->text(), "You can try again in 15 minutes.");
        QCOMPARE(outlet<SecureTextField>(m_gate, "pinTF")->text(), "482913");
        verifyAccessibleNames(m_gate, "482913"); // the masked PIN reaches no assistive technology
        QVERIFY(outlet(m_gate, "btnRetrieveMyPinCode")->isEnabled()); // asking for the PIN is no try

        // Another gate, or the same one pressed by the keyboard, sends nothing either.
        QPointer<VerifyPin> first = m_gate;
        first->close();
        beginGate(PinAction::none);
        QVERIFY(!outlet(m_gate, "btnVerify")->isEnabled());
        QTest::keyClick(outlet<SecureTextField>(m_gate, "pinTF"), Qt::Key_Return);
        QVERIFY(waitForPostedEvents());
        QCOMPARE(fixture().app.requestsTo("checkPin"), 1);
        delete first;
    }

    void triesComeBackWhenTheBlockEnds()
    {
        beginGate(PinAction::none);
        verify(m_gate, fixture(), envelope(false, "Your pin has been bloked.", pinRecord("0", "12", 1), 423));
        QVERIFY(answered(1));
        QCOMPARE(fixture().alerts.alerts().first().informative,
            "Your pin has been bloked.\nYou can try again in 1 minute.");
        QVERIFY(!outlet(m_gate, "btnVerify")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(outlet(m_gate, "btnVerify")->isEnabled(), 20000);
        QVERIFY(!outlet<QLabel>(m_gate, "lblPinBlocked")->isVisible());
    }

    // A request that gets no answer gives the gate back and says that the server could not be reached.
    void noAnswerLeavesTheGateAlive_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<PinAction>("action");
        dataRow("the check", QString("btnVerify"), PinAction::none);
        dataRow("the removal", QString("btnVerify"), PinAction::removePin);
        dataRow("the website unblock", QString("btnVerify"), PinAction::unblockWebsite);
        dataRow("the retrieval", QString("btnRetrieveMyPinCode"), PinAction::none);
    }

    void noAnswerLeavesTheGateAlive()
    {
        QFETCH(QString, button);
        QFETCH(PinAction, action);
        m_websiteRemoval.domainId = 42;
        beginGate(action);
        QTest::keyClicks(outlet<SecureTextField>(m_gate, "pinTF"), "482913");
        const bool checkFirst = action != PinAction::none;
        fixture().answer(checkFirst ? accepted : QByteArray());
        if (!checkFirst) {
            fixture().failTransport();
        }
        click(outlet(m_gate, button.toLatin1().constData()));
        if (checkFirst) {
            fixture().failTransport();
        }
        QTRY_COMPARE(fixture().alerts.informatives(),
            QStringList {"The server could not be reached. Please try again."});
        QVERIFY(m_gate->isVisible());
        for (const char* name : {"btnVerify", "btnRetrieveMyPinCode", "btnCancel"}) {
            QVERIFY2(outlet(m_gate, name)->isEnabled(), name);
        }
        QVERIFY(settings().boolValue(keys::isPinSeted));
    }

    // From the in-app gate the retrieval page opens as a window of its own, without Back, and the gate
    // stays; a refusal shows the server's message; an undecodable answer is only printed.
    void retrievalFromTheInAppGate()
    {
        retrieveFromStartGate = true;
        beginGate(PinAction::protectionOff);
        fixture().answer(envelope(false, "No pin is set for this account.", "null", 404));
        click(outlet(m_gate, "btnRetrieveMyPinCode"));
        QTRY_COMPARE(fixture().alerts.informatives(), QStringList {"No pin is set for this account."});
        QVERIFY(!m_gate->retrievePage()->isVisible());
        fixture().alerts.pressOk();

        fixture().answer("{}");
        click(outlet(m_gate, "btnRetrieveMyPinCode"));
        QVERIFY(fixture().log.waitFor("========= Error decoding model response ============"));
        QCOMPARE(fixture().alerts.count(), 0);

        const QString due = "Your request has been registered. Your pin will be e-mailed to you in 12 hours.";
        fixture().answer(envelope(true, due, pinRecord()));
        click(outlet(m_gate, "btnRetrieveMyPinCode"));
        QTRY_VERIFY(m_gate->retrievePage()->isVisible());
        QVERIFY(!retrieveFromStartGate);
        QVERIFY(m_gate->isVisible());
        QVERIFY(!outlet(m_gate->retrievePage(), "btnBack")->isVisible());
        QCOMPARE(outlet<QLabel>(m_gate->retrievePage(), "lblServerMessage")->text(), due);
        QCOMPARE(fixture().lastRequestTo("retrievePin").queryItemValue("user_id"), "7");
        verifyAccessibleNames(m_gate->retrievePage(), QString());
    }

    // The start gate: an accepted PIN opens the home screen in an 800 by 500 window with a transparent
    // title bar, starts the count again and asks for the account's state.
    void theStartGateOpensTheHomeScreen()
    {
        settings().setInteger(keys::attemp, 3);
        settings().setString(keys::userEmail, "ann@example.org");
        auto* gate = new VerifyPinOnStart(fixture().host, &fixture().window());
        QVERIFY(fixture().log.contains("Current User email - ann@example.org"));
        fixture().window().beginSheet(gate);
        const int synchronisations = fixture().app.requestsTo("sync-url");
        verify(gate, fixture(), accepted, syncAnswer(true));
        const auto content = [this] {
            QWidget* screen = fixture().window().contentViewController();
            return screen ? screen->objectName() : QString();
        };
        QTRY_COMPARE(content(), "SplitViewController");
        QVERIFY(!fixture().sheet());
        QCOMPARE(fixture().window().size(), QSize(800, 500));
        QCOMPARE(fixture().window().property("titleBarTransparent").toBool(), true);
        QCOMPARE(settings().integerValue(keys::attemp), 1);
        QTRY_COMPARE(fixture().app.requestsTo("sync-url"), synchronisations + 1);
    }

    // Cancelling the start gate leaves no window on screen; BREVAK keeps running.
    void cancellingTheStartGateHidesTheWindow()
    {
        auto* gate = new VerifyPinOnStart(fixture().host, &fixture().window());
        fixture().window().beginSheet(gate);
        click(outlet(gate, "btnCancel"));
        QVERIFY(!gate->isVisible());
        QVERIFY(!fixture().window().isVisible());
        QCOMPARE(fixture().app.requestsTo("checkPin"), 0);
    }

    // The start screen's routing meets the real start gate; retrieval from it ends the gate and begins
    // the retrieval page as a sheet, whose Back leads to the process's start gate.
    void retrievalFromTheStartGateLeadsBackToIt()
    {
        settings().setBool(keys::isLogin, true);
        fixture().answer(syncAnswer(true));
        fixture().window().setContentViewController(
            new ViewController(fixture().host, nullptr, std::chrono::milliseconds(0)));
        QTRY_VERIFY(qobject_cast<VerifyPinOnStart*>(fixture().sheet()));
        auto* gate = qobject_cast<VerifyPinOnStart*>(fixture().sheet());

        fixture().answer(envelope(true, "Your request has been registered.", pinRecord()));
        click(outlet(gate, "btnRetrieveMyPin"));
        QVERIFY(retrieveFromStartGate);
        QTRY_COMPARE(fixture().sheet(), gate->retrievePage());
        QVERIFY(!gate->isVisible());
        QAbstractButton* back = outlet(gate->retrievePage(), "btnBack");
        QVERIFY(back->isVisible());
        verifyAccessibleNames(gate->retrievePage(), QString());

        click(back);
        QDialog* startGate = fixture().sheet();
        QVERIFY(qobject_cast<VerifyPinOnStart*>(startGate));
        QVERIFY(!gate->retrievePage()->isVisible());
        // The same process-wide gate every time.
        fixture().window().endSheet(startGate);
        fixture().window().beginSheet(gate->retrievePage());
        click(back);
        QCOMPARE(fixture().sheet(), startGate);
    }

    // A gate is made with the screen that owns it, before the language may change (at launch, the
    // stored language follows the system's after the start screen was made): it speaks the language
    // of the moment it is shown, and so does its retrieval page.
    void aGateSpeaksTheLanguageOfTheMomentItIsShown()
    {
        settings().setString(keys::currentLanguage, "en");
        auto* gate = new VerifyPinOnStart(fixture().host, &fixture().window());
        settings().setString(keys::currentLanguage, "fr");
        fixture().window().beginSheet(gate);
        QCOMPARE(gate->windowTitle(), "Saisissez le code PIN pour confirmer");
        QCOMPARE(outlet(gate, "btnVerify")->text(), "Vérifier");
        fixture().window().endSheet(gate);
        fixture().window().beginSheet(gate->retrievePage());
        QCOMPARE(outlet(gate->retrievePage(), "btnLiveChat")->text(), "Chat en direct 24 h/24, 7 j/7");
    }
};

QTEST_MAIN(TestPinGates)
#include "tst_pingates.moc"
