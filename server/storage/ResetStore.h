#pragma once

#include <QString>

#include <optional>

class Database;

// Single-use password reset links: only the digest of each link's token is stored.
class ResetStore
{
public:
    explicit ResetStore(Database& db)
        : m_db(db)
    { }
    // Records a new single-use reset token (by its digest) for the account; earlier unused ones stop
    // working.
    void open(qint64 userId, const QString& tokenDigest, qint64 now, qint64 lifetimeSeconds);
    // The account a usable token belongs to, without using it.
    std::optional<qint64> peek(const QString& tokenDigest, qint64 now);
    // Uses the token up (only once, even when two requests race) and returns its account.
    std::optional<qint64> consume(const QString& tokenDigest, qint64 now);

private:
    Database& m_db;
};
