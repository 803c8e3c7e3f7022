#pragma once

#include "FieldReader.h"

#include <QList>
#include <QString>

#include <optional>

// The records into which the account server's answers are decoded. Each is a plain value, built only
// by decodeRecord() from an answer's bytes and handed to its receiver as a const value. A plain
// member is a required key, a std::optional one may be missing or null.
//
// Where the server sends the same key with different types in different answers (`pin`, `time`,
// `otp`, `is_block`), each record keeps its own type; the templates below spell them out per record.

// The four fields every answer of the server starts with.
struct Envelope
{
    bool status = false; // the server accepted the request
    qint64 code = 0;
    QString msg; // shown to the user as it stands
    QString version;

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        visit("status", "status", self.status);
        visit("code", "code", self.code);
        visit("msg", "msg", self.msg);
        visit("version", "version", self.version);
    }
};

// The answer of most endpoints: the envelope and the endpoint's record, which may be missing or null.
template<AnswerRecord Payload>
struct BaseModel : Envelope
{
    std::optional<Payload> data;

    static QString typeName() { return QStringLiteral("BaseModel<") + Payload::typeName() + '>'; }

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        Envelope::fields(self, visit);
        visit("data", "data", self.data);
    }
};

// Envelopes whose `data` has a fixed type and must be present.
template<typename Data>
struct FlatEnvelope : Envelope
{
    Data data {};

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        Envelope::fields(self, visit);
        visit("data", "data", self.data);
    }
};

struct DisablePinModel : FlatEnvelope<QList<QString>>
{
    static QString typeName() { return QStringLiteral("DisablePinModel"); }
};

struct LogoutModel : FlatEnvelope<QList<QString>>
{
    static QString typeName() { return QStringLiteral("LogoutModel"); }
};

struct UnblockWebsiteModel : FlatEnvelope<qint64>
{
    static QString typeName() { return QStringLiteral("UnblockWebsiteModel"); }
};

// The account fields shared by the sign-in answer, the profile update and the user of a retrieved
// PIN; only the type of `otp` differs between them.
template<typename Otp>
struct AccountRecord
{
    qint64 id = 0;
    std::optional<QString> name;
    QString email;
    QString emailVerifiedAt;
    QString deviceName;
    std::optional<QString> macAddress;
    qint64 socialMedia = 0; // 0 e-mail, 1 Facebook, 2 Google
    QString profileID;
    std::optional<Otp> otp;
    qint64 roleID = 0;
    qint64 status = 0;
    QString createdAt;
    QString updatedAt;
    std::optional<QString> deletedAt;

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        visit("id", "id", self.id);
        visit("name", "name", self.name);
        visit("email", "email", self.email);
        visit("email_verified_at", "emailVerifiedAt", self.emailVerifiedAt);
        visit("device_name", "deviceName", self.deviceName);
        visit("mac_address", "macAddress", self.macAddress);
        visit("social_media", "socialMedia", self.socialMedia);
        visit("profile_id", "profileID", self.profileID);
        visit("otp", "otp", self.otp, Shown::never);
        visit("role_id", "roleID", self.roleID);
        visit("status", "status", self.status);
        visit("created_at", "createdAt", self.createdAt);
        visit("updated_at", "updatedAt", self.updatedAt);
        visit("deleted_at", "deletedAt", self.deletedAt);
    }
};

struct UserModel : AccountRecord<QString>
{
    static QString typeName() { return QStringLiteral("UserModel"); }
};

// The `data` of the profile update.
struct UpdateProfile : AccountRecord<QString>
{
    static QString typeName() { return QStringLiteral("UpdateProfile"); }
};

// One key set, five records: the types of `time` and `pin`, and whether `is_block`, `created_at` and
// `updated_at` are required, differ per record.
template<typename Time, typename Pin, typename IsBlock, typename Stamp>
struct PinRecord
{
    qint64 id = 0;
    qint64 userID = 0;
    Time time {};
    Pin pin {};
    IsBlock isBlock {};
    std::optional<QString> currentTime;
    Stamp createdAt {};
    Stamp updatedAt {};
    std::optional<QString> deletedAt;

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        visit("id", "id", self.id);
        visit("user_id", "userID", self.userID);
        visit("time", "time", self.time);
        visit("pin", "pin", self.pin, Shown::never);
        visit("is_block", "isBlock", self.isBlock);
        visit("current_time", "currentTime", self.currentTime);
        visit("created_at", "createdAt", self.createdAt);
        visit("updated_at", "updatedAt", self.updatedAt);
        visit("deleted_at", "deletedAt", self.deletedAt);
    }
};

using OptionalInteger = std::optional<qint64>;
using OptionalText = std::optional<QString>;

// The account's PIN, nested in the sign-in answer and the status synchronisation.
struct PinProtectionModel : PinRecord<qint64, qint64, OptionalInteger, OptionalText>
{
    static QString typeName() { return QStringLiteral("PinProtectionModel"); }
};

