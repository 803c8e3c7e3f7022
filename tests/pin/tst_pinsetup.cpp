#include "DataRow.h"
#include "EventOrder.h"
#include "HiddenPin.h"
#include "OnlyIntegerValueFormatter.h"
#include "PinProtectionWC.h"
#include "PinTestSupport.h"
#include "SecureTextField.h"
#include "setWaitingTimeWC.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSet>

// Setting the PIN: the PIN sheet (typed or hidden PIN) and the waiting-time sheet that sends it.
class TestPinSetup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PinSheetsFixture> m_fixture;
    QPointer<PinProtectionWC> m_pinSheet;

    SecureTextField* pinField() const { return outlet<SecureTextField>(m_pinSheet, "PinTextField"); }

    void openPinSheet()
    {
        m_pinSheet = new PinProtectionWC(m_fixture->host, &m_fixture->window());
        m_fixture->window().beginSheet(m_pinSheet);
    }

    // "Set Pin" with what the field holds; the waiting-time sheet it opens, if any.
    setWaitingTimeWC* setPin()
    {
        QTest::mouseClick(outlet(m_pinSheet, "btnSetPin"), Qt::LeftButton);
        return m_pinSheet->waitingTimeSheet();
    }

    // Everything BREVAK wrote: its settings file and its log.
    QString writtenSoFar() const
    {
        QFile settings(m_fixture->app.mac.root() + "/home/Library/Preferences/com.mac.brevak.json");
        settings.open(QIODevice::ReadOnly);
        return QString::fromUtf8(settings.readAll()) + m_fixture->log.lines().join('\n');
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<PinSheetsFixture>();
        QVERIFY(m_fixture->reachable());
        openPinSheet();
    }

    void cleanup() { m_fixture.reset(); }

    // Typed and pasted text reaches the field only as far as it is digits, six at most.
    void theFieldTakesSixDigitsOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("expected");
        dataRow("six digits", QString("482913"), QString(), QString("482913"));
        dataRow("a seventh digit", QString("4829137"), QString(), QString("482913"));
        dataRow("letters and a blank typed", QString("4a8 2"), QString(), QString("482"));
        dataRow("pasted letters", QString("48"), QString("29ab"), QString("48"));
        dataRow("a pasted sign", QString(), QString("+12345"), QString());
        dataRow("a pasted minus", QString(), QString("-12345"), QString());
        dataRow("pasted digits of another script", QString(), QString("٤٨٢٩١٣"), QString());
        dataRow("pasted digits beyond six", QString("4"), QString("829137"), QString("4"));
    }

    void theFieldTakesSixDigitsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, expected);
        QTest::keyClicks(pinField(), typed);
        if (!pasted.isEmpty()) {
            QApplication::clipboard()->setText(pasted);
            pinField()->paste();
        }
        QCOMPARE(pinField()->text(), expected);
    }

    // Five digits are not a PIN: the alert says so and nothing goes on.
    void setPinWantsSixDigits()
    {
        QTest::keyClicks(pinField(), "48291");
        QVERIFY(!setPin());
        QCOMPARE(m_fixture->alerts.informatives(), QStringList {"Please assign only 6 digit pin!"});
        QCOMPARE(m_fixture->sheet(), m_pinSheet.data());
    }

    // Six digits, the first never 0, every digit drawn.
    void aHiddenPinIsSixDigitsFromOneToNineFirst()
    {
        QSet<QChar> firsts;
        QSet<QChar> others;
        for (int draw = 0; draw < 2000; ++draw) {
            const QString pin = drawHiddenPin();
            QVERIFY(isSixDigitPin(pin));
            QVERIFY(pin.front() != '0');
            firsts.insert(pin.front());
            for (QChar digit : pin.mid(1)) {
                others.insert(digit);
            }
        }
        QCOMPARE(firsts.size(), 9);
        QCOMPARE(others.size(), 10);
    }

    // The drawn PIN is masked, has no eye button, reads as nobody's text, and passes "Set Pin".
    void aHiddenPinIsNeverShown()
    {
        click(outlet(m_pinSheet, "btnRandomPin"));
        const QString pin = pinField()->text();
        QVERIFY(isSixDigitPin(pin));
        QCOMPARE(pinField()->echoMode(), QLineEdit::Password);
        QVERIFY(!pinField()->displayToggleButton());
        verifyAccessibleNames(m_pinSheet, pin);
        QCOMPARE(QAccessible::queryAccessibleInterface(pinField())->text(QAccessible::Name), "PIN");
        QVERIFY(!pinField()->displayText().contains(pin));
    }

    // One keystroke into a hidden PIN empties the field, which shows what is typed again; undoing
    // does not bring the hidden PIN back.
    void typingDiscardsAHiddenPinWhole()
    {
        click(outlet(m_pinSheet, "btnRandomPin"));
        const QString pin = pinField()->text();
        QTest::keyClick(pinField(), Qt::Key_5);
        QCOMPARE(pinField()->text(), QString());
        QVERIFY(pinField()->passwordIsVisible());
        QTest::keyClick(pinField(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!pinField()->text().contains(pin));
        QTest::keyClicks(pinField(), "12a3");
        QCOMPARE(pinField()->text(), "123"); // the formatter is back
    }

    // The hidden PIN goes to the server and nowhere else: not to the settings, not to the log.
    void aHiddenPinIsSentAndNeverStoredOrPrinted()
    {
        click(outlet(m_pinSheet, "btnRandomPin"));
        const QString pin = pinField()->text();
        setWaitingTimeWC* waiting = setPin();
        QVERIFY(waiting);
        QCOMPARE(m_fixture->sheet(), waiting);
        QVERIFY(!m_pinSheet->isVisible());
        verifyAccessibleNames(waiting, pin);
        // The answer carries the PIN, as a careless server might: the printed record masks it.
        m_fixture->answer(
            envelope(true, "Your pin has been set.", pinRecord('"' + pin.toUtf8() + '"', "\"12\"")));
        click(outlet(waiting, "btnSetTheTime"));
        QTRY_VERIFY(!waiting->isVisible());

        QCOMPARE(m_fixture->lastRequestTo("setupPin").queryItemValue("pin"), pin);
        QVERIFY(!m_fixture->settings().objectValue(keys::pin).isValid());
        const QStringList printed = m_fixture->log.lines().filter("Setup Pin Model Response - ");
        QCOMPARE(printed.size(), 1);
        QVERIFY(printed.first().contains("pin: <redacted>"));
        QVERIFY2(!writtenSoFar().contains(pin), qPrintable(writtenSoFar()));
    }

    // Tags 0 to 3 choose what is sent as `time`; no choice sends 12; another tag changes nothing.
    void theWaitingTimeSent_data()
    {
        QTest::addColumn<QList<int>>("tags");
        QTest::addColumn<QString>("time");
        dataRow("no choice", QList<int> {}, QString("12"));
        dataRow("12 hours", QList<int> {0}, QString("12"));
        dataRow("24 hours", QList<int> {1}, QString("24"));
        dataRow("48 hours", QList<int> {2}, QString("48"));
        dataRow("forever", QList<int> {3}, QString("175200"));
        dataRow("48 hours, then an unknown tag", QList<int> {2, 7}, QString("48"));
    }

    void theWaitingTimeSent()
    {
        QFETCH(QList<int>, tags);
        QFETCH(QString, time);
        QTest::keyClicks(pinField(), "482913");
        setWaitingTimeWC* waiting = setPin();
        QVERIFY(waiting);
        const QList<QAbstractButton*> choices {outlet(waiting, "btn12Hours"), outlet(waiting, "btn24Hours"),
            outlet(waiting, "btn48Hours"), outlet(waiting, "btnForever")};
        for (int tag : tags) {
            if (tag < choices.size()) {
                click(choices[tag]);
            } else {
                waiting->selectedHours(tag);
            }
        }
        m_fixture->answer(
            envelope(true, "Your pin has been set.", pinRecord("\"******\"", '"' + time.toUtf8() + '"')));
        click(outlet(waiting, "btnSetTheTime"));
        QTRY_VERIFY(!waiting->isVisible());
        QCOMPARE(m_fixture->lastRequestTo("setupPin").queryItemValue("time"), time);
        QCOMPARE(m_fixture->lastRequestTo("setupPin").queryItemValue("pin"), "482913");
    }

    // A PIN counts as set once the server accepted it, and only then: cancelling the waiting time or
    // a refusal leaves no PIN behind; acceptance tells the screens that PIN protection is on.
    void thePinIsSetOnlyOnceTheServerAcceptedIt()
    {
        NotificationSpy pinProtection(notifications::pinProtectionOff);
        QTest::keyClicks(pinField(), "482913");
        setWaitingTimeWC* waiting = setPin();
        QVERIFY(waiting);
        click(outlet(waiting, "btnCancel"));
        QVERIFY(!waiting->isVisible());
        QVERIFY(!m_fixture->settings().boolValue(keys::isPinSeted));
        QCOMPARE(m_fixture->app.requestsTo("setupPin"), 0);

        m_fixture->window().beginSheet(m_pinSheet);
        QTest::keyClicks(pinField(), "482913");
        waiting = setPin();
        m_fixture->answer(envelope(false, "A pin is already set for this account.", "null", 409));
        click(outlet(waiting, "btnSetTheTime"));
        QTRY_COMPARE(
            m_fixture->alerts.informatives(), QStringList {"A pin is already set for this account."});
        QVERIFY(waiting->isVisible());
        QVERIFY(!m_fixture->settings().boolValue(keys::isPinSeted));
        QVERIFY(pinProtection.values.isEmpty());

        m_fixture->answer("{\"status\":true}");
        click(outlet(waiting, "btnSetTheTime"));
        QTRY_COMPARE(m_fixture->alerts.count(), 2);
        QCOMPARE(m_fixture->alerts.alerts().last().informative, "Error in pin setup");
        QVERIFY(!m_fixture->settings().boolValue(keys::isPinSeted));

        m_fixture->answer(envelope(true, "Your pin has been set.", pinRecord("\"******\"", "\"12\"")));
        click(outlet(waiting, "btnSetTheTime"));
        QTRY_VERIFY(!waiting->isVisible());
        QVERIFY(m_fixture->settings().boolValue(keys::isPinSeted));
        QCOMPARE(pinProtection.values, QList<QVariant> {true});
    }

    // A request that gets no answer gives "Set Time" back and says that the server could not be
    // reached; nothing is stored.
    void noAnswerLeavesTheSheetAlive()
    {
        QTest::keyClicks(pinField(), "482913");
        setWaitingTimeWC* waiting = setPin();
        QAbstractButton* setTime = outlet(waiting, "btnSetTheTime");
        m_fixture->failTransport();
        click(setTime);
        QVERIFY(!setTime->isEnabled()); // no second request while one is out
        QTRY_VERIFY(setTime->isEnabled());
        QCOMPARE(m_fixture->alerts.informatives(),
            QStringList {"The server could not be reached. Please try again."});
        QVERIFY(waiting->isVisible());
        QVERIFY(!m_fixture->settings().boolValue(keys::isPinSeted));
    }

    // The key stays "Assign 4 Digit Pin"; what the user reads says six digits, in both languages, and
    // follows a change of language.
    void theTitleSaysSixDigits()
    {
        QLabel* title = outlet<QLabel>(m_pinSheet, "lblAssign4DigitPin");
        QVERIFY(title->text().contains('6'));
        QVERIFY(!title->text().contains('4'));
        m_fixture->settings().setString(keys::currentLanguage, "fr");
        NotificationCenter::shared().post(QString::fromLatin1(notifications::updateChooseLanguage), "fr");
        QCOMPARE(title->text(), "Choisir un code PIN à 6 chiffres");
        QCOMPARE(outlet(m_pinSheet, "btnRandomPin")->text(), "Code PIN caché");
    }
};

QTEST_MAIN(TestPinSetup)
#include "tst_pinsetup.moc"
