#pragma once

class Database;
class Clock;

// Brings the schema up to the newest version this program knows, one numbered step at a time, each in
// its own transaction; the versions already applied are listed in schema_migrations. Throws
// StorageError when a step fails (the database is then left at the last complete step).
// Returns the version the database is at afterwards.
int migrateDatabase(Database& db, const Clock& clock);

// The version the database is at, without changing anything (for the commands that only read it).
// Throws StorageError when it has never been migrated.
int schemaVersion(Database& db);
// The version migrateDatabase brings a database to.
int newestSchemaVersion();
