#pragma once

#include <QList>
#include <QString>

#include <optional>

class Database;

// The tables of the server, one small class each. Every statement is prepared with bound values; every
// failure throws StorageError (Database.h).

enum class SocialMedia { Email = 0, Facebook = 1, Google = 2 };

struct UserRecord
{
    qint64 id = 0;
    std::optional<QString> name;
    QString email;
    std::optional<qint64> emailVerifiedAt;
    std::optional<QString> passwordHash; // accounts made through Google or Facebook may have none
    QString deviceName;
    int socialMedia = 0;
    QString profileId;
    int roleId = 2;
    int status = 1;
    qint64 createdAt = 0;
    qint64 updatedAt = 0;
};

struct NewUser
{
    std::optional<QString> name;
    QString email;
    std::optional<QString> passwordHash;
    QString deviceName;
    SocialMedia socialMedia = SocialMedia::Email;
    QString profileId;
    std::optional<qint64> emailVerifiedAt;
};

// Addresses are unique without regard to case: "Ann@Example.org" and "ann@example.org" are one account.
QString emailKey(const QString& email);

class UserStore
{
public:
    explicit UserStore(Database& db)
        : m_db(db)
    { }
    // The new account, or nothing when the address is taken.
    std::optional<UserRecord> create(const NewUser& user, qint64 now);
    std::optional<UserRecord> byId(qint64 id);
    std::optional<UserRecord> byEmail(const QString& email);
    QList<UserRecord> all();
    void updateProfile(qint64 id, const std::optional<QString>& name, const QString& deviceName, qint64 now);
    void setPasswordHash(qint64 id, const QString& hash, qint64 now);
    void markEmailVerified(qint64 id, qint64 now);

private:
    std::optional<UserRecord> one(const QString& sql, const QVariant& key);
    Database& m_db;
};

struct SessionRecord
{
    qint64 id = 0;
    qint64 userId = 0;
    qint64 lastUsedAt = 0;
    qint64 expiresAt = 0;
    std::optional<qint64> revokedAt;
    std::optional<qint64> pinVerifiedAt;

    bool isActive(qint64 now) const { return !revokedAt && expiresAt > now; }
};

class SessionStore
{
public:
    explicit SessionStore(Database& db)
        : m_db(db)
    { }
    // Opens a session and returns its bearer token; only the token's digest is stored.
    QString open(qint64 userId, qint64 now, qint64 lifetimeSeconds);
    std::optional<SessionRecord> byDigest(const QString& tokenDigest);
    void revoke(qint64 sessionId, qint64 now);
    void revokeAllOf(qint64 userId, qint64 now, std::optional<qint64> exceptSessionId = std::nullopt);
    void markPinVerified(qint64 sessionId, qint64 now);
    void forgetPinVerifications(qint64 userId);
    void touch(qint64 sessionId, qint64 lastUsed, qint64 expiresAt);

private:
    Database& m_db;
};

struct StoredPin
{
    qint64 id = 0;
    qint64 userId = 0;
    QString sealedPin;
    int timeHours = 12;
    int failedAttempts = 0;
    std::optional<qint64> blockedUntil;
    qint64 createdAt = 0;
    qint64 updatedAt = 0;

    bool isBlocked(qint64 now) const { return blockedUntil && *blockedUntil > now; }
};

class PinStore
{
public:
    explicit PinStore(Database& db)
        : m_db(db)
    { }
    std::optional<StoredPin> ofUser(qint64 userId);
    // The new PIN, or nothing when the account already has one.
    std::optional<StoredPin> create(qint64 userId, const QString& sealedPin, int timeHours, qint64 now);
    // Counts one more try before the PIN is compared, so that tries sent all at once are counted as
    // well. Returns the PIN with the count including this try; nothing when the account has no PIN, it is
    // blocked, or the tries left are all under way.
    std::optional<StoredPin> startAttempt(qint64 userId, qint64 now, int allowedAttempts);
    void clearAttempts(qint64 pinId);
    void block(qint64 pinId, qint64 until, qint64 now);
    void replace(qint64 pinId, const QString& sealedPin, qint64 now);
    bool remove(qint64 userId);
    bool unblock(qint64 userId, qint64 now);

private:
    Database& m_db;
};

struct RetrievalRecord
{
    qint64 id = 0;
    qint64 userId = 0;
    qint64 pinId = 0;
    qint64 requestedAt = 0;
    std::optional<qint64> dueAt; // none: the forever choice, never mailed
};

class RetrievalStore
{
public:
    explicit RetrievalStore(Database& db)
        : m_db(db)
    { }
    std::optional<RetrievalRecord> pending(qint64 userId);
    RetrievalRecord request(qint64 userId, qint64 pinId, qint64 now, std::optional<qint64> dueAt);
    QList<RetrievalRecord> due(qint64 now);
    // Takes a due request for sending; false when another sender took it first.
    bool claim(qint64 id, qint64 now);
    void release(qint64 id);
    void cancelAllOf(qint64 userId, qint64 now);

private:
    Database& m_db;
};

struct WebsiteRecord
{
    qint64 id = 0;
    qint64 userId = 0;
    QString domain;
    qint64 createdAt = 0;
    qint64 updatedAt = 0;
};

class WebsiteStore
{
public:
    explicit WebsiteStore(Database& db)
        : m_db(db)
    { }
    // The new row, or nothing when the account already blocks this domain.
    std::optional<WebsiteRecord> add(qint64 userId, const QString& domain, qint64 now);
    std::optional<WebsiteRecord> byId(qint64 id);
    bool remove(qint64 id, qint64 userId);
    qint64 count(qint64 userId);
    QList<WebsiteRecord> page(qint64 userId, qint64 offset, int limit);

private:
    Database& m_db;
};

struct DeviceSighting
{
    qint64 userId = 0;
    QString platformUniqueId;
    QString address;
    qint64 seenAt = 0;
};

struct DeviceRecord
{
    qint64 userId = 0;
    QString platformUniqueId;
    QString lastAddress;
    qint64 firstSeenAt = 0;
    qint64 lastSeenAt = 0;
};

class DeviceStore
{
public:
    explicit DeviceStore(Database& db)
        : m_db(db)
    { }
    void record(const DeviceSighting& sighting);
    QList<DeviceRecord> ofUser(qint64 userId);

private:
    Database& m_db;
};

class ResetStore
{
public:
    explicit ResetStore(Database& db)
        : m_db(db)
    { }
    // A new single-use reset token for the account; earlier unused ones stop working.
    QString open(qint64 userId, qint64 now, qint64 lifetimeSeconds);
    // The account a usable token belongs to, without using it.
    std::optional<qint64> peek(const QByteArray& token, qint64 now);
    // Uses the token up (only once, even when two requests race) and returns its account.
    std::optional<qint64> consume(const QByteArray& token, qint64 now);

private:
    Database& m_db;
};
