#pragma once

#include <QString>

#include <optional>

class Database;

// The counsellors' sessions in the console: only the digest of each token is stored. A session in use
// also tells that its counsellor is at the console.
struct CounsellorSession
{
    qint64 id = 0;
    qint64 counsellorId = 0;
    qint64 lastUsedAt = 0;
    qint64 expiresAt = 0;
    std::optional<qint64> revokedAt;

    bool isActive(qint64 now) const { return !revokedAt && expiresAt > now; }
};

class CounsellorSessionStore
{
public:
    explicit CounsellorSessionStore(Database& db)
        : m_db(db)
    { }
    void open(qint64 counsellorId, const QString& tokenDigest, qint64 now, qint64 lifetimeSeconds);
    std::optional<CounsellorSession> byDigest(const QString& tokenDigest);
    void touch(qint64 sessionId, qint64 now, qint64 expiresAt);
    void revoke(qint64 sessionId, qint64 now);
    // Whether a counsellor who has not been removed used a live session at `since` or later.
    bool anyUsedSince(qint64 since, qint64 now);

private:
    Database& m_db;
};
