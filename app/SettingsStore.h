#pragma once

#include "SettingsKeys.h"
#include "SharedService.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <optional>

// Every value that outlives the process. Reads follow the conventions of the platform's preferences:
// an absent Bool reads false, an absent Integer 0, an absent String or object reads as nothing.
// Values are read at the point of use and written at once; nothing is cached here.
class SettingsStore
{
public:
    using Registration = SharedService<SettingsStore>::Registration;

    explicit SettingsStore(std::unique_ptr<QSettings> settings);

    // The registered store: the application's (ApplicationServices), or a test's own.
    static SettingsStore& shared();

    bool boolValue(const char* key) const;
    qint64 integerValue(const char* key) const;
    // A stored text, or a stored number's decimal text.
    std::optional<QString> stringValue(const char* key) const;
    // A stored text only; a number or any other type reads as nothing.
    std::optional<QString> textValue(const char* key) const;
    QVariant objectValue(const char* key) const;

    void setBool(const char* key, bool value);
    void setInteger(const char* key, qint64 value);
    void setString(const char* key, const QString& value);
    void setObject(const char* key, const QVariant& value);
    // Removes one key: an answer without the account's field leaves none stored.
    void remove(const char* key);

    // `user_id` is written as an Integer and read back as its decimal text, the empty text when absent.
    QString userId() const;
    // `blockedAppDetails` as a list of names; anything but an array of texts reads as an empty list.
    QStringList blockedApplications() const;
    // `attemp`, replaced by 1 when absent or below 1.
    qint64 pinAttempt() const;

    // Removes every key, then forces the store to disk.
    void wipe();
    // Removes every key but `kept`, then forces the store to disk. The kept values are never out of
    // the store, not even for a moment.
    void wipeExcept(std::initializer_list<const char*> kept);
    void flush();

private:
    std::unique_ptr<QSettings> m_settings;
};
