#include "Migrations.h"

#include "Clock.h"
#include "Sql.h"

#include <QStringList>

#include <iterator>

namespace {

struct Migration
{
    int version;
    const char* statements; // separated by ";\n"; {ID} is the dialect's auto-numbered key column
};

// Times are whole seconds since 1970 (BIGINT), so both databases store and compare them alike.
const Migration migrations[] = {
    {1, R"(
CREATE TABLE users (
    id {ID},
    name TEXT NULL,
    email TEXT NOT NULL,
    email_key TEXT NOT NULL UNIQUE,
    email_verified_at BIGINT NULL,
    password_hash TEXT NULL,
    device_name TEXT NOT NULL,
    social_media INTEGER NOT NULL,
    profile_id TEXT NOT NULL,
    role_id INTEGER NOT NULL,
    status INTEGER NOT NULL,
    created_at BIGINT NOT NULL,
    updated_at BIGINT NOT NULL
);
CREATE TABLE sessions (
    id {ID},
    user_id BIGINT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    token_hash TEXT NOT NULL UNIQUE,
    created_at BIGINT NOT NULL,
    last_used_at BIGINT NOT NULL,
    expires_at BIGINT NOT NULL,
    revoked_at BIGINT NULL,
    pin_verified_at BIGINT NULL
);
CREATE INDEX sessions_user ON sessions (user_id);
CREATE TABLE pins (
    id {ID},
    user_id BIGINT NOT NULL UNIQUE REFERENCES users(id) ON DELETE CASCADE,
    sealed_pin TEXT NOT NULL,
    time_hours INTEGER NOT NULL,
    failed_attempts INTEGER NOT NULL,
    blocked_until BIGINT NULL,
    created_at BIGINT NOT NULL,
    updated_at BIGINT NOT NULL
);
CREATE TABLE pin_retrievals (
    id {ID},
    user_id BIGINT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    pin_id BIGINT NOT NULL,
    requested_at BIGINT NOT NULL,
    due_at BIGINT NULL,
    sent_at BIGINT NULL,
    cancelled_at BIGINT NULL
);
CREATE INDEX pin_retrievals_open ON pin_retrievals (user_id, sent_at, cancelled_at);
CREATE TABLE blocked_websites (
    id {ID},
    user_id BIGINT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    domain TEXT NOT NULL,
    created_at BIGINT NOT NULL,
    updated_at BIGINT NOT NULL,
    UNIQUE (user_id, domain)
);
CREATE TABLE devices (
    id {ID},
    user_id BIGINT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    platform_unique_id TEXT NOT NULL,
    last_address TEXT NOT NULL,
    first_seen_at BIGINT NOT NULL,
    last_seen_at BIGINT NOT NULL,
    UNIQUE (user_id, platform_unique_id)
);
CREATE TABLE password_resets (
    id {ID},
    user_id BIGINT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    token_hash TEXT NOT NULL UNIQUE,
    created_at BIGINT NOT NULL,
    expires_at BIGINT NOT NULL,
    used_at BIGINT NULL
)
)"},
    {2, R"(
CREATE TABLE server_settings (
    name TEXT PRIMARY KEY,
    value TEXT NOT NULL
)
)"},
    // The addresses each account synchronised from, for the resolver's per-address views, and a counter
    // that every change the resolver must hear of moves on.
    {3, R"(
CREATE TABLE linked_addresses (
    user_id BIGINT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    address TEXT NOT NULL,
    first_seen_at BIGINT NOT NULL,
    last_seen_at BIGINT NOT NULL,
    PRIMARY KEY (user_id, address)
);
CREATE INDEX linked_addresses_last_seen ON linked_addresses (last_seen_at);
CREATE TABLE resolver_state (
    id INTEGER PRIMARY KEY,
    generation BIGINT NOT NULL
);
INSERT INTO resolver_state (id, generation) VALUES (1, 0)
)"},
    // The live chat: one conversation per account, its messages numbered in order by the conversation's
    // own counter, the counsellors who answer with their sessions, and every PIN mailed by one of them.
    {4, R"(
CREATE TABLE counsellors (
    id {ID},
    name TEXT NOT NULL,
    email TEXT NOT NULL,
    email_key TEXT NOT NULL UNIQUE,
    password_hash TEXT NOT NULL,
    created_at BIGINT NOT NULL,
    updated_at BIGINT NOT NULL,
    removed_at BIGINT NULL
);
CREATE TABLE counsellor_sessions (
    id {ID},
    counsellor_id BIGINT NOT NULL REFERENCES counsellors(id) ON DELETE CASCADE,
    token_hash TEXT NOT NULL UNIQUE,
    created_at BIGINT NOT NULL,
    last_used_at BIGINT NOT NULL,
    expires_at BIGINT NOT NULL,
    revoked_at BIGINT NULL
);
CREATE INDEX counsellor_sessions_counsellor ON counsellor_sessions (counsellor_id);
CREATE TABLE chat_conversations (
    id {ID},
    user_id BIGINT NOT NULL UNIQUE REFERENCES users(id) ON DELETE CASCADE,
    last_seq BIGINT NOT NULL,
    changes BIGINT NOT NULL,
    created_at BIGINT NOT NULL,
    updated_at BIGINT NOT NULL,
    closed_at BIGINT NULL,
    last_reveal_at BIGINT NULL
);
CREATE TABLE chat_messages (
    id {ID},
    conversation_id BIGINT NOT NULL REFERENCES chat_conversations(id) ON DELETE CASCADE,
    seq BIGINT NOT NULL,
    author INTEGER NOT NULL,
    counsellor_id BIGINT NULL REFERENCES counsellors(id),
    client_id TEXT NULL,
    body TEXT NOT NULL,
    created_at BIGINT NOT NULL,
    UNIQUE (conversation_id, seq),
    UNIQUE (conversation_id, client_id)
);
CREATE INDEX chat_messages_recent ON chat_messages (conversation_id, author, created_at);
CREATE TABLE pin_reveals (
    id {ID},
    user_id BIGINT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    counsellor_id BIGINT NOT NULL REFERENCES counsellors(id),
    revealed_at BIGINT NOT NULL
);
CREATE INDEX pin_reveals_user ON pin_reveals (user_id)
)"},
};

QString keyColumn(SqlDialect dialect)
{
    return dialect == SqlDialect::Sqlite
        ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")
        : QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
}

} // namespace

int newestSchemaVersion()
{
    return std::end(migrations)[-1].version;
}

int schemaVersion(Database& db)
{
    Sql query(db, QStringLiteral("SELECT COALESCE(MAX(version), 0) FROM schema_migrations"));
    query.exec();
    return query.next() ? static_cast<int>(query.int64(0)) : 0;
}

int migrateDatabase(Database& db, const Clock& clock)
{
    db.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_migrations (version INTEGER PRIMARY KEY, "
                              "applied_at BIGINT NOT NULL)"));
    int version = schemaVersion(db);
    for (const Migration& migration : migrations) {
        if (migration.version <= version)
            continue;
        Transaction transaction(db);
        const QString script = QString::fromUtf8(migration.statements)
                                   .replace(QStringLiteral("{ID}"), keyColumn(db.dialect()));
        for (const QString& statement : script.split(QStringLiteral(";\n"), Qt::SkipEmptyParts)) {
            if (!statement.trimmed().isEmpty())
                db.execute(statement.trimmed());
        }
        Sql(db, QStringLiteral("INSERT INTO schema_migrations (version, applied_at) VALUES (?, ?)"))
            .bind(migration.version)
            .bind(clock.now())
            .exec();
        transaction.commit();
        version = migration.version;
    }
    return version;
}
