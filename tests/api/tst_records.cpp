#include "AnswerDecoders.h"
#include "DataRow.h"
#include "Fixtures.h"
#include "JsonText.h"

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

        // How the reader treats keys and types, with the path of what it refuses.
        row("unknown keys are ignored", "login.json", auth, {"extra={\"nested\":[1,2]}", "data.extra=false"});
        row("required key missing", "login.json", auth, {"-status"}, "status: required key is missing");
        row("integer as a string", "login.json", auth, {"code=\"200\""},
            "code: expected an integer, found a string");
        row("optional of another type", "login.json", auth, {"data.name=7"},
            "data.name: expected a string, found an integer");
        row("nested record", "login.json", auth, {"data.pin_protection.pin=\"525252\""},
            "data.pin_protection.pin: expected an integer, found a string");
        row("array element", "block_list.json", "BaseModel<BlockWebsiteModel>", {"-data.data[1].domain"},
            "data.data[1].domain: required key is missing");
        row("required data missing", "unblock_website.json", "UnblockWebsiteModel", {"-data"},
            "data: required key is missing");
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
        QVERIFY2(outcome.decoded == error.isEmpty(), qPrintable(outcome.text));
        if (!error.isEmpty()) {
            QCOMPARE(outcome.text, error);
        }
    }

    // Descriptions go to the log: tokens show their last four characters, PINs and codes nothing.
    void descriptionsHideSecrets()
    {
        const QString signIn = describe(decodedFixture<BaseModel<AuthModel>>("login.json"));
        QVERIFY(signIn.contains(R"(email: "alex@example.com")"));
        QVERIFY(signIn.contains("token: ****aW9u"));
        QVERIFY(signIn.contains("otp: <redacted>"));
        QVERIFY(signIn.contains("pin: <redacted>"));
        for (const char* name :
            {"login.json", "setup_pin.json", "update_pin.json", "check_pin.json", "retrieve_pin.json"}) {
            for (const AnswerDecoder& decoder : answerDecoders()) {
                const DecodeOutcome outcome = decoder.decode(::fixture(name));
                QVERIFY2(!outcome.decoded
                        || !outcome.text.contains(QRegularExpression("eyJ0eXAi|481516|525252|707070")),
                    qPrintable(outcome.text));
            }
        }
    }

    // A message of the server cannot break the log's one line per entry.
    void descriptionKeepsOneLine()
    {
        // moc misreads raw strings with backslashes, hence the escapes.
        const QByteArray body = "{\"status\":false,\"code\":1,\"msg\":\"two\\nlines \\\"quoted\\\" \\\\ "
                                "\\u0007\",\"version\":\"\"}";
        const DecodeOutcome outcome = answerDecoder("BaseModel<SyncURLModel>")->decode(body);
        QVERIFY(outcome.decoded);
        QCOMPARE(outcome.text,
            "BaseModel<SyncURLModel>(status: false, code: 1, msg: \"two\\nlines \\\"quoted\\\" \\\\ "
            "\\u{7}\", version: \"\", data: nil)");
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
