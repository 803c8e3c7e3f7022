#include "ChangePin.h"
#include "DataRow.h"
#include "EventOrder.h"
#include "OnlyIntegerValueFormatter.h"
#include "PinProtectionOff.h"
#include "PinTestSupport.h"
#include "SecureTextField.h"
#include "VerifyPin.h"

#include <QFrame>
#include <QLabel>

// Giving up the PIN, changing it, and the sheet that offers both.
class TestPinChange : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PinSheetsFixture> m_fixture;
    QPointer<PinProtectionOff> m_offSheet;

    PinSheetsFixture& fixture() { return *m_fixture; }
    SettingsStore& settings() { return SettingsStore::shared(); }

    void openOffSheet()
    {
        m_offSheet = new PinProtectionOff(fixture().host, &fixture().window());
        fixture().window().beginSheet(m_offSheet);
    }

    // The change sheet, opened as the disable-or-change sheet opens it.
    ChangePin* openChangeSheet()
    {
        openOffSheet();
        click(outlet(m_offSheet, "btnChangePin"));
        return m_offSheet->changePinSheet();
    }

    static SecureTextField* field(QWidget* sheet, const char* name)
    {
        return outlet<SecureTextField>(sheet, name);
    }

    static void fill(
        ChangePin* sheet, const QString& oldPin, const QString& newPin, const QString& confirmation)
    {
        QTest::keyClicks(field(sheet, "oldPinTF"), oldPin);
        QTest::keyClicks(field(sheet, "newPinTF"), newPin);
        QTest::keyClicks(field(sheet, "confirmPinTF"), confirmation);
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<PinSheetsFixture>();
        QVERIFY(fixture().reachable());
        settings().setBool(keys::isPinSeted, true);
    }

    void cleanup() { m_fixture.reset(); }

    // Back puts the PIN switch back to what is stored.
    void backShowsTheStoredState_data()
    {
        QTest::addColumn<bool>("pinSet");
        dataRow("a PIN is set", true);
        dataRow("no PIN", false);
    }

    void backShowsTheStoredState()
    {
        QFETCH(bool, pinSet);
        settings().setBool(keys::isPinSeted, pinSet);
        NotificationSpy pinProtection(notifications::pinProtectionOff);
        openOffSheet();
        verifyAccessibleNames(m_offSheet, QString());
        click(outlet(m_offSheet, "btnBack"));
        QVERIFY(!m_offSheet->isVisible());
        QCOMPARE(pinProtection.values, QList<QVariant> {pinSet});
    }

    // With PIN protection on, "Disable Pin" leads to the PIN gate for the removal and sends nothing yet;
    // with it off, the removal goes out at once.
    void disableAsksForThePinOnlyWhenProtectionIsOn()
    {
        settings().setBool(keys::isPinEnable, true);
        openOffSheet();
        click(outlet(m_offSheet, "btnDisablePin"));
        QVERIFY(pendingPinAction == PinAction::removePin);
        QCOMPARE(fixture().sheet(), m_offSheet->verifyPinSheet());
        QVERIFY(waitForPostedEvents());
        QCOMPARE(fixture().app.requestsTo("removepin"), 0);
    }

    void disableWithoutProtectionRemovesAtOnce()
    {
        NotificationSpy pinProtection(notifications::pinProtectionOff);
        openOffSheet();
        fixture().answer(envelope(true, "Your pin has been removed.", "[]"));
        click(outlet(m_offSheet, "btnDisablePin"));
        QVERIFY(pendingPinAction == PinAction::removePin);
        QTRY_COMPARE(fixture().alerts.count(), 1);
        QCOMPARE(fixture().alerts.alerts().first().message, "Your pin has been removed.");
        QVERIFY(!settings().boolValue(keys::isPinSeted));
        QVERIFY(m_offSheet->isVisible());
        fixture().alerts.pressOk();
        QCOMPARE(pinProtection.values, QList<QVariant> {false});
        QVERIFY(!m_offSheet->isVisible());
        QCOMPARE(fixture().app.requestsTo("checkPin"), 0);
    }

    // A refusal changes nothing: the message, the PIN still set, the switch back on, the sheet open.
    void aRefusedRemovalChangesNothing()
    {
        NotificationSpy pinProtection(notifications::pinProtectionOff);
        openOffSheet();
        fixture().answer(envelope(false, "Please verify your pin first.", "[]", 428));
        click(outlet(m_offSheet, "btnDisablePin"));
        QTRY_COMPARE(fixture().alerts.informatives(), QStringList {"Please verify your pin first."});
        fixture().alerts.pressOk();
        QVERIFY(settings().boolValue(keys::isPinSeted));
        QCOMPARE(pinProtection.values, QList<QVariant> {true});
        QVERIFY(m_offSheet->isVisible());
    }

    void noAnswerLeavesTheDisableSheetAlive()
    {
        openOffSheet();
        fixture().failTransport();
        click(outlet(m_offSheet, "btnDisablePin"));
        QVERIFY(!outlet(m_offSheet, "btnDisablePin")->isEnabled());
        QTRY_COMPARE(fixture().alerts.informatives(),
            QStringList {"The server could not be reached. Please try again."});
        QVERIFY(outlet(m_offSheet, "btnDisablePin")->isEnabled());
        QVERIFY(settings().boolValue(keys::isPinSeted));
    }

    // "Change Pin" ends this sheet and begins the change sheet, which shows PIN protection on again.
    void changeOpensTheChangeSheet()
    {
        NotificationSpy pinProtection(notifications::pinProtectionOff);
        ChangePin* change = openChangeSheet();
        QVERIFY(change);
        QCOMPARE(fixture().sheet(), change);
        QVERIFY(!m_offSheet->isVisible());
        QCOMPARE(pinProtection.values, QList<QVariant> {true});
        QCOMPARE(change->findChild<QFrame*>("boxFields")->height(), ChangePin::boxHeightWithConfirmation);
        verifyAccessibleNames(change, QString());
    }

    // What the change sheet sends, or why it sends nothing; every submit shows PIN protection on.
    void submit_data()
    {
        QTest::addColumn<QString>("newPin");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("alert");
        dataRow("matching six digits", QString("135790"), QString("135790"), QString());
        dataRow("a mismatch", QString("135790"), QString("135791"), QString("Confirm password not matching"));
        dataRow("three digits, matching", QString("135"), QString("135"),
            QString("Please assign only 6 digit pin!"));
        dataRow("a sign is refused as typed", QString("+13579"), QString("13579"),
            QString("Please assign only 6 digit pin!"));
    }

    void submit()
    {
        QFETCH(QString, newPin);
        QFETCH(QString, confirmation);
        QFETCH(QString, alert);
        ChangePin* change = openChangeSheet();
        NotificationSpy pinProtection(notifications::pinProtectionOff);
        fill(change, "482913", newPin, confirmation);
        fixture().answer(envelope(true, "Your pin has been changed.", pinRecord("\"135790\"")));
        click(outlet(change, "btnSubmit"));
        QCOMPARE(pinProtection.values, QList<QVariant> {true});
        if (!alert.isEmpty()) {
            QCOMPARE(fixture().alerts.informatives(), QStringList {alert});
            QVERIFY(waitForPostedEvents());
            QCOMPARE(fixture().app.requestsTo("updatePin"), 0);
            QVERIFY(change->isVisible());
            return;
        }
        QTRY_VERIFY(!change->isVisible());
        const QUrlQuery sent = fixture().lastRequestTo("updatePin");
        QCOMPARE(sent.queryItemValue("old_pin"), "482913");
        QCOMPARE(sent.queryItemValue("pin"), "135790");
        QVERIFY(settings().boolValue(keys::isPinSeted));
        const QStringList printed = fixture().log.lines().filter("Setup Pin Model Response - ");
        QCOMPARE(printed.size(), 1);
        QVERIFY(!printed.first().contains("135790"));
        QVERIFY(!settings().objectValue(keys::pin).isValid());
    }

    // A drawn new PIN needs no confirmation: that field is hidden and the box is 190 high. It is
    // masked, without eye button, and goes to the server as drawn.
    void aHiddenNewPin()
    {
        ChangePin* change = openChangeSheet();
        QTest::keyClicks(field(change, "oldPinTF"), "482913");
        click(outlet(change, "btnRandomPin"));
        const QString pin = field(change, "newPinTF")->text();
        QVERIFY(isSixDigitPin(pin));
        QVERIFY(!field(change, "confirmPinTF")->isVisible());
        QCOMPARE(change->findChild<QFrame*>("boxFields")->height(), ChangePin::boxHeightWithoutConfirmation);
        QCOMPARE(field(change, "newPinTF")->echoMode(), QLineEdit::Password);
        QVERIFY(!field(change, "newPinTF")->displayToggleButton());
        verifyAccessibleNames(change, pin);

        fixture().answer(envelope(true, "Your pin has been changed.", pinRecord("\"******\"")));
        click(outlet(change, "btnSubmit"));
        QTRY_VERIFY(!change->isVisible());
        QCOMPARE(fixture().lastRequestTo("updatePin").queryItemValue("pin"), pin);
        QVERIFY(!fixture().log.lines().join('\n').contains(pin));
    }

    // Typing into a drawn PIN discards it whole and brings the confirmation back.
    void typingDiscardsAHiddenNewPin()
    {
        ChangePin* change = openChangeSheet();
        click(outlet(change, "btnRandomPin"));
        QTest::keyClick(field(change, "newPinTF"), Qt::Key_7);
        QCOMPARE(field(change, "newPinTF")->text(), QString());
        QCOMPARE(field(change, "confirmPinTF")->text(), QString());
        QVERIFY(field(change, "confirmPinTF")->isVisible());
        QVERIFY(field(change, "newPinTF")->displayToggleButton());
        QCOMPARE(change->findChild<QFrame*>("boxFields")->height(), ChangePin::boxHeightWithConfirmation);
    }

    // A refusal keeps the sheet with the server's message; a refusal that blocks the PIN also gives
    // the time left and holds Submit back; an undecodable answer says "Error in pin setup".
    void refusals()
    {
        ChangePin* change = openChangeSheet();
        fill(change, "111111", "135790", "135790");
        fixture().answer(envelope(false, "Your old pin is not correct.", pinRecord("\"******\""), 422));
        click(outlet(change, "btnSubmit"));
        QTRY_COMPARE(fixture().alerts.informatives(), QStringList {"Your old pin is not correct."});
        QVERIFY(change->isVisible());
        QVERIFY(outlet(change, "btnSubmit")->isEnabled());

        fixture().answer("[]");
        click(outlet(change, "btnSubmit"));
        QTRY_COMPARE(fixture().alerts.count(), 2);
        QCOMPARE(fixture().alerts.alerts().last().informative, "Error in pin setup");

        fixture().answer(
            envelope(false, "Your old pin is not correct.", pinRecord("\"******\"", "12", 600), 422));
        click(outlet(change, "btnSubmit"));
        QTRY_COMPARE(fixture().alerts.count(), 3);
        QCOMPARE(fixture().alerts.alerts().last().informative,
            "Your old pin is not correct.\nYou can try again in 10 minutes.");
        QVERIFY(!outlet(change, "btnSubmit")->isEnabled());
        QVERIFY(outlet<QLabel>(change, "lblPinBlocked")->isVisible());
        QVERIFY(settings().boolValue(keys::isPinSeted));
        QCOMPARE(fixture().app.requestsTo("updatePin"), 3);
    }

    void noAnswerLeavesTheChangeSheetAlive()
    {
        ChangePin* change = openChangeSheet();
        fill(change, "482913", "135790", "135790");
        fixture().failTransport();
        click(outlet(change, "btnSubmit"));
        QVERIFY(!outlet(change, "btnSubmit")->isEnabled());
        QTRY_VERIFY(outlet(change, "btnSubmit")->isEnabled());
        QCOMPARE(fixture().alerts.alerts().first().informative,
            "The server could not be reached. Please try again.");
        QVERIFY(change->isVisible());
    }

    void cancelSendsNothing()
    {
        ChangePin* change = openChangeSheet();
        fill(change, "482913", "135790", "135790");
        click(outlet(change, "btnCancel"));
        QVERIFY(!change->isVisible());
        QVERIFY(waitForPostedEvents());
        QCOMPARE(fixture().app.requestsTo("updatePin"), 0);
    }
};

QTEST_MAIN(TestPinChange)
#include "tst_pinchange.moc"
