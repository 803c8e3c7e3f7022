#include "Sql.h"

#include <QDir>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>
#include <QUrlQuery>

#include <atomic>
#include <map>
#include <memory>
#include <unordered_map>

QString DatabaseTarget::describe() const
{
    if (dialect == SqlDialect::Sqlite)
        return QStringLiteral("SQLite ") + sqlitePath;
    return QStringLiteral("PostgreSQL %1@%2:%3/%4")
        .arg(user, host.isEmpty() ? QStringLiteral("(default)") : host)
        .arg(port)
        .arg(name);
}

std::optional<DatabaseTarget> parseDatabaseUrl(const QString& url, const QString& dataDir, QString& error)
{
    DatabaseTarget target;
    if (url.isEmpty() || url.startsWith(u"sqlite:")) {
        QString path = url.isEmpty() ? QStringLiteral("brevak.sqlite") : url.mid(7);
        if (path.startsWith(u"///"))
            path = path.mid(2);
        if (path.isEmpty()) {
            error = QStringLiteral("sqlite: needs a file path");
            return std::nullopt;
        }
        target.sqlitePath = QDir::cleanPath(QDir(dataDir).absoluteFilePath(path));
        return target;
    }
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || (parsed.scheme() != u"postgresql" && parsed.scheme() != u"postgres")) {
        error = QStringLiteral("not a valid postgresql:// URL");
        return std::nullopt;
    }
    target.dialect = SqlDialect::Postgresql;
    target.host = parsed.host();
    target.port = parsed.port(5432);
    target.user = parsed.userName(QUrl::FullyDecoded);
    target.password = parsed.password(QUrl::FullyDecoded);
    target.name = parsed.path(QUrl::FullyDecoded).mid(1);
    const QUrlQuery query(parsed);
    if (query.hasQueryItem(QStringLiteral("host")))
        target.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (target.name.isEmpty()) {
        error = QStringLiteral("the postgresql:// URL names no database");
        return std::nullopt;
    }
    return target;
}

namespace {

std::atomic<quint64> nextDatabaseId {1};
std::atomic<quint64> nextConnectionId {1};

} // namespace

struct DatabaseConnectionSlot
{
    QString name;
    QSqlDatabase database;
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> statements;
    bool suspect = false; // a statement failed: the connection may have been lost

    ~DatabaseConnectionSlot()
    {
        statements.clear();
        if (database.isValid()) {
            database.close();
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
        }
    }
};

namespace {

// Every connection this thread opened, by database; they close when the thread ends.
thread_local std::map<quint64, std::unique_ptr<DatabaseConnectionSlot>> threadConnections;

} // namespace

Database::Database(DatabaseTarget target)
    : m_target(std::move(target))
    , m_id(nextDatabaseId++)
{ }

Database::~Database()
{
    threadConnections.erase(m_id);
}

DatabaseConnectionSlot& Database::threadConnection()
{
    auto found = threadConnections.find(m_id);
    if (found != threadConnections.end()) {
        DatabaseConnectionSlot& slot = *found->second;
        if (!slot.suspect)
            return slot;
        // After a failure, a connection the database server dropped (a restart, a failover) is opened
        // anew instead of failing every later request of this thread.
        slot.suspect = false;
        if (QSqlQuery(slot.database).exec(QStringLiteral("SELECT 1")))
            return slot;
        threadConnections.erase(found);
    }

    auto connection = std::make_unique<DatabaseConnectionSlot>();
    connection->name = QStringLiteral("brevak-%1-%2").arg(m_id).arg(nextConnectionId++);
    const bool sqlite = m_target.dialect == SqlDialect::Sqlite;
    connection->database = QSqlDatabase::addDatabase(
        sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), connection->name);
    QSqlDatabase& db = connection->database;
    if (sqlite) {
        db.setDatabaseName(m_target.sqlitePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    } else {
        db.setHostName(m_target.host);
        db.setPort(m_target.port);
        db.setDatabaseName(m_target.name);
        db.setUserName(m_target.user);
        db.setPassword(m_target.password);
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    }
    if (!db.open()) {
        const QString why = db.lastError().text();
        connection.reset();
        throw StorageError(
            QStringLiteral("cannot open the database (%1): %2").arg(m_target.describe(), why).toStdString());
    }
    DatabaseConnectionSlot* raw = connection.get();
    threadConnections.emplace(m_id, std::move(connection));
    if (sqlite) {
        // WAL lets readers go on while one writer writes; NORMAL syncs at checkpoints, which a crash of
        // the process (not of the machine) survives.
        execute(QStringLiteral("PRAGMA journal_mode=WAL"));
        execute(QStringLiteral("PRAGMA synchronous=NORMAL"));
        execute(QStringLiteral("PRAGMA foreign_keys=ON"));
    } else {
        execute(QStringLiteral("SET client_min_messages TO warning"));
    }
    return *raw;
}

