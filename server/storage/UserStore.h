#pragma once

#include <QList>
#include <QString>

#include <optional>

class Database;

// The accounts.
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
    // A sign-in provider confirmed the address. When it was never verified, whoever registered it may
    // not be its owner: in one transaction the password is cleared and every session of the account
    // revoked. True when that happened.
    bool confirmAddress(qint64 id, qint64 now);

private:
    std::optional<UserRecord> one(const QString& sql, const QVariant& key);
    Database& m_db;
};
