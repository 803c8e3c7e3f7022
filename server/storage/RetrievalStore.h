#pragma once

#include <QList>
#include <QtGlobal>

#include <optional>

class Database;

// Requests to have the PIN mailed back once its waiting time has passed.
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
