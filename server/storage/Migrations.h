#pragma once

class Database;
class Clock;

// Brings the schema up to the newest version this program knows, one numbered step at a time, each in
// its own transaction; the versions already applied are listed in schema_migrations. Throws
// StorageError when a step fails (the database is then left at the last complete step).
// Returns the version the database is at afterwards.
int migrateDatabase(Database& db, const Clock& clock);
