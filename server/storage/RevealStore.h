#pragma once

#include <QList>
#include <QString>

class Database;

// Every PIN a counsellor mailed to its account's owner: who did it and when.
struct RevealRecord
{
    QString counsellorName;
    QString counsellorEmail;
    qint64 revealedAt = 0;
};

class RevealStore
{
public:
    explicit RevealStore(Database& db)
        : m_db(db)
    { }
    void record(qint64 userId, qint64 counsellorId, qint64 now);
    QList<RevealRecord> ofUser(qint64 userId);

private:
    Database& m_db;
};
