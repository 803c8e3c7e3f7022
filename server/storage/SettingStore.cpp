#include "SettingStore.h"

#include "Sql.h"

std::optional<QString> SettingStore::value(const QString& name)
{
    Sql query(m_db, QStringLiteral("SELECT value FROM server_settings WHERE name = ?"));
    query.bind(name).exec();
    if (!query.next())
        return std::nullopt;
    return query.text(0);
}

QString SettingStore::setIfAbsent(const QString& name, const QString& value)
{
    Sql(m_db,
        QStringLiteral(
            "INSERT INTO server_settings (name, value) VALUES (?, ?) ON CONFLICT (name) DO NOTHING"))
        .bind(name)
        .bind(value)
        .exec();
    return this->value(name).value_or(value);
}

void SettingStore::set(const QString& name, const QString& value)
{
    Sql(m_db,
        QStringLiteral("INSERT INTO server_settings (name, value) VALUES (?, ?) "
                       "ON CONFLICT (name) DO UPDATE SET value = excluded.value"))
        .bind(name)
        .bind(value)
        .exec();
}
