#pragma once

#include <QString>

#include <optional>

class Database;

// The sessions: only the digest of each bearer token is stored.
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
    // Opens a session for the bearer token with this digest.
    void open(qint64 userId, const QString& tokenDigest, qint64 now, qint64 lifetimeSeconds);
    std::optional<SessionRecord> byDigest(const QString& tokenDigest);
    void revoke(qint64 sessionId, qint64 now);
    void revokeAllOf(qint64 userId, qint64 now, std::optional<qint64> exceptSessionId = std::nullopt);
    void markPinVerified(qint64 sessionId, qint64 now);
    void forgetPinVerifications(qint64 userId);
    void touch(qint64 sessionId, qint64 lastUsed, qint64 expiresAt);

private:
    Database& m_db;
};