struct SetupPinModel : PinRecord<QString, QString, OptionalInteger, OptionalText>
{
    static QString typeName() { return QStringLiteral("SetupPinModel"); }
};

struct UpdatePinModel : PinRecord<qint64, QString, qint64, OptionalText>
{
    static QString typeName() { return QStringLiteral("UpdatePinModel"); }
};

struct CheckPinModel : PinRecord<qint64, qint64, qint64, QString>
{
    static QString typeName() { return QStringLiteral("CheckPinModel"); }
};

struct RetrievePinModel : PinRecord<qint64, qint64, OptionalInteger, OptionalText>
{
    std::optional<UserModel> user;

    static QString typeName() { return QStringLiteral("RetrievePinModel"); }

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        PinRecord::fields(self, visit);
        visit("user", "user", self.user);
    }
};

// The account returned by sign-up, sign-in and password reset.
struct AuthModel : AccountRecord<qint64>
{
    QString token; // the session's bearer token
    std::optional<PinProtectionModel> pinProtection; // present when the account has a PIN

    static QString typeName() { return QStringLiteral("AuthModel"); }

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        AccountRecord::fields(self, visit);
        visit("token", "token", self.token, Shown::lastFourOnly);
        visit("pin_protection", "pinProtection", self.pinProtection);
    }
};

// One blocked website.
struct BlockData
{
    qint64 id = 0;
    qint64 userID = 0;
    QString domain;
    QString createdAt;
    QString updatedAt;
    std::optional<QString> deletedAt;

    static QString typeName() { return QStringLiteral("BlockData"); }

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        visit("id", "id", self.id);
        visit("user_id", "userID", self.userID);
        visit("domain", "domain", self.domain);
        visit("created_at", "createdAt", self.createdAt);
        visit("updated_at", "updatedAt", self.updatedAt);
        visit("deleted_at", "deletedAt", self.deletedAt);
    }
};

// One pagination link of a list page.
struct Link
{
    std::optional<QString> url;
    QString label;
    bool active = false;

    static QString typeName() { return QStringLiteral("Link"); }

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        visit("url", "url", self.url);
        visit("label", "label", self.label);
        visit("active", "active", self.active);
    }
};

// One page of the user's blocked websites.
struct BlockWebsiteModel
{
    std::optional<qint64> currentPage;
    QList<BlockData> data;
    QString firstPageURL;
    std::optional<qint64> from;
    qint64 lastPage = 0;
    QString lastPageURL;
    QList<Link> links;
    std::optional<QString> nextPageURL;
    QString path;
    qint64 perPage = 0;
    std::optional<QString> prevPageURL;
    std::optional<qint64> to;
    std::optional<qint64> total;
    std::optional<QString> userID;
    std::optional<QString> domain;
    std::optional<QString> updatedAt;
    std::optional<QString> createdAt;
    std::optional<QString> deletedAt;
    std::optional<qint64> id;

    static QString typeName() { return QStringLiteral("BlockWebsiteModel"); }

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        visit("current_page", "currentPage", self.currentPage);
        visit("data", "data", self.data);
        visit("first_page_url", "firstPageURL", self.firstPageURL);
        visit("from", "from", self.from);
        visit("last_page", "lastPage", self.lastPage);
        visit("last_page_url", "lastPageURL", self.lastPageURL);
        visit("links", "links", self.links);
        visit("next_page_url", "nextPageURL", self.nextPageURL);
        visit("path", "path", self.path);
        visit("per_page", "perPage", self.perPage);
        visit("prev_page_url", "prevPageURL", self.prevPageURL);
        visit("to", "to", self.to);
        visit("total", "total", self.total);
        visit("user_id", "userID", self.userID);
        visit("domain", "domain", self.domain);
        visit("updated_at", "updatedAt", self.updatedAt);
        visit("created_at", "createdAt", self.createdAt);
        visit("deleted_at", "deletedAt", self.deletedAt);
        visit("id", "id", self.id);
    }
};

// The `data` of the status synchronisation: `pinProtection` is present when the account has a PIN.
struct SyncURLModel
{
    std::optional<PinProtectionModel> pinProtection;

    static QString typeName() { return QStringLiteral("SyncURLModel"); }

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        visit("pin_protection", "pinProtection", self.pinProtection);
    }
};

// Facebook's Graph API answer to the e-mail query of the Facebook sign-in.
struct FacebokGraphAPIModel
{
    QString id;
    std::optional<QString> email;

    static QString typeName() { return QStringLiteral("FacebokGraphAPIModel"); }

    template<typename Self, typename Visit>
    static void fields(Self& self, Visit& visit)
    {
        visit("id", "id", self.id);
        visit("email", "email", self.email);
    }
};

// What the Facebook sign-in has gathered before it asks the account server; never decoded.
struct FacebookData
{
    QString id;
    QString email;
    QString accessToken;
};
