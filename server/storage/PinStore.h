#pragma once

#include <QString>

#include <optional>

class Database;

// The PIN of each account, sealed, with its count of wrong tries and its block.
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
    // Some stored PIN, if there is any.
    std::optional<StoredPin> any();
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
