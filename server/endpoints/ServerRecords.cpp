#include "ServerRecords.h"

#include "Clock.h"

#include <QJsonArray>

namespace records {

namespace {

const QJsonValue null = QJsonValue::Null;

QJsonValue optionalText(const std::optional<QString>& text)
{
    return text ? QJsonValue(*text) : null;
}

// The account's fields shared by AuthModel, UserModel and UpdateProfile.
QJsonObject accountFields(const UserRecord& user)
{
    return {
        {QStringLiteral("id"), user.id},
        {QStringLiteral("name"), optionalText(user.name)},
        {QStringLiteral("email"), user.email},
        // Required as a text by the application: the empty text while the address is not verified.
        {QStringLiteral("email_verified_at"),
            user.emailVerifiedAt ? timestamps::iso(*user.emailVerifiedAt) : QString()},
        {QStringLiteral("device_name"), user.deviceName},
        {QStringLiteral("mac_address"), null},
        {QStringLiteral("social_media"), user.socialMedia},
        {QStringLiteral("profile_id"), user.profileId},
        {QStringLiteral("otp"), null},
        {QStringLiteral("role_id"), user.roleId},
        {QStringLiteral("status"), user.status},
        {QStringLiteral("created_at"), timestamps::iso(user.createdAt)},
        {QStringLiteral("updated_at"), timestamps::iso(user.updatedAt)},
        {QStringLiteral("deleted_at"), null},
    };
}

} // namespace

QJsonObject auth(
    const UserRecord& user, const QString& token, const std::optional<StoredPin>& pinRecord, qint64 now)
{
    QJsonObject object = accountFields(user);
    object.insert(QStringLiteral("token"), token);
    object.insert(QStringLiteral("pin_protection"),
        pinRecord ? QJsonValue(pin(PinAnswer::Protection, *pinRecord, now)) : null);
    return object;
}

QJsonObject user(const UserRecord& user)
{
    return accountFields(user);
}

QJsonObject pin(
    PinAnswer kind, const StoredPin& pinRecord, qint64 now, const std::optional<UserRecord>& owner)
{
    const bool textTime = kind == PinAnswer::Setup;
    const bool textPin = kind == PinAnswer::Setup || kind == PinAnswer::Update;
    QJsonObject object {
        {QStringLiteral("id"), pinRecord.id},
        {QStringLiteral("user_id"), pinRecord.userId},
        {QStringLiteral("time"),
            textTime ? QJsonValue(QString::number(pinRecord.timeHours)) : QJsonValue(pinRecord.timeHours)},
        {QStringLiteral("pin"), textPin ? QJsonValue(QStringLiteral("******")) : QJsonValue(0)},
        {QStringLiteral("is_block"), pinRecord.isBlocked(now) ? 1 : 0},
        // When the block ends, so that the application can say how long to wait and send no try before.
        {QStringLiteral("blocked_until"),
            pinRecord.isBlocked(now) ? QJsonValue(timestamps::iso(*pinRecord.blockedUntil)) : null},
        {QStringLiteral("current_time"), timestamps::iso(now)},
        {QStringLiteral("created_at"), timestamps::iso(pinRecord.createdAt)},
        {QStringLiteral("updated_at"), timestamps::iso(pinRecord.updatedAt)},
        {QStringLiteral("deleted_at"), null},
    };
    if (kind == PinAnswer::Retrieve)
        object.insert(QStringLiteral("user"), owner ? QJsonValue(user(*owner)) : null);
    return object;
}

QJsonObject sync(const std::optional<StoredPin>& pinRecord, qint64 now)
{
    return {{QStringLiteral("pin_protection"),
        pinRecord ? QJsonValue(pin(PinAnswer::Protection, *pinRecord, now)) : null}};
}

QJsonObject blockedWebsite(const WebsiteRecord& website)
{
    return {
        {QStringLiteral("id"), website.id},
        {QStringLiteral("user_id"), website.userId},
        {QStringLiteral("domain"), website.domain},
        {QStringLiteral("created_at"), timestamps::iso(website.createdAt)},
        {QStringLiteral("updated_at"), timestamps::iso(website.updatedAt)},
        {QStringLiteral("deleted_at"), null},
    };
}

QJsonObject websitePage(
    const QList<WebsiteRecord>& rows, qint64 page, int perPage, qint64 total, const QString& pageUrl)
{
    const qint64 lastPage = std::max<qint64>(1, (total + perPage - 1) / perPage);
    auto urlOf = [&](qint64 number) {
        return QJsonValue(pageUrl + QStringLiteral("?page=") + QString::number(number));
    };

    QJsonArray data;
    for (const WebsiteRecord& row : rows)
        data.append(blockedWebsite(row));

    QJsonArray links;
    links.append(QJsonObject {{QStringLiteral("url"), page > 1 ? urlOf(page - 1) : null},
        {QStringLiteral("label"), QStringLiteral("&laquo; Previous")}, {QStringLiteral("active"), false}});
    // Every page near the current one, the first and the last; "..." stands for the pages between.
    bool gap = false;
    for (qint64 number = 1; number <= lastPage; ++number) {
        if (number != 1 && number != lastPage && std::abs(number - page) > 3) {
            if (!gap)
                links.append(QJsonObject {{QStringLiteral("url"), null},
                    {QStringLiteral("label"), QStringLiteral("...")}, {QStringLiteral("active"), false}});
            gap = true;
            continue;
        }
        gap = false;
        links.append(QJsonObject {{QStringLiteral("url"), urlOf(number)},
            {QStringLiteral("label"), QString::number(number)}, {QStringLiteral("active"), number == page}});
    }
    links.append(QJsonObject {{QStringLiteral("url"), page < lastPage ? urlOf(page + 1) : null},
        {QStringLiteral("label"), QStringLiteral("Next &raquo;")}, {QStringLiteral("active"), false}});

    const qint64 first = (page - 1) * perPage + 1;
    return {
        {QStringLiteral("current_page"), page},
        {QStringLiteral("data"), data},
        {QStringLiteral("first_page_url"), urlOf(1)},
        {QStringLiteral("from"), rows.isEmpty() ? null : QJsonValue(first)},
        {QStringLiteral("last_page"), lastPage},
        {QStringLiteral("last_page_url"), urlOf(lastPage)},
        {QStringLiteral("links"), links},
        {QStringLiteral("next_page_url"), page < lastPage ? urlOf(page + 1) : null},
        {QStringLiteral("path"), pageUrl},
        {QStringLiteral("per_page"), perPage},
        {QStringLiteral("prev_page_url"), page > 1 ? urlOf(page - 1) : null},
        {QStringLiteral("to"), rows.isEmpty() ? null : QJsonValue(first + rows.size() - 1)},
        {QStringLiteral("total"), total},
    };
}

} // namespace records
