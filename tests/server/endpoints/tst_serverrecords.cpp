#include "ClientDecoding.h"
#include "ServerRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

// The page arithmetic of the blacklist list, each page decoded as the application decodes it.
class TestServerRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void websitePages_data()
    {
        QTest::addColumn<qint64>("page");
        QTest::addColumn<int>("rows");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("expected"); // from|to|last_page|prev|next
        QTest::newRow("empty list") << qint64(1) << 0 << qint64(0) << "null|null|1|null|null";
        QTest::newRow("one page") << qint64(1) << 3 << qint64(3) << "1|3|1|null|null";
        QTest::newRow("first of three") << qint64(1) << 10 << qint64(25) << "1|10|3|null|2";
        QTest::newRow("middle") << qint64(2) << 10 << qint64(25) << "11|20|3|1|3";
        QTest::newRow("last, partly filled") << qint64(3) << 5 << qint64(25) << "21|25|3|2|null";
        QTest::newRow("beyond the last") << qint64(9) << 0 << qint64(25) << "null|null|3|8|null";
    }

    void websitePages()
    {
        QFETCH(qint64, page);
        QFETCH(int, rows);
        QFETCH(qint64, total);
        QFETCH(QString, expected);
        QList<WebsiteRecord> list;
        for (int i = 0; i < rows; ++i)
            list.append({i + 1, 7, QString("site%1.example").arg(i), 0, 0});
        const QJsonObject json
            = records::websitePage(list, page, 10, total, "http://h/api/v3/getblockwebsitebyuser");
        const QString wrong
            = clientDecodingError(QJsonDocument(json).toJson(QJsonDocument::Compact), "BlockWebsiteModel");
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        const auto text = [&](const char* key) {
            const QJsonValue value = json.value(QString::fromLatin1(key));
            if (value.isNull())
                return QString("null");
            if (value.isString())
                return value.toString().section("page=", 1);
            return QString::number(value.toInteger());
        };
        QCOMPARE(QStringList({text("from"), text("to"), text("last_page"), text("prev_page_url"),
                                 text("next_page_url")})
                     .join(u'|'),
            expected);
        QCOMPARE(json.value("current_page").toInteger(), page);
        QCOMPARE(json.value("data").toArray().size(), rows);
        // Links: previous, the pages, next; exactly the current page is active.
        const QJsonArray links = json.value("links").toArray();
        int active = 0;
        for (const QJsonValue& link : links)
            active += link.toObject().value("active").toBool() ? 1 : 0;
        QCOMPARE(active, page <= json.value("last_page").toInteger() ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestServerRecords)
#include "tst_serverrecords.moc"
