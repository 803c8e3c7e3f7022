#pragma once

#include "Database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <optional>

// Statements of the storage layer; nothing outside storage/ sees SQL.

// One execution of a cached prepared statement with its values bound in order:
//   Sql(db, "SELECT id FROM users WHERE email_key = ?").bind(key).exec();
// exec() steps the statement to its end and keeps the rows it returned: a write (with RETURNING too)
// is only done, committed and error-checked once every step has run, so a failure at the last step
// (a full disk, a constraint checked at commit) throws StorageError instead of going unnoticed.
class Sql
{
public:
    Sql(Database& db, const QString& sql);
    Sql(const Sql&) = delete;
    Sql& operator=(const Sql&) = delete;

    Sql& bind(const QVariant& value);
    Sql& bindOptional(const std::optional<qint64>& value);
    Sql& exec();
    bool next(); // to the next row that exec() read
    qint64 int64(int column) const;
    std::optional<qint64> optionalInt64(int column) const;
    QString text(int column) const;
    std::optional<QString> optionalText(int column) const;
    int rowsAffected() const;

private:
    [[noreturn]] void fail(const QString& why);

    Database& m_db;
    QSqlQuery& m_query;
    QString m_sql;
    bool m_writes;
    int m_index = 0;
    QList<QList<QVariant>> m_rows;
    qsizetype m_row = -1;
    int m_rowsAffected = 0;
};

// True when a transaction is open; rolls it back unless commit() was called.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    void commit();

private:
    Database& m_db;
    QSqlDatabase m_connection;
    bool m_done = false;
};
