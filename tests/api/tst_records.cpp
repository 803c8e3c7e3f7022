#include "AnswerDecoders.h"
#include "DataRow.h"
#include "Fixtures.h"
#include "JsonText.h"
#include "Redaction.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

// Decoding of the server's answers, driven by one answer per endpoint as the server sends it
// (fixtures/) and by edits of those answers. An edit is "path=json" to set a value, or "-path" to
// remove a key or an element; paths are written as decoding errors report them ("data.links[0].url").
class TestRecords : public QObject
{
    Q_OBJECT

private:
    // `value` with the element at `path` (["data", "links", "[0]", "url"]) replaced, or removed when
    // `replacement` is absent.
    static QJsonValue edited(
        const QJsonValue& value, QStringList path, const std::optional<QJsonValue>& replacement)
    {
        const QString step = path.takeFirst();
        const bool last = path.isEmpty();
        if (step.startsWith('[')) {
            QJsonArray array = value.toArray();
            const int index = step.mid(1).chopped(1).toInt();
            if (last && !replacement) {
                array.removeAt(index);
            } else {
                array[index] = last ? *replacement : edited(array[index], path, replacement);
            }
            return array;
        }
        QJsonObject object = value.toObject();
        if (last && !replacement) {
            object.remove(step);
        } else {
            object[step] = last ? *replacement : edited(object[step], path, replacement);
        }
        return object;
    }

    static QByteArray applyEdits(const QByteArray& body, const QStringList& edits)
    {
        QJsonValue root = *json::parse(body);
        for (const QString& edit : edits) {
            const bool removal = edit.startsWith('-');
            const QString path = removal ? edit.mid(1) : edit.section('=', 0, 0);
            const auto steps = QString(path).replace("[", ".[").split('.', Qt::SkipEmptyParts);
            root = edited(root, steps, removal ? std::nullopt : json::parse(edit.section('=', 1).toUtf8()));
        }
        return QJsonDocument(root.toObject()).toJson();
    }

    template<AnswerRecord Record>
    static Record decodedFixture(const QString& name)
    {
        const Decoded<Record> decoded = decodeRecord<Record>(::fixture(name));
        if (!decoded) {
            qFatal("%s does not decode: %s", qPrintable(name), qPrintable(decoded.error.text()));
        }
        return *decoded.record;
    }

    using Edits = QStringList;

private Q_SLOTS:
    void decoding_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("type");
        QTest::addColumn<Edits>("edits");
        QTest::addColumn<QString>("error"); // empty: decodes

        const auto row = [](const char* name, const char* fixture, const char* type, Edits edits,
                             const char* error = "") {
            dataRow(name, QString::fromLatin1(fixture), QString::fromLatin1(type), edits,
                QString::fromLatin1(error));
        };

        // Each endpoint's answer, as the server sends it, decodes into its record.
        const char* auth = "BaseModel<AuthModel>";
        row("sign-in answer", "login.json", auth, {});
        row("refusal without data", "refused.json", auth, {});
        row("reset answer", "forgot_password.json", auth, {});
        row("profile answer", "update_profile.json", "BaseModel<UpdateProfile>", {});
        row("setup answer", "setup_pin.json", "BaseModel<SetupPinModel>", {});
        row("check answer", "check_pin.json", "BaseModel<CheckPinModel>", {});
        row("update answer", "update_pin.json", "BaseModel<UpdatePinModel>", {});
        row("retrieve answer", "retrieve_pin.json", "BaseModel<RetrievePinModel>", {});
        row("list page", "block_list.json", "BaseModel<BlockWebsiteModel>", {});
        row("add answer", "block_website.json", "BaseModel<BlockData>", {});
        row("unblock answer", "unblock_website.json", "UnblockWebsiteModel", {});
        row("remove pin answer", "remove_pin.json", "DisablePinModel", {});
        row("logout answer", "logout.json", "LogoutModel", {});
        row("sync answer", "sync_url.json", "BaseModel<SyncURLModel>", {});
        row("graph answer", "facebook_me.json", "FacebokGraphAPIModel", {});

