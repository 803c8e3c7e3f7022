#include "DataRow.h"
#include "Validation.h"

#include <QTest>

// The rules user-typed values must meet.
class TestServerValidation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emailAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        dataRow("plain", "ann@example.org", true);
        dataRow("dots, plus and sub-domains", "ann.b+brevak@mail.example.co.uk", true);
        dataRow("one-letter top level", "ann@example.o", false);
        dataRow("no at", "ann.example.org", false);
        dataRow("leading blank", " ann@example.org", false);
        dataRow("no domain dot", "ann@localhost", false);
        dataRow("line break", "ann\n@example.org", false);
        dataRow("double dot", "ann..b@example.org", false);
        dataRow("empty label", "ann@example..org", false);
    }

    void emailAddresses()
    {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QCOMPARE(validation::isEmailAddress(address), valid);
    }

    void pins_data()
    {
        QTest::addColumn<QString>("pin");
        QTest::addColumn<bool>("valid");
        dataRow("six digits", "123456", true);
        dataRow("five digits", "12345", false);
        dataRow("seven digits", "1234567", false);
        dataRow("signed", "+12345", false);
        dataRow("Arabic-Indic digits", QStringLiteral("١٢٣٤٥٦"), false);
        dataRow("empty", "", false);
    }

    void pins()
    {
        QFETCH(QString, pin);
        QFETCH(bool, valid);
        QCOMPARE(validation::isSixDigitPin(pin), valid);
    }

    void waitingTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("hours");
        dataRow("12", "12", 12);
        dataRow("forever", "175200", 175200);
        dataRow("36", "36", 0);
        dataRow("leading zero", "012", 0);
        dataRow("blank", " 12", 0);
    }

    void waitingTimes()
    {
        QFETCH(QString, text);
        QFETCH(int, hours);
        QCOMPARE(validation::waitingHours(text).value_or(0), hours);
    }

    void identifiers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("id");
        dataRow("one", "1", qint64(1));
        dataRow("zero", "0", qint64(0));
        dataRow("leading zero", "07", qint64(0));
        dataRow("too long", "1234567890123456789", qint64(0));
        dataRow("SQL", "1 OR 1=1", qint64(0));
    }

    void identifiers()
    {
        QFETCH(QString, text);
        QFETCH(qint64, id);
        QCOMPARE(validation::positiveId(text).value_or(0), id);
    }

    void domainsAndTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("domain");
        QTest::addColumn<bool>("text_");
        dataRow("host", "www.bet365.com", true, true);
        dataRow("non-ASCII", QStringLiteral("例え.テスト"), true, true);
        dataRow("empty", "", false, true);
        dataRow("blanks only", "   ", false, true);
        dataRow("line break", "a\nb", false, false);
        dataRow("255 characters", QString(255, u'a'), true, true);
        dataRow("256 characters", QString(256, u'a'), false, false);
        dataRow("255 emoji", QString(255, u'x').replace(u'x', QStringLiteral("🎰")), true, true);
    }

    void domainsAndTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, domain);
        QFETCH(bool, text_);
        QCOMPARE(validation::isAcceptableDomain(text), domain);
        QCOMPARE(validation::isAcceptableText(text), text_);
    }

    void passwords_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        dataRow("seven", "1234567", "The password must be at least 8 characters.");
        dataRow("eight", "12345678", QString());
        dataRow("1024", QString(1024, u'x'), QString());
        dataRow("1025", QString(1025, u'x'), "The password must be at most 1024 characters.");
    }

    void passwords()
    {
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        QCOMPARE(validation::passwordRefusal(password).value_or(QString()), refusal);
    }
};

QTEST_GUILESS_MAIN(TestServerValidation)
#include "tst_servervalidation.moc"
