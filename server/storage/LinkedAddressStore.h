#pragma once

#include <QList>
#include <QString>

#include <optional>

class Database;

// The addresses each account synchronised from. The filtering resolver gives every such address a view
// of its own that answers the account's blocked websites with NXDOMAIN; an address unused for
// linkedAddressLifetime is forgotten.
inline constexpr qint64 linkedAddressLifetime = 30 * 86400;

// One linked address and one website that an account linked to it blocks (none: its accounts block
// nothing).
struct AddressBlock
{
    QString address;
    std::optional<QString> domain;
};

class LinkedAddressStore
{
public:
    explicit LinkedAddressStore(Database& db)
        : m_db(db)
    { }
    // True when the address is new to the account: the resolver must then hear of it.
    bool link(qint64 userId, const QString& address, qint64 seenAt);
    // Deletes the links last used before `cutoff`; returns how many.
    int forgetUnusedBefore(qint64 cutoff);
    // Every address used since `since`, with each website its accounts block.
    QList<AddressBlock> blocksSince(qint64 since);

private:
    Database& m_db;
};

// A number that moves on with every change the resolver must hear of (a website blocked or unblocked,
// an address linked or forgotten), in the same transaction as the change: the resolver reads it to know
// whether anything changed since it last looked. Writers move it last in their transaction, so that
// they all take its row lock last (no deadlock between them on PostgreSQL).
class ResolverGeneration
{
public:
    explicit ResolverGeneration(Database& db)
        : m_db(db)
    { }
    qint64 current();
    void advance();

private:
    Database& m_db;
};
