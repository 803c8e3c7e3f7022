#include "AnswerDecoders.h"
#include "DataRow.h"
#include "JsonText.h"
#include "Redaction.h"

#include <QFile>
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
    static QByteArray fixture(const QString& name)
    {
        QFile file(QStringLiteral(BREVAK_API_FIXTURES "/") + name);
        if (!file.open(QIODevice::ReadOnly)) {
            qFatal("missing fixture %s", qPrintable(name));
        }
        return file.readAll();
    }

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
        const Decoded<Record> decoded = decodeRecord<Record>(fixture(name));
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

        // Envelope, on the sign-in answer.
        const char* auth = "BaseModel<AuthModel>";
        row("sign-in answer", "login.json", auth, {});
        row("unknown keys are ignored", "login.json", auth, {"extra={\"nested\":[1,2]}", "data.extra=false"});
        row("status missing", "login.json", auth, {"-status"}, "status: required key is missing");
        row("status as a number", "login.json", auth, {"status=1"},
            "status: expected a bool, found an integer");
        row("code as a string", "login.json", auth, {"code=\"200\""},
            "code: expected an integer, found a string");
        row("code not integral", "login.json", auth, {"code=200.5"},
            "code: expected an integer, found a non-integral number");
        row("code beyond 64 bits", "login.json", auth, {"code=18446744073709551616"},
            "code: expected an integer, found a non-integral number");
        row("msg null", "login.json", auth, {"msg=null"}, "msg: expected a string, found null");
        row("version as a number", "login.json", auth, {"version=3"},
            "version: expected a string, found an integer");
        row("data missing", "login.json", auth, {"-data"});
        row("data null", "login.json", auth, {"data=null"});
        row("data an empty array", "login.json", auth, {"data=[]"},
            "data: expected an object (AuthModel), found an array");
        row("refusal without data", "refused.json", auth, {});
        row("reset answer without data", "forgot_password.json", auth, {});

        // AuthModel.
        row("token missing", "login.json", auth, {"-data.token"}, "data.token: required key is missing");
        row("email_verified_at null", "login.json", auth, {"data.email_verified_at=null"},
            "data.email_verified_at: expected a string, found null");
        row("optional name null", "login.json", auth, {"data.name=null"});
        row("optional name missing", "login.json", auth, {"-data.name"});
        row("optional name of another type", "login.json", auth, {"data.name=7"},
            "data.name: expected a string, found an integer");
        row("otp as a number", "login.json", auth, {"data.otp=1234"});
        row("otp as a string", "login.json", auth, {"data.otp=\"1234\""},
            "data.otp: expected an integer, found a string");
        row("pin_protection null", "login.json", auth, {"data.pin_protection=null"});
        row("pin_protection an empty array", "login.json", auth, {"data.pin_protection=[]"},
            "data.pin_protection: expected an object (PinProtectionModel), found an array");
        row("pin_protection pin as a string", "login.json", auth, {"data.pin_protection.pin=\"525252\""},
            "data.pin_protection.pin: expected an integer, found a string");
        row("pin_protection without is_block", "login.json", auth, {"-data.pin_protection.is_block"});
        row("pin_protection without user_id", "login.json", auth, {"-data.pin_protection.user_id"},
            "data.pin_protection.user_id: required key is missing");

        // UserModel and UpdateProfile: `otp` is text there.
        const char* profile = "BaseModel<UpdateProfile>";
        row("profile answer", "update_profile.json", profile, {});
        row("profile otp as a number", "update_profile.json", profile, {"data.otp=903112"},
            "data.otp: expected a string, found an integer");
        row("profile otp null", "update_profile.json", profile, {"data.otp=null"});
        row("profile without email", "update_profile.json", profile, {"-data.email"},
            "data.email: required key is missing");
        row("profile without token", "update_profile.json", profile, {"-data.token"});

        // The PIN answers: one key set, types per record.
        const char* setup = "BaseModel<SetupPinModel>";
        row("setup answer", "setup_pin.json", setup, {});
        row("setup time as a number", "setup_pin.json", setup, {"data.time=24"},
            "data.time: expected a string, found an integer");
        row("setup pin as a number", "setup_pin.json", setup, {"data.pin=525252"},
            "data.pin: expected a string, found an integer");
        row("setup without created_at", "setup_pin.json", setup, {"-data.created_at"});

        const char* check = "BaseModel<CheckPinModel>";
        row("check answer", "check_pin.json", check, {});
        row("check pin as a string", "check_pin.json", check, {"data.pin=\"525252\""},
            "data.pin: expected an integer, found a string");
        row("check time as a string", "check_pin.json", check, {"data.time=\"24\""},
            "data.time: expected an integer, found a string");
        row("check without is_block", "check_pin.json", check, {"-data.is_block"},
            "data.is_block: required key is missing");
        row("check without created_at", "check_pin.json", check, {"-data.created_at"},
            "data.created_at: required key is missing");
        row("check refused without data", "refused.json", check, {});

        const char* update = "BaseModel<UpdatePinModel>";
        row("update answer", "update_pin.json", update, {});
        row("update pin as a number", "update_pin.json", update, {"data.pin=707070"},
            "data.pin: expected a string, found an integer");
        row("update without is_block", "update_pin.json", update, {"-data.is_block"},
            "data.is_block: required key is missing");
        row("update without created_at", "update_pin.json", update, {"-data.created_at"});

        const char* retrieve = "BaseModel<RetrievePinModel>";
        row("retrieve answer", "retrieve_pin.json", retrieve, {});
        row("retrieve without is_block", "retrieve_pin.json", retrieve, {"-data.is_block"});
        row("retrieve without user", "retrieve_pin.json", retrieve, {"-data.user"});
        row("retrieve user otp as a number", "retrieve_pin.json", retrieve, {"data.user.otp=1234"},
            "data.user.otp: expected a string, found an integer");
        row("retrieve pin as a string", "retrieve_pin.json", retrieve, {"data.pin=\"525252\""},
            "data.pin: expected an integer, found a string");

        // Blocked websites.
        const char* page = "BaseModel<BlockWebsiteModel>";
        row("list page", "block_list.json", page, {});
        row("list page without links", "block_list.json", page, {"-data.links"},
            "data.links: required key is missing");
        row("list page with an empty list", "block_list.json", page, {"data.data=[]"});
        row("list page data an object", "block_list.json", page, {"data.data={}"},
            "data.data: expected an array, found an object");
        row("list row without domain", "block_list.json", page, {"-data.data[1].domain"},
            "data.data[1].domain: required key is missing");
        row("link url null", "block_list.json", page, {"data.links[1].url=null"});
        row("link without label", "block_list.json", page, {"-data.links[0].label"},
            "data.links[0].label: required key is missing");
        row("list page user_id as a number", "block_list.json", page, {"data.user_id=42"},
            "data.user_id: expected a string, found an integer");
        row("list page without per_page", "block_list.json", page, {"-data.per_page"},
            "data.per_page: required key is missing");
        row("list page without total", "block_list.json", page, {"-data.total"});

        const char* added = "BaseModel<BlockData>";
        row("add answer", "block_website.json", added, {});
        row("add answer without user_id", "block_website.json", added, {"-data.user_id"},
            "data.user_id: required key is missing");

        // Envelopes whose data is required.
        row("unblock answer", "unblock_website.json", "UnblockWebsiteModel", {});
        row("unblock without data", "unblock_website.json", "UnblockWebsiteModel", {"-data"},
            "data: required key is missing");
        row("remove pin answer", "remove_pin.json", "DisablePinModel", {});
        row("remove pin data null", "remove_pin.json", "DisablePinModel", {"data=null"},
            "data: expected an array, found null");
        row("logout answer", "logout.json", "LogoutModel", {});
        row("logout data with a number", "logout.json", "LogoutModel", {"data=[\"a\",2]"},
            "data[1]: expected a string, found an integer");

        // Status synchronisation.
        const char* sync = "BaseModel<SyncURLModel>";
        row("sync answer", "sync_url.json", sync, {});
        row("sync without pin id", "sync_url.json", sync, {"-data.pin_protection.id"},
            "data.pin_protection.id: required key is missing");

        // Facebook's Graph API.
        row("graph answer", "facebook_me.json", "FacebokGraphAPIModel", {});
        row("graph answer without email", "facebook_me.json", "FacebokGraphAPIModel", {"-email"});
        row("graph id as a number", "facebook_me.json", "FacebokGraphAPIModel", {"id=1022"},
            "id: expected a string, found an integer");
    }

    void decoding()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, type);
        QFETCH(Edits, edits);
        QFETCH(QString, error);

        const AnswerDecoder* decoder = answerDecoder(type);
        QVERIFY2(decoder, qPrintable(type));
        const DecodeOutcome outcome = decoder->decode(applyEdits(this->fixture(fixture), edits));
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
        dataRow("html", QByteArray("<html>Bad Gateway</html>"), notJson, "at offset 0");
        dataRow("cut off", QByteArray("{\"status\":true,"), notJson, "at offset 15");
        dataRow("two values", QByteArray("{} {}"), notJson, "at offset 4");
        dataRow("bad utf-8", QByteArray("{\"msg\":\"\xC3\x28\"}"), notJson, "at offset 8");
        dataRow("array", QByteArray("[]"), "expected an object (LogoutModel), found an array", "");
        dataRow("number", QByteArray("42"), "expected an object (LogoutModel), found an integer", "");
        dataRow("null", QByteArray(" null "), "expected an object (LogoutModel), found null", "");
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

    void jsonCheckAcceptsAnySingleValue_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("isJson");
        dataRow("object", QByteArray("{\"a\":1}"), true);
        dataRow("array", QByteArray(" [1, 2] "), true);
        dataRow("number", QByteArray("42"), true);
        dataRow("text", QByteArray("\"ok\""), true);
        dataRow("null", QByteArray("null"), true);
        dataRow("empty", QByteArray(), false);
        dataRow("blank", QByteArray(" \n"), false);
        dataRow("two values", QByteArray("1, 2"), false);
        dataRow("closing early", QByteArray("1][2"), false);
        dataRow("plain text", QByteArray("OK"), false);
    }

    void jsonCheckAcceptsAnySingleValue()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, isJson);
        QCOMPARE(json::parse(body).has_value(), isJson);
    }

    void signInAnswerFields()
    {
        const auto answer = decodedFixture<BaseModel<AuthModel>>("login.json");
        QVERIFY(answer.data);
        const AuthModel& account = *answer.data;
        QCOMPARE(account.id, 42);
        QCOMPARE(account.name, "Alex Martin");
        QCOMPARE(account.emailVerifiedAt, "2024-03-01T09:12:44.000000Z");
        QCOMPARE(account.deviceName, "MacBookPro18,3");
        QCOMPARE(account.socialMedia, 0);
        QCOMPARE(account.profileID, "0");
        QCOMPARE(account.otp, 481516);
        QCOMPARE(account.roleID, 2);
        QVERIFY(account.token.startsWith("eyJ0eXAi"));
        QVERIFY(account.pinProtection);
        QCOMPARE(account.pinProtection->pin, 525252);
        QCOMPARE(account.pinProtection->time, 24);
        QCOMPARE(account.pinProtection->isBlock, 0);
        QCOMPARE(account.pinProtection->currentTime, "2024-05-17 20:31:55");
    }

    void pinAnswersKeepTheirOwnTypes()
    {
        const auto setup = decodedFixture<BaseModel<SetupPinModel>>("setup_pin.json");
        QCOMPARE(setup.data->time, "24");
        QCOMPARE(setup.data->pin, "525252");

        const auto update = decodedFixture<BaseModel<UpdatePinModel>>("update_pin.json");
        QCOMPARE(update.data->time, 48);
        QCOMPARE(update.data->pin, "707070");
        QCOMPARE(update.data->isBlock, 0);

        const auto check = decodedFixture<BaseModel<CheckPinModel>>("check_pin.json");
        QCOMPARE(check.data->pin, 525252);
        QCOMPARE(check.data->createdAt, "2024-04-02T18:00:00.000000Z");

        const auto retrieve = decodedFixture<BaseModel<RetrievePinModel>>("retrieve_pin.json");
        QVERIFY(retrieve.data->user);
        QCOMPARE(retrieve.data->user->socialMedia, 2);
        QCOMPARE(retrieve.data->user->profileID, "110248495921238986420");
        QVERIFY(!retrieve.data->user->name);
        QVERIFY(!retrieve.data->user->otp);

        const auto profile = decodedFixture<BaseModel<UpdateProfile>>("update_profile.json");
        QCOMPARE(profile.data->otp, "903112");
        QCOMPARE(profile.data->macAddress, "a4:83:e7:12:34:56");
    }

    void blockedWebsitePage()
    {
        const auto page = decodedFixture<BaseModel<BlockWebsiteModel>>("block_list.json");
        QVERIFY(page.data);
        QCOMPARE(page.data->data.size(), 2);
        QCOMPARE(page.data->data.at(0).domain, "www.bet-example.com");
        QCOMPARE(page.data->data.at(1).id, 12);
        QCOMPARE(page.data->links.size(), 3);
        QVERIFY(!page.data->links.at(0).url);
        QCOMPARE(page.data->links.at(0).label, "&laquo; Previous");
        QCOMPARE(page.data->links.at(1).active, true);
        QCOMPARE(page.data->perPage, 50);
        QCOMPARE(page.data->currentPage, 1);
        QVERIFY(!page.data->nextPageURL);
        QVERIFY(!page.data->userID);
    }

    void envelopesWithRequiredData()
    {
        QCOMPARE(decodedFixture<UnblockWebsiteModel>("unblock_website.json").data, 1);
        QVERIFY(decodedFixture<BaseModel<SyncURLModel>>("sync_url.json").data->pinProtection);
        const auto graph = decodedFixture<FacebokGraphAPIModel>("facebook_me.json");
        QCOMPARE(graph.id, "10224567890123456");
        QCOMPARE(graph.email, "alex@example.com");
    }

    void descriptionShowsFieldsAndHidesSecrets()
    {
        QCOMPARE(describe(decodedFixture<LogoutModel>("logout.json")),
            R"(LogoutModel(status: true, code: 200, msg: "Logged out successfully.", version: "3.0.0", data: []))");
        QCOMPARE(describe(decodedFixture<BaseModel<BlockData>>("block_website.json")),
            R"(BaseModel<BlockData>(status: true, code: 200, msg: "Website blocked successfully.", )"
            R"(version: "3.0.0", data: BlockData(id: 13, userID: 42, domain: "poker-example.org", )"
            R"(createdAt: "2024-05-18T09:00:00.000000Z", updatedAt: "2024-05-18T09:00:00.000000Z", )"
            R"(deletedAt: nil)))");

        const QString signIn = describe(decodedFixture<BaseModel<AuthModel>>("login.json"));
        QVERIFY(signIn.contains(R"(email: "alex@example.com")"));
        QVERIFY(signIn.contains("token: ****aW9u"));
        QVERIFY(!signIn.contains("eyJ0eXAi"));
        QVERIFY(signIn.contains("otp: <redacted>"));
        QVERIFY(!signIn.contains("481516"));
        QVERIFY(signIn.contains("pin: <redacted>"));
        QVERIFY(!signIn.contains("525252"));
        QVERIFY(signIn.contains("macAddress: nil"));

        for (const char* name :
            {"setup_pin.json", "update_pin.json", "check_pin.json", "retrieve_pin.json"}) {
            const QByteArray body = fixture(name);
            for (const AnswerDecoder& decoder : answerDecoders()) {
                const DecodeOutcome outcome = decoder.decode(body);
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
        QCOMPARE(redaction::lastFourOnly("abcdefghijkl"), "****ijkl");
        QCOMPARE(redaction::lastFourOnly("abcdefghi"), "****fghi");
        QCOMPARE(redaction::lastFourOnly("abcdefgh"), "<redacted>");
        QCOMPARE(redaction::lastFourOnly(""), "<redacted>");
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
