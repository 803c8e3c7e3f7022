#include "RecordShapes.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace shapes {

namespace {

struct Field
{
    const char* key;
    const char* type; // Int, String, Bool, [String], or a record name, [RecordName] for arrays of it
    bool required;
};

using Record = QList<Field>;

QList<Field> accountFields(const char* otpType)
{
    return {{"id", "Int", true}, {"name", "String", false}, {"email", "String", true},
        {"email_verified_at", "String", true}, {"device_name", "String", true},
        {"mac_address", "String", false}, {"social_media", "Int", true}, {"profile_id", "String", true},
        {"otp", otpType, false}, {"role_id", "Int", true}, {"status", "Int", true},
        {"created_at", "String", true}, {"updated_at", "String", true}, {"deleted_at", "String", false}};
}

// The PIN records share one key set with different types (columns of the same table).
Record pinRecord(const char* time, const char* pin, bool isBlockRequired, bool stampsRequired, bool withUser)
{
    Record record {{"id", "Int", true}, {"user_id", "Int", true}, {"time", time, true}, {"pin", pin, true},
        {"is_block", "Int", isBlockRequired}, {"current_time", "String", false},
        {"created_at", "String", stampsRequired}, {"updated_at", "String", stampsRequired},
        {"deleted_at", "String", false}};
    if (withUser)
        record.append({"user", "UserModel", false});
    return record;
}

const QHash<QString, Record>& records()
{
    static const QHash<QString, Record> all = [] {
        QHash<QString, Record> r;
        r.insert(QStringLiteral("AuthModel"),
            accountFields("Int")
                + Record {{"token", "String", true}, {"pin_protection", "PinProtectionModel", false}});
        r.insert(QStringLiteral("UserModel"), accountFields("String"));
        r.insert(QStringLiteral("UpdateProfile"), accountFields("String"));
        r.insert(QStringLiteral("PinProtectionModel"), pinRecord("Int", "Int", false, false, false));
        r.insert(QStringLiteral("SetupPinModel"), pinRecord("String", "String", false, false, false));
        r.insert(QStringLiteral("UpdatePinModel"), pinRecord("Int", "String", true, false, false));
        r.insert(QStringLiteral("CheckPinModel"), pinRecord("Int", "Int", true, true, false));
        r.insert(QStringLiteral("RetrievePinModel"), pinRecord("Int", "Int", false, false, true));
        r.insert(QStringLiteral("BlockData"),
            {{"id", "Int", true}, {"user_id", "Int", true}, {"domain", "String", true},
                {"created_at", "String", true}, {"updated_at", "String", true},
                {"deleted_at", "String", false}});
        r.insert(QStringLiteral("Link"),
            {{"url", "String", false}, {"label", "String", true}, {"active", "Bool", true}});
        r.insert(QStringLiteral("BlockWebsiteModel"),
            {{"current_page", "Int", false}, {"data", "[BlockData]", true},
                {"first_page_url", "String", true}, {"from", "Int", false}, {"last_page", "Int", true},
                {"last_page_url", "String", true}, {"links", "[Link]", true},
                {"next_page_url", "String", false}, {"path", "String", true}, {"per_page", "Int", true},
                {"prev_page_url", "String", false}, {"to", "Int", false}, {"total", "Int", false},
                {"user_id", "String", false}, {"domain", "String", false}, {"updated_at", "String", false},
                {"created_at", "String", false}, {"deleted_at", "String", false}, {"id", "Int", false}});
        r.insert(QStringLiteral("SyncURLModel"), {{"pin_protection", "PinProtectionModel", false}});
        const Record envelope {{"status", "Bool", true}, {"code", "Int", true}, {"msg", "String", true},
            {"version", "String", true}};
        r.insert(QStringLiteral("DisablePinModel"), envelope + Record {{"data", "[String]", true}});
        r.insert(QStringLiteral("LogoutModel"), envelope + Record {{"data", "[String]", true}});
        r.insert(QStringLiteral("UnblockWebsiteModel"), envelope + Record {{"data", "Int", true}});
        return r;
    }();
    return all;
}

QString check(const QJsonValue& value, const QString& type, const QString& path);

QString checkRecord(const QJsonValue& value, const Record& record, const QString& path)
{
    if (!value.isObject())
        return path + QStringLiteral(": not an object");
    const QJsonObject object = value.toObject();
    for (const Field& field : record) {
        const QString key = QString::fromLatin1(field.key);
        const QString where = path + u'.' + key;
        const QJsonValue member = object.value(key);
        if (member.isUndefined() || member.isNull()) {
            if (field.required)
                return where
                    + (member.isNull() ? QStringLiteral(": null in a required field")
                                       : QStringLiteral(": missing"));
            continue;
        }
        const QString wrong = check(member, QString::fromLatin1(field.type), where);
        if (!wrong.isEmpty())
            return wrong;
    }
    return {};
}

QString check(const QJsonValue& value, const QString& type, const QString& path)
{
    if (type == u"Int") {
        const double number = value.toDouble();
        if (!value.isDouble() || std::floor(number) != number || std::abs(number) > 9.0e15)
            return path + QStringLiteral(": not an integer");
        return {};
    }
    if (type == u"String")
        return value.isString() ? QString() : path + QStringLiteral(": not a string");
    if (type == u"Bool")
        return value.isBool() ? QString() : path + QStringLiteral(": not a boolean");
    if (type.startsWith(u'[')) {
        if (!value.isArray())
            return path + QStringLiteral(": not an array");
        const QString element = type.mid(1, type.size() - 2);
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (array.at(i).isNull())
                return path + QStringLiteral("[%1]: null element").arg(i);
            const QString wrong = check(array.at(i), element, path + QStringLiteral("[%1]").arg(i));
            if (!wrong.isEmpty())
                return wrong;
        }
        return {};
    }
    if (type.startsWith(QStringLiteral("BaseModel<"))) {
        const QString inner = type.mid(10, type.size() - 11);
        static const Record envelope {{"status", "Bool", true}, {"code", "Int", true},
            {"msg", "String", true}, {"version", "String", true}};
        const QString wrong = checkRecord(value, envelope, path);
        if (!wrong.isEmpty())
            return wrong;
        const QJsonValue data = value.toObject().value(QStringLiteral("data"));
        if (data.isUndefined() || data.isNull())
            return {};
        return check(data, inner, path + QStringLiteral(".data"));
    }
    const auto found = records().constFind(type);
    if (found == records().cend())
        return QStringLiteral("unknown record ") + type;
    return checkRecord(value, *found, path);
}

} // namespace

QString mismatch(const QJsonValue& value, const QString& record)
{
    return check(value, record, QStringLiteral("$"));
}

} // namespace shapes