QSqlDatabase Database::connection()
{
    return threadConnection().database;
}

QSqlQuery& Database::prepared(const QString& sql)
{
    DatabaseConnectionSlot& connection = threadConnection();
    auto found = connection.statements.find(sql);
    if (found != connection.statements.end())
        return *found->second;
    auto query = std::make_unique<QSqlQuery>(connection.database);
    query->setForwardOnly(true);
    if (!query->prepare(sql)) {
        connection.suspect = true;
        throw StorageError(
            QStringLiteral("cannot prepare [%1]: %2").arg(sql, query->lastError().text()).toStdString());
    }
    return *connection.statements.emplace(sql, std::move(query)).first->second;
}

void Database::execute(const QString& sql)
{
    DatabaseConnectionSlot& connection = threadConnection();
    QSqlQuery query(connection.database);
    if (!query.exec(sql)) {
        connection.suspect = true;
        throw StorageError(QStringLiteral("[%1]: %2").arg(sql, query.lastError().text()).toStdString());
    }
}

void Database::suspectThreadConnection()
{
    const auto found = threadConnections.find(m_id);
    if (found != threadConnections.end())
        found->second->suspect = true;
}

QString Database::problem()
{
    // Twice: a connection the database dropped fails once, then is opened anew.
    for (int attempt = 1;; ++attempt) {
        try {
            Sql(*this, QStringLiteral("SELECT 1")).exec();
            break;
        } catch (const StorageError& error) {
            if (attempt == 2)
                return QStringLiteral("the database does not answer: ")
                    + QString::fromStdString(error.what());
        }
    }
    return m_refusingWrites ? QStringLiteral("the database refuses writes") : QString();
}

Sql::Sql(Database& db, const QString& sql)
    : m_db(db)
    , m_query(db.prepared(sql))
    , m_sql(sql)
    , m_writes(!sql.startsWith(QStringLiteral("SELECT")))
{ }

Sql& Sql::bind(const QVariant& value)
{
    m_query.bindValue(m_index++, value);
    return *this;
}

Sql& Sql::bindOptional(const std::optional<qint64>& value)
{
    return bind(value ? QVariant(*value) : QVariant(QMetaType::fromType<qlonglong>()));
}

void Sql::fail(const QString& why)
{
    m_query.finish();
    m_db.suspectThreadConnection();
    if (m_writes)
        m_db.noteWrite(false);
    throw StorageError(QStringLiteral("[%1]: %2").arg(m_sql, why).toStdString());
}

Sql& Sql::exec()
{
    m_index = 0;
    m_rows.clear();
    m_row = -1;
    if (!m_query.exec())
        fail(m_query.lastError().text());
    const int columns = m_query.record().count();
    while (m_query.next()) {
        QList<QVariant> row;
        row.reserve(columns);
        for (int column = 0; column < columns; ++column)
            row.append(m_query.value(column));
        m_rows.append(row);
    }
    if (m_query.lastError().isValid())
        fail(m_query.lastError().text());
    m_rowsAffected = m_query.numRowsAffected();
    m_query.finish();
    if (m_writes)
        m_db.noteWrite(true);
    return *this;
}

bool Sql::next()
{
    return ++m_row < m_rows.size();
}

qint64 Sql::int64(int column) const
{
    return m_rows.at(m_row).at(column).toLongLong();
}

std::optional<qint64> Sql::optionalInt64(int column) const
{
    const QVariant& value = m_rows.at(m_row).at(column);
    if (value.isNull())
        return std::nullopt;
    return value.toLongLong();
}

QString Sql::text(int column) const
{
    return m_rows.at(m_row).at(column).toString();
}

std::optional<QString> Sql::optionalText(int column) const
{
    const QVariant& value = m_rows.at(m_row).at(column);
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

int Sql::rowsAffected() const
{
    return m_rowsAffected;
}

Transaction::Transaction(Database& db)
    : m_db(db)
    , m_connection(db.connection())
{
    if (!m_connection.transaction()) {
        db.suspectThreadConnection();
        throw StorageError(QStringLiteral("cannot begin a transaction: %1")
                               .arg(m_connection.lastError().text())
                               .toStdString());
    }
}

Transaction::~Transaction()
{
    if (!m_done)
        m_connection.rollback();
}

void Transaction::commit()
{
    if (!m_connection.commit()) {
        m_db.noteWrite(false);
        m_db.suspectThreadConnection();
        throw StorageError(
            QStringLiteral("cannot commit: %1").arg(m_connection.lastError().text()).toStdString());
    }
    m_done = true;
}
