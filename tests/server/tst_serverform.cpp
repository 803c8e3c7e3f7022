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
        QTest::newRow("plus is a blank") << QByteArray("device_name=Mac+Book+Pro") << "device_name"
                                         << "Mac Book Pro";
        QTest::newRow("escaped plus stays a plus") << QByteArray("pin=%2B12345") << "pin"
                                                   << "+12345";
        QTest::newRow("escaped ampersand and equals") << QByteArray("name=a%26b%3Dc&x=1") << "name"
                                                      << "a&b=c";
        QTest::newRow("UTF-8 escapes")
            << QByteArray("name=Zo%C3%AB+%E5%B1%B1%E7%94%B0") << "name" << QStringLiteral("Zoë 山田");
        QTest::newRow("raw UTF-8 bytes") << QByteArray("domain=b\xC3\xBC"
                                                       "cher.de")
                                         << "domain" << QStringLiteral("bücher.de");
        QTest::newRow("empty value") << QByteArray("user_id=&pin=1") << "user_id"
                                     << "";
        QTest::newRow("key without equals") << QByteArray("flag&a=1") << "flag"
                                            << "";
        QTest::newRow("stray ampersands") << QByteArray("&&a=1&&") << "a"
                                          << "1";
        QTest::newRow("lower-case hex") << QByteArray("a=%c3%a9") << "a" << QStringLiteral("é");
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
        QTest::newRow("invalid UTF-8") << QByteArray("email=%FF%FE");
        QTest::newRow("overlong UTF-8") << QByteArray("email=%C0%AF");
        QTest::newRow("truncated UTF-8") << QByteArray("email=%E5%B1");
        QTest::newRow("percent without digits") << QByteArray("pin=%G1");
        QTest::newRow("percent at the end") << QByteArray("pin=12%");
        QTest::newRow("percent with one digit") << QByteArray("pin=12%4");
        QTest::newRow("field given twice") << QByteArray("pin=1&pin=2");
        QTest::newRow("NUL character") << QByteArray("name=a%00b");
        QTest::newRow("field without name") << QByteArray("=value");
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
        QTest::newRow("plain") << "ann@example.org" << true;
        QTest::newRow("dots, plus and sub-domains") << "ann.b+brevak@mail.example.co.uk" << true;
        QTest::newRow("capitals") << "Ann@Example.ORG" << true;
        QTest::newRow("one-letter top level") << "ann@example.o" << false;
        QTest::newRow("no at") << "ann.example.org" << false;
        QTest::newRow("two ats") << "ann@b@example.org" << false;
        QTest::newRow("leading blank") << " ann@example.org" << false;
        QTest::newRow("trailing blank") << "ann@example.org " << false;
        QTest::newRow("no domain dot") << "ann@localhost" << false;
        QTest::newRow("line break") << "ann\n@example.org" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("double dot") << "ann..b@example.org" << false;
        QTest::newRow("empty label") << "ann@example..org" << false;
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
        QTest::newRow("six digits") << "123456" << true;
        QTest::newRow("leading zero") << "012345" << true;
        QTest::newRow("five digits") << "12345" << false;
        QTest::newRow("seven digits") << "1234567" << false;
        QTest::newRow("signed") << "+12345" << false;
        QTest::newRow("negative") << "-12345" << false;
        QTest::newRow("letters") << "12a456" << false;
        QTest::newRow("Arabic-Indic digits") << QStringLiteral("١٢٣٤٥٦") << false;
        QTest::newRow("empty") << "" << false;
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
        QTest::newRow("12") << "12" << 12;
        QTest::newRow("24") << "24" << 24;
        QTest::newRow("48") << "48" << 48;
        QTest::newRow("forever") << "175200" << 175200;
        QTest::newRow("36") << "36" << 0;
        QTest::newRow("leading zero") << "012" << 0;
        QTest::newRow("blank") << " 12" << 0;
        QTest::newRow("empty") << "" << 0;
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
        QTest::newRow("one") << "1" << qint64(1);
        QTest::newRow("large") << "123456789012345678" << qint64(123456789012345678);
        QTest::newRow("zero") << "0" << qint64(0);
        QTest::newRow("leading zero") << "07" << qint64(0);
        QTest::newRow("negative") << "-1" << qint64(0);
        QTest::newRow("too long") << "1234567890123456789" << qint64(0);
        QTest::newRow("SQL") << "1 OR 1=1" << qint64(0);
        QTest::newRow("empty") << "" << qint64(0);
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
        QTest::newRow("host") << "www.bet365.com" << true << true;
        QTest::newRow("non-ASCII") << QStringLiteral("例え.テスト") << true << true;
        QTest::newRow("SQL-looking") << "x'; DROP TABLE users; --" << true << true;
        QTest::newRow("empty") << "" << false << true;
        QTest::newRow("blanks only") << "   " << false << true;
        QTest::newRow("line break") << "a\nb" << false << false;
        QTest::newRow("255 characters") << QString(255, u'a') << true << true;
        QTest::newRow("256 characters") << QString(256, u'a') << false << false;
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
