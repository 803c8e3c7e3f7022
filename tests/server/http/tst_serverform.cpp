#include "DataRow.h"
#include "FormData.h"

#include <QTest>

// Reading form bodies and query strings.
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
        dataRow("escaped ampersand and equals", QByteArray("name=a%26b%3Dc&x=1"), "name", "a&b=c");
        dataRow("UTF-8 escapes", QByteArray("name=Zo%C3%AB+%E5%B1%B1%E7%94%B0"), "name",
            QStringLiteral("Zoë 山田"));
        dataRow("raw UTF-8 bytes",
            QByteArray("domain=b\xC3\xBC"
                       "cher.de"),
            "domain", QStringLiteral("bücher.de"));
        dataRow("empty value", QByteArray("user_id=&pin=1"), "user_id", "");
        dataRow("key without equals", QByteArray("flag&a=1"), "flag", "");
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
        dataRow("percent without digits", QByteArray("pin=%G1"));
        dataRow("percent at the end", QByteArray("pin=12%"));
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
};

QTEST_GUILESS_MAIN(TestServerForm)
#include "tst_serverform.moc"
