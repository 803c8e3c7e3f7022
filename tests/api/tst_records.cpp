#include "AnswerDecoders.h"
#include "DataRow.h"
#include "Fixtures.h"

#include <QRegularExpression>
#include <QTest>

// Decoding of the server's answers: one answer per endpoint as the server sends it (fixtures/), and
// how the strict reader refuses what does not fit, with the path of the offending value.
class TestRecords : public QObject
{
    Q_OBJECT

private:
    template<AnswerRecord Record>
    static Record decodedFixture(const QString& name)
    {
        const Decoded<Record> decoded = decodeRecord<Record>(::fixture(name));
        if (!decoded) {
            qFatal("%s does not decode: %s", qPrintable(name), qPrintable(decoded.error.text()));
        }
        return *decoded.record;
    }

private Q_SLOTS:
    void everyAnswerDecodesIntoItsRecord()
    {
        const QList<std::pair<const char*, const char*>> answers {{"login.json", "BaseModel<AuthModel>"},
            {"refused.json", "BaseModel<AuthModel>"}, {"update_profile.json", "BaseModel<UpdateProfile>"},
            {"setup_pin.json", "BaseModel<SetupPinModel>"}, {"check_pin.json", "BaseModel<CheckPinModel>"},
            {"update_pin.json", "BaseModel<UpdatePinModel>"},
            {"retrieve_pin.json", "BaseModel<RetrievePinModel>"},
            {"block_list.json", "BaseModel<BlockWebsiteModel>"},
            {"block_website.json", "BaseModel<BlockData>"}, {"unblock_website.json", "UnblockWebsiteModel"},
            {"remove_pin.json", "DisablePinModel"}, {"logout.json", "LogoutModel"},
            {"sync_url.json", "BaseModel<SyncURLModel>"}, {"facebook_me.json", "FacebokGraphAPIModel"}};
        for (const auto& [name, type] : answers) {
            const DecodeOutcome outcome = answerDecoder(type)->decode(::fixture(name));
            QVERIFY2(outcome.decoded, qPrintable(QString(name) + ": " + outcome.text));
        }
    }

    void theReaderRefusesWhatDoesNotFit_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error"); // empty: decodes
        const QByteArray envelope = R"("status":true,"code":1,"msg":"","version":"")";
        dataRow("unknown keys are ignored", "LogoutModel",
            "{" + envelope + R"(,"data":[],"extra":{"a":[1]}})", "");
        dataRow("required key missing", "LogoutModel",
            QByteArray(R"({"code":1,"msg":"","version":"","data":[]})"), "status: required key is missing");
        dataRow("integer as a string", "LogoutModel",
            QByteArray(R"({"status":true,"code":"1","msg":"","version":"","data":[]})"),
            "code: expected an integer, found a string");
        dataRow("array element", "LogoutModel", "{" + envelope + R"(,"data":["a",2]})",
            "data[1]: expected a string, found an integer");
        dataRow("nested record", "BaseModel<SyncURLModel>",
            "{" + envelope + R"(,"data":{"pin_protection":{}}})",
            "data.pin_protection.id: required key is missing");
        dataRow("optional null", "BaseModel<SyncURLModel>",
            "{" + envelope + R"(,"data":{"pin_protection":null}})", "");
        dataRow("required data missing", "UnblockWebsiteModel", "{" + envelope + "}",
            "data: required key is missing");
        dataRow("not JSON", "LogoutModel", QByteArray("<html>"),
            "the data is not valid JSON: illegal number at offset 0");
    }

    void theReaderRefusesWhatDoesNotFit()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        const DecodeOutcome outcome = answerDecoder(type)->decode(body);
        QVERIFY2(outcome.decoded == error.isEmpty(), qPrintable(outcome.text));
        QCOMPARE(outcome.decoded ? QString() : outcome.text, error);
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
