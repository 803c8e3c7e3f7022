#pragma once

#include <QString>

#include <optional>

class Database;

// Values the server keeps about itself, by name (the check value of the PIN key, the time of the last
// start).
class SettingStore
{
public:
    explicit SettingStore(Database& db)
        : m_db(db)
    { }
    std::optional<QString> value(const QString& name);
    // Sets the value unless the name already has one (another server may have set it first); returns
    // the value the name has afterwards.
    QString setIfAbsent(const QString& name, const QString& value);
    void set(const QString& name, const QString& value);

private:
    Database& m_db;
};
