#pragma once

#include <QList>
#include <QString>

#include <optional>

class Database;

// The websites each account blocks.
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
