#pragma once

#include <QList>
#include <QString>

#include <optional>

class Database;

// The counsellors who answer the live chat from the console. Their accounts are made by an operator
// (brevak-server admin add-counsellor) and have nothing to do with the users' accounts.
struct CounsellorRecord
{
    qint64 id = 0;
    QString name;
    QString email;
    QString passwordHash;
    qint64 createdAt = 0;
    std::optional<qint64> removedAt;
};

class CounsellorStore
{
public:
    explicit CounsellorStore(Database& db)
        : m_db(db)
    { }
    // Makes the counsellor, or gives the one with this address (removed or not) this name and password;
    // either way every session it had ends. True when the account is new.
    bool save(const QString& name, const QString& email, const QString& passwordHash, qint64 now);
    // A counsellor who has not been removed.
    std::optional<CounsellorRecord> activeByEmail(const QString& email);
    std::optional<CounsellorRecord> activeById(qint64 id);
    QList<CounsellorRecord> all();
    void setPasswordHash(qint64 id, const QString& hash, qint64 now);
    // Removes the counsellor's access (its sessions end); its messages and reveals stay on record.
    // False when no active counsellor has this address.
    bool remove(const QString& email, qint64 now);

private:
    std::optional<CounsellorRecord> one(const QString& condition, const QVariant& key);
    Database& m_db;
};
