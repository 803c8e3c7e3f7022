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
class Sql
{
public:
    Sql(Database& db, const QString& sql);
    ~Sql();
    Sql(const Sql&) = delete;
    Sql& operator=(const Sql&) = delete;

    Sql& bind(const QVariant& value);
    Sql& bindOptional(const std::optional<qint64>& value);
    Sql& exec();
    bool next();
    qint64 int64(int column) const;
    std::optional<qint64> optionalInt64(int column) const;
    QString text(int column) const;
    std::optional<QString> optionalText(int column) const;
    int rowsAffected() const;

private:
    QSqlQuery& m_query;
    QString m_sql;
    int m_index = 0;
};

// True when a transaction is open; rolls it back unless commit() was called.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    void commit();

private:
    QSqlDatabase m_connection;
    bool m_done = false;
};
