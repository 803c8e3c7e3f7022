#include "DataRow.h"
#include "ModelText.h"

#include <QTest>

// The model name as the account server receives it, from the bytes the system keeps it in.
class TestModelText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        dataRow("registry value with its NUL", QByteArray("MacBookPro18,1\0", 15), QString("MacBookPro18,1"));
        dataRow("kernel file with its line break", QByteArray("Standard PC (Q35)\n"),
            QString("Standard PC (Q35)"));
        dataRow("blanks inside stay", QByteArray("\tMac mini\r\n"), QString("Mac mini"));
        dataRow("utf-8", QByteArray("Poste d’équipe\n"), QString::fromUtf8("Poste d’équipe"));
        dataRow("not utf-8", QByteArray("Mac\xff\xfe"), QString());
        dataRow("nothing", QByteArray(), QString());
    }

    void modelText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(platform::modelText(bytes), text);
    }
};

QTEST_GUILESS_MAIN(TestModelText)
#include "tst_modeltext.moc"
