#include "SettingsStore.h"

#include <algorithm>

namespace {

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

} // namespace

SettingsStore::SettingsStore(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings))
{ }

SettingsStore& SettingsStore::shared()
{
    return SharedService<SettingsStore>::get();
}

bool SettingsStore::boolValue(const char* key) const
{
    const QVariant value = objectValue(key);
    if (value.typeId() == QMetaType::Bool || isNumber(value)) {
        return value.toBool();
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        return text == "true" || text == "yes" || text.toLongLong() != 0;
    }
    return false;
}

qint64 SettingsStore::integerValue(const char* key) const
{
    const QVariant value = objectValue(key);
    if (value.typeId() == QMetaType::Bool || isNumber(value)) {
        return value.toLongLong();
    }
    if (value.typeId() == QMetaType::QString) {
        return value.toString().trimmed().toLongLong();
    }
    return 0;
}

std::optional<QString> SettingsStore::stringValue(const char* key) const
{
    const QVariant value = objectValue(key);
    if (value.typeId() == QMetaType::QString) {
        return value.toString();
    }
    if (value.typeId() == QMetaType::Double) {
        return QString::number(value.toDouble());
    }
    if (isNumber(value)) {
        return QString::number(value.toLongLong());
    }
    return std::nullopt;
}

std::optional<QString> SettingsStore::textValue(const char* key) const
{
    const QVariant value = objectValue(key);
    if (value.typeId() == QMetaType::QString) {
        return value.toString();
    }
    return std::nullopt;
}

QVariant SettingsStore::objectValue(const char* key) const
{
    return m_settings->value(QString::fromLatin1(key));
}

void SettingsStore::setBool(const char* key, bool value)
{
    m_settings->setValue(QString::fromLatin1(key), value);
}

void SettingsStore::setInteger(const char* key, qint64 value)
{
    m_settings->setValue(QString::fromLatin1(key), value);
}

void SettingsStore::setString(const char* key, const QString& value)
{
    m_settings->setValue(QString::fromLatin1(key), value);
}

void SettingsStore::setObject(const char* key, const QVariant& value)
{
    m_settings->setValue(QString::fromLatin1(key), value);
}

void SettingsStore::remove(const char* key)
{
    m_settings->remove(QString::fromLatin1(key));
}

QString SettingsStore::userId() const
{
    return stringValue(keys::userId).value_or(QString());
}

QStringList SettingsStore::blockedApplications() const
{
    const QVariant value = objectValue(keys::blockedAppDetails);
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList();
    }
    if (value.typeId() != QMetaType::QVariantList) {
        return {};
    }
    QStringList names;
    for (const QVariant& element : value.toList()) {
        if (element.typeId() != QMetaType::QString) {
            return {};
        }
        names.append(element.toString());
    }
    return names;
}

qint64 SettingsStore::pinAttempt() const
{
    return std::max<qint64>(1, integerValue(keys::attemp));
}

void SettingsStore::wipe()
{
    m_settings->clear();
    flush();
}

void SettingsStore::wipeExcept(std::initializer_list<const char*> kept)
{
    for (const QString& key : m_settings->allKeys()) {
        if (std::none_of(
                kept.begin(), kept.end(), [&key](const char* keep) { return key == QLatin1String(keep); })) {
            m_settings->remove(key);
        }
    }
    flush();
}

void SettingsStore::flush()
{
    m_settings->sync();
}
