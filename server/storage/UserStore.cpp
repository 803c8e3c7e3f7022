#include "UserStore.h"

#include "Sql.h"

QString emailKey(const QString& email)
{
    return email.toLower();
}

namespace {

const QString userColumns
    = QStringLiteral("id, name, email, email_verified_at, password_hash, device_name, social_media, "
                     "profile_id, role_id, status, created_at, updated_at");

UserRecord readUser(const Sql& row)
{
    UserRecord user;
    user.id = row.int64(0);
    user.name = row.optionalText(1);
    user.email = row.text(2);
    user.emailVerifiedAt = row.optionalInt64(3);
    user.passwordHash = row.optionalText(4);
    user.deviceName = row.text(5);
    user.socialMedia = static_cast<int>(row.int64(6));
    user.profileId = row.text(7);
    user.roleId = static_cast<int>(row.int64(8));
    user.status = static_cast<int>(row.int64(9));
    user.createdAt = row.int64(10);
    user.updatedAt = row.int64(11);
    return user;
}

QVariant optionalText(const std::optional<QString>& text)
{
    return text ? QVariant(*text) : QVariant(QMetaType::fromType<QString>());
}

} // namespace

std::optional<UserRecord> UserStore::create(const NewUser& user, qint64 now)
{
    Sql insert(m_db,
        QStringLiteral("INSERT INTO users (name, email, email_key, email_verified_at, password_hash, "
                       "device_name, social_media, profile_id, role_id, status, created_at, updated_at) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, 2, 1, ?, ?) "
                       "ON CONFLICT (email_key) DO NOTHING RETURNING id"));
    insert.bind(optionalText(user.name))
        .bind(user.email)
        .bind(emailKey(user.email))
        .bindOptional(user.emailVerifiedAt)
        .bind(optionalText(user.passwordHash))
        .bind(user.deviceName)
        .bind(static_cast<int>(user.socialMedia))
        .bind(user.profileId)
        .bind(now)
        .bind(now)
        .exec();
    if (!insert.next())
        return std::nullopt;
    UserRecord created;
    created.id = insert.int64(0);
    created.name = user.name;
    created.email = user.email;
    created.emailVerifiedAt = user.emailVerifiedAt;
    created.passwordHash = user.passwordHash;
    created.deviceName = user.deviceName;
    created.socialMedia = static_cast<int>(user.socialMedia);
    created.profileId = user.profileId;
    created.createdAt = now;
    created.updatedAt = now;
    return created;
}

bool UserStore::confirmAddress(qint64 id, qint64 now)
{
    Transaction transaction(m_db);
    Sql claim(m_db,
        QStringLiteral("UPDATE users SET email_verified_at = ?, password_hash = NULL, updated_at = ? "
                       "WHERE id = ? AND email_verified_at IS NULL"));
    claim.bind(now).bind(now).bind(id).exec();
    if (claim.rowsAffected() == 0)
        return false;
    Sql(m_db, QStringLiteral("UPDATE sessions SET revoked_at = ? WHERE user_id = ? AND revoked_at IS NULL"))
        .bind(now)
        .bind(id)
        .exec();
    transaction.commit();
    return true;
}

std::optional<UserRecord> UserStore::one(const QString& sql, const QVariant& key)
{
    Sql query(m_db, sql);
    query.bind(key).exec();
    if (!query.next())
        return std::nullopt;
    return readUser(query);
}

std::optional<UserRecord> UserStore::byId(qint64 id)
{
    return one(QStringLiteral("SELECT ") + userColumns + QStringLiteral(" FROM users WHERE id = ?"), id);
}

std::optional<UserRecord> UserStore::byEmail(const QString& email)
{
    return one(QStringLiteral("SELECT ") + userColumns + QStringLiteral(" FROM users WHERE email_key = ?"),
        emailKey(email));
}

QList<UserRecord> UserStore::all()
{
    Sql query(m_db, QStringLiteral("SELECT ") + userColumns + QStringLiteral(" FROM users ORDER BY id"));
    query.exec();
    QList<UserRecord> users;
    while (query.next())
        users.append(readUser(query));
    return users;
}

void UserStore::updateProfile(
    qint64 id, const std::optional<QString>& name, const QString& deviceName, qint64 now)
{
    Sql(m_db, QStringLiteral("UPDATE users SET name = ?, device_name = ?, updated_at = ? WHERE id = ?"))
        .bind(optionalText(name))
        .bind(deviceName)
        .bind(now)
        .bind(id)
        .exec();
}

void UserStore::setPasswordHash(qint64 id, const QString& hash, qint64 now)
{
    Sql(m_db, QStringLiteral("UPDATE users SET password_hash = ?, updated_at = ? WHERE id = ?"))
        .bind(hash)
        .bind(now)
        .bind(id)
        .exec();
}

void UserStore::markEmailVerified(qint64 id, qint64 now)
{
    Sql(m_db,
        QStringLiteral("UPDATE users SET email_verified_at = ? WHERE id = ? AND email_verified_at IS NULL"))
        .bind(now)
        .bind(id)
        .exec();
}
