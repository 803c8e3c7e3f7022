#include "RecordShapes.h"
#include "Records.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

// The record shapes the HTTP tests hold the answers to must be as strict as the application's decoding,
// or those tests would pass on answers the application rejects. And the page arithmetic of the
// blacklist list.
class TestServerRecords : public QObject
{
    Q_OBJECT

    static QJsonObject object(const char* json) { return QJsonDocument::fromJson(json).object(); }

    static QJsonObject validAuth()
    {
        return object(R"({"id":1,"name":null,"email":"a@b.org","email_verified_at":"","device_name":"Mac",
            "social_media":0,"profile_id":"0","otp":null,"role_id":2,"status":1,"created_at":"t","updated_at":"t",
            "token":"x","pin_protection":{"id":1,"user_id":1,"time":12,"pin":0}})");
    }

private Q_SLOTS:
    void shapesAreAsStrictAsTheApplication_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("json");
        QTest::addColumn<bool>("decodes");
        const auto auth = [](const QString& key, const QJsonValue& value) {
            QJsonObject o = validAuth();
            if (value.isUndefined())
                o.remove(key);
            else
                o.insert(key, value);
            return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
        };
        QTest::newRow("valid sign-in") << "AuthModel" << auth("name", QJsonValue::Null) << true;
        QTest::newRow("email_verified_at null")
            << "AuthModel" << auth("email_verified_at", QJsonValue::Null) << false;
        QTest::newRow("token missing") << "AuthModel" << auth("token", QJsonValue::Undefined) << false;
        QTest::newRow("otp number in AuthModel") << "AuthModel" << auth("otp", 123456) << true;
        QTest::newRow("profile_id number") << "AuthModel" << auth("profile_id", 0) << false;
        QTest::newRow("id as text") << "AuthModel" << auth("id", QStringLiteral("1")) << false;
        QTest::newRow("nested pin as text")
            << "AuthModel"
            << auth("pin_protection", QJsonObject {{"id", 1}, {"user_id", 1}, {"time", 12}, {"pin", "0"}})
            << false;
        QTest::newRow("otp number in UserModel") << "UserModel" << auth("otp", 123456) << false;
        QTest::newRow("otp text in UpdateProfile")
            << "UpdateProfile" << auth("otp", QStringLiteral("123456")) << true;
        QTest::newRow("check pin as text")
            << "CheckPinModel"
            << R"({"id":1,"user_id":1,"time":12,"pin":"0","is_block":0,"created_at":"t","updated_at":"t"})"
            << false;
        QTest::newRow("check pin without created_at")
            << "CheckPinModel"
            << R"({"id":1,"user_id":1,"time":12,"pin":0,"is_block":0,"updated_at":"t"})" << false;
        QTest::newRow("setup pin needs texts") << "SetupPinModel"
                                               << R"({"id":1,"user_id":1,"time":12,"pin":"******"})" << false;
        QTest::newRow("setup pin") << "SetupPinModel"
                                   << R"({"id":1,"user_id":1,"time":"12","pin":"******"})" << true;
        QTest::newRow("update pin needs is_block")
            << "UpdatePinModel"
            << R"({"id":1,"user_id":1,"time":12,"pin":"******"})" << false;
        QTest::newRow("empty array as record")
            << "BaseModel<AuthModel>"
            << R"({"status":true,"code":200,"msg":"","version":"1","data":[]})" << false;
        QTest::newRow("data null") << "BaseModel<AuthModel>"
                                   << R"({"status":true,"code":200,"msg":"","version":"1","data":null})"
                                   << true;
        QTest::newRow("msg missing") << "BaseModel<SyncURLModel>"
                                     << R"({"status":true,"code":200,"version":"1"})" << false;
        QTest::newRow("page without links")
            << "BlockWebsiteModel"
            << R"({"data":[],"first_page_url":"u","last_page":1,"last_page_url":"u","path":"p","per_page":500})"
            << false;
        QTest::newRow("page row missing domain")
            << "BlockWebsiteModel"
            << R"({"data":[{"id":1,"user_id":1,"created_at":"t","updated_at":"t"}],"first_page_url":"u","last_page":1,
                  "last_page_url":"u","links":[],"path":"p","per_page":500})"
            << false;
        QTest::newRow("link without active")
            << "BlockWebsiteModel"
            << R"({"data":[],"first_page_url":"u","last_page":1,"last_page_url":"u","links":[{"url":null,"label":"1"}],
                  "path":"p","per_page":500})"
            << false;
        QTest::newRow("unblock data text")
            << "UnblockWebsiteModel"
            << R"({"status":true,"code":200,"msg":"","version":"1","data":"3"})" << false;
        QTest::newRow("logout without data")
            << "LogoutModel"
            << R"({"status":true,"code":200,"msg":"","version":"1"})" << false;
        QTest::newRow("fraction as Int")
            << "UnblockWebsiteModel"
            << R"({"status":true,"code":200,"msg":"","version":"1","data":1.5})" << false;
    }

    void shapesAreAsStrictAsTheApplication()
    {
        QFETCH(QString, record);
        QFETCH(QString, json);
        QFETCH(bool, decodes);
        const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
        QVERIFY(document.isObject());
        const QString wrong = shapes::mismatch(document.object(), record);
        QVERIFY2(wrong.isEmpty() == decodes, qPrintable(wrong.isEmpty() ? QStringLiteral("decodes") : wrong));
    }

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
            list.append({i + 1, 7, QStringLiteral("site%1.example").arg(i), 0, 0});
        const QJsonObject json = records::websitePage(
            list, page, 10, total, QStringLiteral("http://h/api/v3/getblockwebsitebyuser"));
        QVERIFY2(shapes::mismatch(json, QStringLiteral("BlockWebsiteModel")).isEmpty(),
            qPrintable(shapes::mismatch(json, QStringLiteral("BlockWebsiteModel"))));
        const auto text = [&](const char* key) {
            const QJsonValue value = json.value(QString::fromLatin1(key));
            if (value.isNull())
                return QStringLiteral("null");
            if (value.isString())
                return value.toString().section(QStringLiteral("page="), 1);
            return QString::number(value.toInteger());
        };
        QCOMPARE(QStringList({text("from"), text("to"), text("last_page"), text("prev_page_url"),
                                 text("next_page_url")})
                     .join(u'|'),
            expected);
        QCOMPARE(json.value(QStringLiteral("current_page")).toInteger(), page);
        QCOMPARE(json.value(QStringLiteral("data")).toArray().size(), rows);
        // Links: previous, the pages, next; exactly the current page is active.
        const QJsonArray links = json.value(QStringLiteral("links")).toArray();
        int active = 0;
        for (const QJsonValue& link : links)
            active += link.toObject().value(QStringLiteral("active")).toBool() ? 1 : 0;
        QCOMPARE(active, page <= json.value(QStringLiteral("last_page")).toInteger() ? 1 : 0);
        QCOMPARE(links.first().toObject().value(QStringLiteral("label")).toString(),
            QStringLiteral("&laquo; Previous"));
        QCOMPARE(links.last().toObject().value(QStringLiteral("label")).toString(),
            QStringLiteral("Next &raquo;"));
    }

    void longListsShowPagesNearTheCurrentOne()
    {
        const QJsonObject json = records::websitePage({}, 50, 10, 1000, QStringLiteral("http://h/l"));
        QStringList labels;
        for (const QJsonValue& link : json.value(QStringLiteral("links")).toArray())
            labels << link.toObject().value(QStringLiteral("label")).toString();
        QCOMPARE(labels.join(u','),
            QStringLiteral("&laquo; Previous,1,...,47,48,49,50,51,52,53,...,100,Next &raquo;"));
    }
};

QTEST_GUILESS_MAIN(TestServerRecords)
#include "tst_serverrecords.moc"
