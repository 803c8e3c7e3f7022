#include "DataRow.h"
#include "FormData.h"
#include "Validation.h"

#include <QTest>

// Reading form bodies and query strings, and the rules user-typed values must meet.
class TestServerForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesFields_data()
    {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        dataRow("plus is a blank", QByteArray("device_name=Mac+Book+Pro"), "device_name", "Mac Book Pro");
        dataRow("escaped plus stays a plus", QByteArray("pin=%2B12345"), "pin", "+12345");
        dataRow("escaped ampersand and equals", QByteArray("name=a%26b%3Dc&x=1"), "name", "a&b=c");
        dataRow("UTF-8 escapes", QByteArray("name=Zo%C3%AB+%E5%B1%B1%E7%94%B0"), "name",
            QStringLiteral("Zoë 山田"));
        dataRow("raw UTF-8 bytes",
            QByteArray("domain=b\xC3\xBC"
                       "cher.de"),
            "domain", QStringLiteral("bücher.de"));
        dataRow("empty value", QByteArray("user_id=&pin=1"), "user_id", "");
        dataRow("key without equals", QByteArray("flag&a=1"), "flag", "");
        dataRow("stray ampersands", QByteArray("&&a=1&&"), "a", "1");
        dataRow("lower-case hex", QByteArray("a=%c3%a9"), "a", QStringLiteral("é"));
    }

    void decodesFields()
    {
        QFETCH(QByteArray, encoded);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QString error;
        const std::optional<FormData> form = FormData::parse(encoded, error);
        QVERIFY2(form, qPrintable(error));
        QCOMPARE(form->value(key), std::optional<QString>(expected));
    }

    void refusesMalformedForms_data()
    {
        QTest::addColumn<QByteArray>("encoded");
        dataRow("invalid UTF-8", QByteArray("email=%FF%FE"));
        dataRow("overlong UTF-8", QByteArray("email=%C0%AF"));
        dataRow("truncated UTF-8", QByteArray("email=%E5%B1"));
        dataRow("percent without digits", QByteArray("pin=%G1"));
        dataRow("percent at the end", QByteArray("pin=12%"));
        dataRow("percent with one digit", QByteArray("pin=12%4"));
        dataRow("field given twice", QByteArray("pin=1&pin=2"));
        dataRow("NUL character", QByteArray("name=a%00b"));
        dataRow("field without name", QByteArray("=value"));
    }

    void refusesMalformedForms()
    {
        QFETCH(QByteArray, encoded);
        QString error;
        QVERIFY(!FormData::parse(encoded, error));
        QVERIFY(!error.isEmpty());
    }

    void emptyBodyHasNoFields()
    {
        QString error;
        const std::optional<FormData> form = FormData::parse(QByteArray(), error);
        QVERIFY(form);
        QCOMPARE(form->size(), 0);
        QVERIFY(!form->contains(QStringLiteral("pin")));
    }

    void emailAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        dataRow("plain", "ann@example.org", true);
        dataRow("dots, plus and sub-domains", "ann.b+brevak@mail.example.co.uk", true);
        dataRow("capitals", "Ann@Example.ORG", true);
        dataRow("one-letter top level", "ann@example.o", false);
        dataRow("no at", "ann.example.org", false);
        dataRow("two ats", "ann@b@example.org", false);
        dataRow("leading blank", " ann@example.org", false);
        dataRow("trailing blank", "ann@example.org ", false);
        dataRow("no domain dot", "ann@localhost", false);
        dataRow("line break", "ann\n@example.org", false);
        dataRow("empty", "", false);
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
        dataRow("leading zero", "012345", true);
        dataRow("five digits", "12345", false);
        dataRow("seven digits", "1234567", false);
        dataRow("signed", "+12345", false);
        dataRow("negative", "-12345", false);
        dataRow("letters", "12a456", false);
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
        dataRow("24", "24", 24);
        dataRow("48", "48", 48);
        dataRow("forever", "175200", 175200);
        dataRow("36", "36", 0);
        dataRow("leading zero", "012", 0);
        dataRow("blank", " 12", 0);
        dataRow("empty", "", 0);
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
        dataRow("large", "123456789012345678", qint64(123456789012345678));
        dataRow("zero", "0", qint64(0));
        dataRow("leading zero", "07", qint64(0));
        dataRow("negative", "-1", qint64(0));
        dataRow("too long", "1234567890123456789", qint64(0));
        dataRow("SQL", "1 OR 1=1", qint64(0));
        dataRow("empty", "", qint64(0));
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
        dataRow("SQL-looking", "x'; DROP TABLE users; --", true, true);
        dataRow("empty", "", false, true);
        dataRow("blanks only", "   ", false, true);
        dataRow("line break", "a\nb", false, false);
        dataRow("255 characters", QString(255, u'a'), true, true);
        dataRow("256 characters", QString(256, u'a'), false, false);
    }

    void domainsAndTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, domain);
        QFETCH(bool, text_);
        QCOMPARE(validation::isAcceptableDomain(text), domain);
        QCOMPARE(validation::isAcceptableText(text), text_);
    }

    void passwords()
    {
        QVERIFY(!validation::isAcceptablePassword(QStringLiteral("1234567")));
        QVERIFY(validation::isAcceptablePassword(QStringLiteral("12345678")));
        QVERIFY(validation::isAcceptablePassword(QString(1024, u'x')));
        QVERIFY(!validation::isAcceptablePassword(QString(1025, u'x')));
    }
};

QTEST_GUILESS_MAIN(TestServerForm)
#include "tst_serverform.moc"
