// Writes, wipes or reads the settings store in a process of its own, so that the test sees what really
// reached the disk rather than what QSettings keeps in its cache.
#include "SettingsStore.h"
#include "platform.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SettingsStore store(platform::createUserDefaults());
    const QString mode = app.arguments().value(1);
    if (mode == "write") {
        store.setBool(keys::isLogin, true);
        store.setBool(keys::isLoggedOut, false);
        store.setInteger(keys::userId, 42);
        store.setString(keys::loginToken, "token-value");
        store.setObject(keys::blockedAppDetails, QStringList {"Poker Stars"});
        store.flush();
        return 0;
    }
    if (mode == "wipe") {
        store.wipe();
        return 0;
    }
    QStringList types;
    for (const char* key : {keys::isLogin, keys::isLoggedOut, keys::userId, keys::loginToken,
             keys::blockedAppDetails, keys::isPinSeted}) {
        const QVariant value = store.objectValue(key);
        types.append(QString::fromLatin1(value.isValid() ? value.typeName() : "absent"));
    }
    const QJsonObject result {{"types", types.join(' ')}, {"userIdText", store.userId()},
        {"blocked", QJsonArray::fromStringList(store.blockedApplications())}};
    std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
