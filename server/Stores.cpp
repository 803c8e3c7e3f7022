#include "Stores.h"

#include "Database.h"
#include "Tokens.h"

#include <QVariant>

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

const QString pinColumns
    = QStringLiteral("id, user_id, sealed_pin, time_hours, failed_attempts, blocked_until, "
                     "created_at, updated_at");

StoredPin readPin(const Sql& row)
{
    StoredPin pin;
    pin.id = row.int64(0);
    pin.userId = row.int64(1);
    pin.sealedPin = row.text(2);
    pin.timeHours = static_cast<int>(row.int64(3));
    pin.failedAttempts = static_cast<int>(row.int64(4));
    pin.blockedUntil = row.optionalInt64(5);
    pin.createdAt = row.int64(6);
    pin.updatedAt = row.int64(7);
    return pin;
}

const QString retrievalColumns = QStringLiteral("id, user_id, pin_id, requested_at, due_at");

RetrievalRecord readRetrieval(const Sql& row)
{
    return {row.int64(0), row.int64(1), row.int64(2), row.int64(3), row.optionalInt64(4)};
}

const QString websiteColumns = QStringLiteral("id, user_id, domain, created_at, updated_at");

WebsiteRecord readWebsite(const Sql& row)
{
    return {row.int64(0), row.int64(1), row.text(2), row.int64(3), row.int64(4)};
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

QString SessionStore::open(qint64 userId, qint64 now, qint64 lifetimeSeconds)
{
    const QString token = tokens::generate();
    Sql(m_db,
        QStringLiteral("INSERT INTO sessions (user_id, token_hash, created_at, last_used_at, expires_at) "
                       "VALUES (?, ?, ?, ?, ?)"))
        .bind(userId)
        .bind(tokens::digest(token.toLatin1()))
        .bind(now)
        .bind(now)
        .bind(now + lifetimeSeconds)
        .exec();
    return token;
}

std::optional<SessionRecord> SessionStore::byDigest(const QString& tokenDigest)
{
    Sql query(m_db,
        QStringLiteral(
            "SELECT id, user_id, last_used_at, expires_at, revoked_at, pin_verified_at FROM sessions "
            "WHERE token_hash = ?"));
    query.bind(tokenDigest).exec();
    if (!query.next())
        return std::nullopt;
    return SessionRecord {query.int64(0), query.int64(1), query.int64(2), query.int64(3),
        query.optionalInt64(4), query.optionalInt64(5)};
}

void SessionStore::revoke(qint64 sessionId, qint64 now)
{
    Sql(m_db, QStringLiteral("UPDATE sessions SET revoked_at = ? WHERE id = ? AND revoked_at IS NULL"))
        .bind(now)
        .bind(sessionId)
        .exec();
}

void SessionStore::revokeAllOf(qint64 userId, qint64 now, std::optional<qint64> exceptSessionId)
{
    Sql(m_db,
        QStringLiteral(
            "UPDATE sessions SET revoked_at = ? WHERE user_id = ? AND revoked_at IS NULL AND id <> ?"))
        .bind(now)
        .bind(userId)
        .bind(exceptSessionId.value_or(0))
        .exec();
}

void SessionStore::markPinVerified(qint64 sessionId, qint64 now)
{
    Sql(m_db, QStringLiteral("UPDATE sessions SET pin_verified_at = ? WHERE id = ?"))
        .bind(now)
        .bind(sessionId)
        .exec();
}

void SessionStore::forgetPinVerifications(qint64 userId)
{
    Sql(m_db,
        QStringLiteral(
            "UPDATE sessions SET pin_verified_at = NULL WHERE user_id = ? AND pin_verified_at IS NOT NULL"))
        .bind(userId)
        .exec();
}

void SessionStore::touch(qint64 sessionId, qint64 lastUsed, qint64 expiresAt)
{
    Sql(m_db,
        QStringLiteral("UPDATE sessions SET last_used_at = ?, expires_at = ? "
                       "WHERE id = ? AND revoked_at IS NULL AND expires_at < ?"))
        .bind(lastUsed)
        .bind(expiresAt)
        .bind(sessionId)
        .bind(expiresAt)
        .exec();
}

std::optional<StoredPin> PinStore::ofUser(qint64 userId)
{
    Sql query(m_db, QStringLiteral("SELECT ") + pinColumns + QStringLiteral(" FROM pins WHERE user_id = ?"));
    query.bind(userId).exec();
    if (!query.next())
        return std::nullopt;
    return readPin(query);
}

std::optional<StoredPin> PinStore::create(qint64 userId, const QString& sealedPin, int timeHours, qint64 now)
{
    Sql insert(m_db,
        QStringLiteral("INSERT INTO pins (user_id, sealed_pin, time_hours, failed_attempts, created_at, "
                       "updated_at) VALUES (?, ?, ?, 0, ?, ?) ON CONFLICT (user_id) DO NOTHING RETURNING ")
            + pinColumns);
    insert.bind(userId).bind(sealedPin).bind(timeHours).bind(now).bind(now).exec();
    if (!insert.next())
        return std::nullopt;
    return readPin(insert);
}

std::optional<StoredPin> PinStore::startAttempt(qint64 userId, qint64 now, int allowedAttempts)
{
    Sql update(m_db,
        QStringLiteral("UPDATE pins SET failed_attempts = failed_attempts + 1 WHERE user_id = ? "
                       "AND failed_attempts < ? AND (blocked_until IS NULL OR blocked_until <= ?) RETURNING ")
            + pinColumns);
    update.bind(userId).bind(allowedAttempts).bind(now).exec();
    if (!update.next())
        return std::nullopt;
    return readPin(update);
}

void PinStore::clearAttempts(qint64 pinId)
{
    Sql(m_db, QStringLiteral("UPDATE pins SET failed_attempts = 0 WHERE id = ?")).bind(pinId).exec();
}

void PinStore::block(qint64 pinId, qint64 until, qint64 now)
{
    Sql(m_db,
        QStringLiteral("UPDATE pins SET blocked_until = ?, failed_attempts = 0, updated_at = ? WHERE id = ?"))
        .bind(until)
        .bind(now)
        .bind(pinId)
        .exec();
}

void PinStore::replace(qint64 pinId, const QString& sealedPin, qint64 now)
{
    Sql(m_db,
        QStringLiteral("UPDATE pins SET sealed_pin = ?, failed_attempts = 0, updated_at = ? WHERE id = ?"))
        .bind(sealedPin)
        .bind(now)
        .bind(pinId)
        .exec();
}

bool PinStore::remove(qint64 userId)
{
    Sql remove(m_db, QStringLiteral("DELETE FROM pins WHERE user_id = ?"));
    remove.bind(userId).exec();
    return remove.rowsAffected() > 0;
}

bool PinStore::unblock(qint64 userId, qint64 now)
{
    Sql update(m_db,
        QStringLiteral(
            "UPDATE pins SET blocked_until = NULL, failed_attempts = 0, updated_at = ? WHERE user_id = ?"));
    update.bind(now).bind(userId).exec();
    return update.rowsAffected() > 0;
}

std::optional<RetrievalRecord> RetrievalStore::pending(qint64 userId)
{
    Sql query(m_db,
        QStringLiteral("SELECT ") + retrievalColumns
            + QStringLiteral(" FROM pin_retrievals WHERE user_id = ? AND sent_at IS NULL "
                             "AND cancelled_at IS NULL ORDER BY id LIMIT 1"));
    query.bind(userId).exec();
    if (!query.next())
        return std::nullopt;
    return readRetrieval(query);
}

RetrievalRecord RetrievalStore::request(qint64 userId, qint64 pinId, qint64 now, std::optional<qint64> dueAt)
{
    Sql insert(m_db,
        QStringLiteral("INSERT INTO pin_retrievals (user_id, pin_id, requested_at, due_at) "
                       "VALUES (?, ?, ?, ?) RETURNING id"));
    insert.bind(userId).bind(pinId).bind(now).bindOptional(dueAt).exec();
    insert.next();
    return {insert.int64(0), userId, pinId, now, dueAt};
}

QList<RetrievalRecord> RetrievalStore::due(qint64 now)
{
    Sql query(m_db,
        QStringLiteral("SELECT ") + retrievalColumns
            + QStringLiteral(" FROM pin_retrievals WHERE sent_at IS NULL AND cancelled_at IS NULL "
                             "AND due_at IS NOT NULL AND due_at <= ? ORDER BY due_at LIMIT 200"));
    query.bind(now).exec();
    QList<RetrievalRecord> due;
    while (query.next())
        due.append(readRetrieval(query));
    return due;
}

bool RetrievalStore::claim(qint64 id, qint64 now)
{
    Sql update(m_db,
        QStringLiteral("UPDATE pin_retrievals SET sent_at = ? WHERE id = ? AND sent_at IS NULL "
                       "AND cancelled_at IS NULL"));
    update.bind(now).bind(id).exec();
    return update.rowsAffected() == 1;
}

void RetrievalStore::release(qint64 id)
{
    Sql(m_db, QStringLiteral("UPDATE pin_retrievals SET sent_at = NULL WHERE id = ?")).bind(id).exec();
}

void RetrievalStore::cancelAllOf(qint64 userId, qint64 now)
{
    Sql(m_db,
        QStringLiteral("UPDATE pin_retrievals SET cancelled_at = ? WHERE user_id = ? AND sent_at IS NULL "
                       "AND cancelled_at IS NULL"))
        .bind(now)
        .bind(userId)
        .exec();
}

std::optional<WebsiteRecord> WebsiteStore::add(qint64 userId, const QString& domain, qint64 now)
{
    Sql insert(m_db,
        QStringLiteral("INSERT INTO blocked_websites (user_id, domain, created_at, updated_at) "
                       "VALUES (?, ?, ?, ?) ON CONFLICT (user_id, domain) DO NOTHING RETURNING id"));
    insert.bind(userId).bind(domain).bind(now).bind(now).exec();
    if (!insert.next())
        return std::nullopt;
    return WebsiteRecord {insert.int64(0), userId, domain, now, now};
}

std::optional<WebsiteRecord> WebsiteStore::byId(qint64 id)
{
    Sql query(m_db,
        QStringLiteral("SELECT ") + websiteColumns + QStringLiteral(" FROM blocked_websites WHERE id = ?"));
    query.bind(id).exec();
    if (!query.next())
        return std::nullopt;
    return readWebsite(query);
}

bool WebsiteStore::remove(qint64 id, qint64 userId)
{
    Sql remove(m_db, QStringLiteral("DELETE FROM blocked_websites WHERE id = ? AND user_id = ?"));
    remove.bind(id).bind(userId).exec();
    return remove.rowsAffected() > 0;
}

qint64 WebsiteStore::count(qint64 userId)
{
    Sql query(m_db, QStringLiteral("SELECT COUNT(*) FROM blocked_websites WHERE user_id = ?"));
    query.bind(userId).exec();
    return query.next() ? query.int64(0) : 0;
}

QList<WebsiteRecord> WebsiteStore::page(qint64 userId, qint64 offset, int limit)
{
    Sql query(m_db,
        QStringLiteral("SELECT ") + websiteColumns
            + QStringLiteral(" FROM blocked_websites WHERE user_id = ? ORDER BY id LIMIT ? OFFSET ?"));
    query.bind(userId).bind(limit).bind(offset).exec();
    QList<WebsiteRecord> rows;
    while (query.next())
        rows.append(readWebsite(query));
    return rows;
}

void DeviceStore::record(const DeviceSighting& sighting)
{
    Sql(m_db,
        QStringLiteral(
            "INSERT INTO devices (user_id, platform_unique_id, last_address, first_seen_at, last_seen_at) "
            "VALUES (?, ?, ?, ?, ?) ON CONFLICT (user_id, platform_unique_id) DO UPDATE SET "
            "last_address = excluded.last_address, last_seen_at = excluded.last_seen_at"))
        .bind(sighting.userId)
        .bind(sighting.platformUniqueId)
        .bind(sighting.address)
        .bind(sighting.seenAt)
        .bind(sighting.seenAt)
        .exec();
}

QList<DeviceRecord> DeviceStore::ofUser(qint64 userId)
{
    Sql query(m_db,
        QStringLiteral("SELECT user_id, platform_unique_id, last_address, first_seen_at, last_seen_at "
                       "FROM devices WHERE user_id = ? ORDER BY last_seen_at DESC"));
    query.bind(userId).exec();
    QList<DeviceRecord> devices;
    while (query.next())
        devices.append({query.int64(0), query.text(1), query.text(2), query.int64(3), query.int64(4)});
    return devices;
}

QString ResetStore::open(qint64 userId, qint64 now, qint64 lifetimeSeconds)
{
    Sql(m_db, QStringLiteral("UPDATE password_resets SET used_at = ? WHERE user_id = ? AND used_at IS NULL"))
        .bind(now)
        .bind(userId)
        .exec();
    const QString token = tokens::generate();
    Sql(m_db,
        QStringLiteral(
            "INSERT INTO password_resets (user_id, token_hash, created_at, expires_at) VALUES (?, ?, ?, ?)"))
        .bind(userId)
        .bind(tokens::digest(token.toLatin1()))
        .bind(now)
        .bind(now + lifetimeSeconds)
        .exec();
    return token;
}

std::optional<qint64> ResetStore::peek(const QByteArray& token, qint64 now)
{
    Sql query(m_db,
        QStringLiteral("SELECT user_id FROM password_resets WHERE token_hash = ? AND used_at IS NULL "
                       "AND expires_at > ?"));
    query.bind(tokens::digest(token)).bind(now).exec();
    if (!query.next())
        return std::nullopt;
    return query.int64(0);
}

std::optional<qint64> ResetStore::consume(const QByteArray& token, qint64 now)
{
    Sql update(m_db,
        QStringLiteral("UPDATE password_resets SET used_at = ? WHERE token_hash = ? AND used_at IS NULL "
                       "AND expires_at > ? RETURNING user_id"));
    update.bind(now).bind(tokens::digest(token)).bind(now).exec();
    if (!update.next())
        return std::nullopt;
    return update.int64(0);
}