        // How the reader treats keys and types, on the sign-in answer.
        row("unknown keys are ignored", "login.json", auth, {"extra={\"nested\":[1,2]}", "data.extra=false"});
        row("required key missing", "login.json", auth, {"-status"}, "status: required key is missing");
        row("bool as a number", "login.json", auth, {"status=1"},
            "status: expected a bool, found an integer");
        row("integer as a string", "login.json", auth, {"code=\"200\""},
            "code: expected an integer, found a string");
        row("integer not integral", "login.json", auth, {"code=200.5"},
            "code: expected an integer, found a non-integral number");
        row("integer beyond 64 bits", "login.json", auth, {"code=18446744073709551616"},
            "code: expected an integer, found a non-integral number");
        row("required text null", "login.json", auth, {"msg=null"}, "msg: expected a string, found null");
        row("optional null", "login.json", auth, {"data.name=null"});
        row("optional missing", "login.json", auth, {"-data.name"});
        row("optional of another type", "login.json", auth, {"data.name=7"},
            "data.name: expected a string, found an integer");
        row("optional data missing", "login.json", auth, {"-data"});
        row("data an empty array", "login.json", auth, {"data=[]"},
            "data: expected an object (AuthModel), found an array");
        row("nested record", "login.json", auth, {"data.pin_protection.pin=\"525252\""},
            "data.pin_protection.pin: expected an integer, found a string");
        row("array element", "block_list.json", "BaseModel<BlockWebsiteModel>", {"-data.data[1].domain"},
            "data.data[1].domain: required key is missing");
        row("required data missing", "unblock_website.json", "UnblockWebsiteModel", {"-data"},
            "data: required key is missing");
        row("text array with a number", "logout.json", "LogoutModel", {"data=[\"a\",2]"},
            "data[1]: expected a string, found an integer");
    }

    void decoding()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, type);
        QFETCH(Edits, edits);
        QFETCH(QString, error);

        const AnswerDecoder* decoder = answerDecoder(type);
        QVERIFY2(decoder, qPrintable(type));
        const DecodeOutcome outcome = decoder->decode(applyEdits(::fixture(fixture), edits));
        if (error.isEmpty()) {
            QVERIFY2(outcome.decoded, qPrintable(outcome.text));
        } else {
            QVERIFY2(!outcome.decoded, qPrintable(outcome.text));
            QCOMPARE(outcome.text, error);
        }
    }

    void wholeBodyFaults_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        const QString notJson = "the data is not valid JSON: ";
        dataRow("empty", QByteArray(), notJson, "no JSON value");
        dataRow("cut off", QByteArray("{\"status\":true,"), notJson, "at offset 15");
        dataRow("two values", QByteArray("{} {}"), notJson, "at offset 4");
        dataRow("bad utf-8", QByteArray("{\"msg\":\"\xC3\x28\"}"), notJson, "at offset 8");
        dataRow("array", QByteArray("[]"), "expected an object (LogoutModel), found an array", "");
    }

    void wholeBodyFaults()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, start);
        QFETCH(QString, end);
        const DecodeOutcome outcome = answerDecoder("LogoutModel")->decode(body);
        QVERIFY(!outcome.decoded);
        QVERIFY2(outcome.text.startsWith(start) && outcome.text.endsWith(end), qPrintable(outcome.text));
    }

    // The client's check of an answer before it is handed on: any single JSON value.
    void jsonCheckAcceptsAnySingleValue_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("isJson");
        dataRow("array", QByteArray(" [1, 2] "), true);
        dataRow("number", QByteArray("42"), true);
        dataRow("null", QByteArray("null"), true);
        dataRow("blank", QByteArray(" \n"), false);
        dataRow("closing early", QByteArray("1][2"), false);
        dataRow("plain text", QByteArray("OK"), false);
    }

    void jsonCheckAcceptsAnySingleValue()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, isJson);
        QCOMPARE(json::parse(body).has_value(), isJson);
    }

    void descriptionShowsFieldsAndHidesSecrets()
    {
        QCOMPARE(describe(decodedFixture<BaseModel<BlockData>>("block_website.json")),
            R"(BaseModel<BlockData>(status: true, code: 200, msg: "Website blocked successfully.", )"
            R"(version: "3.0.0", data: BlockData(id: 13, userID: 42, domain: "poker-example.org", )"
            R"(createdAt: "2024-05-18T09:00:00.000000Z", updatedAt: "2024-05-18T09:00:00.000000Z", )"
            R"(deletedAt: nil)))");

        const QString signIn = describe(decodedFixture<BaseModel<AuthModel>>("login.json"));
        QVERIFY(signIn.contains(R"(email: "alex@example.com")"));
        QVERIFY(signIn.contains("token: ****aW9u"));
        QVERIFY(signIn.contains("otp: <redacted>"));
        QVERIFY(signIn.contains("pin: <redacted>"));
        for (const char* secret : {"eyJ0eXAi", "481516", "525252"}) {
            QVERIFY2(!signIn.contains(secret), secret);
        }
        for (const char* name :
            {"setup_pin.json", "update_pin.json", "check_pin.json", "retrieve_pin.json"}) {
            for (const AnswerDecoder& decoder : answerDecoders()) {
                const DecodeOutcome outcome = decoder.decode(::fixture(name));
                QVERIFY2(!outcome.decoded || !outcome.text.contains(QRegularExpression("525252|707070")),
                    qPrintable(outcome.text));
            }
        }
    }

    void descriptionKeepsOneLine()
    {
        // moc misreads raw strings with backslashes, hence the escapes.
        const QByteArray body = "{\"status\":false,\"code\":1,\"msg\":\"two\\nlines \\\"quoted\\\" \\\\ "
                                "\\u0007\",\"version\":\"\"}";
        const DecodeOutcome outcome = answerDecoder("BaseModel<SyncURLModel>")->decode(body);
        QVERIFY(outcome.decoded);
        QCOMPARE(outcome.text,
            "BaseModel<SyncURLModel>(status: false, code: 1, msg: \"two\\nlines \\\"quoted\\\" \\\\ "
            "\\u{7}\", "
            "version: \"\", data: nil)");
    }

    void tokensShowOnlyTheirLastFourCharacters()
    {
        QCOMPARE(redaction::lastFourOnly("abcdefghi"), "****fghi");
        QCOMPARE(redaction::lastFourOnly("abcdefgh"), "<redacted>");
        QCOMPARE(redaction::lastFourOnly(""), "<redacted>");
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
