#pragma once

#include "PinStore.h"
#include "UserStore.h"
#include "WebsiteStore.h"

#include <QJsonObject>

#include <optional>

// The JSON records of the answers. The application decodes them strictly: every required key present
// with its exact JSON type, so the same field is a number in one record and a text in another where the
// application expects it so (the PIN's "time" and "pin" above all). A PIN itself never appears:
// number "pin" fields carry 0 and text ones "******". PIN records also say when a block of the PIN
// ends ("blocked_until", null while it is not blocked), a key the application's records need not list.
namespace records {

// AuthModel: the account with its session token and, when it has one, its PIN state.
QJsonObject auth(
    const UserRecord& user, const QString& token, const std::optional<StoredPin>& pin, qint64 now);

// UserModel and UpdateProfile: the account without token.
QJsonObject user(const UserRecord& user);

enum class PinAnswer {
    Protection, // PinProtectionModel, inside AuthModel and SyncURLModel
    Setup, // SetupPinModel
    Update, // UpdatePinModel
    Check, // CheckPinModel
    Retrieve, // RetrievePinModel
};
QJsonObject pin(
    PinAnswer kind, const StoredPin& pin, qint64 now, const std::optional<UserRecord>& owner = std::nullopt);

// SyncURLModel: the PIN state of the account (pin_protection null without a PIN).
QJsonObject sync(const std::optional<StoredPin>& pin, qint64 now);

// BlockData
QJsonObject blockedWebsite(const WebsiteRecord& website);

// BlockWebsiteModel: one page of blocked websites in the usual paginated form. pageUrl is the address of
// the list without a query; pages are counted from 1.
QJsonObject websitePage(
    const QList<WebsiteRecord>& rows, qint64 page, int perPage, qint64 total, const QString& pageUrl);

} // namespace records
