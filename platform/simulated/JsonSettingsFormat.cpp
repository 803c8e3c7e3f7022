#include "SimulatedRoot.h"
#include "platform.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace platform {

namespace {

// QSettings' INI and native formats on Linux turn every value into text. JSON keeps Bool, Integer,
// String and list apart, which the preferences of macOS do too.
bool readJson(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty()) {
        return true;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return false;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        map.insert(it.key(), it.value().toVariant());
    }
    return true;
}

bool writeJson(QIODevice& device, const QSettings::SettingsMap& map)
{
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it) {
        object.insert(it.key(), QJsonValue::fromVariant(it.value()));
    }
    return device.write(QJsonDocument(object).toJson(QJsonDocument::Indented)) >= 0;
}

} // namespace

std::unique_ptr<QSettings> createUserDefaults()
{
    static const QSettings::Format format = QSettings::registerFormat("json", readJson, writeJson);
    const QString path = simulated::homeFolder() + "/Library/Preferences/" + ownBundleIdentifier + ".json";
    return std::make_unique<QSettings>(path, format);
}

} // namespace platform
