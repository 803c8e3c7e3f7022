#include "Localization.h"

#include "Diagnostics.h"
#include "NotificationCenter.h"
#include "SettingsStore.h"
#include "StringsFile.h"

#include <QLocale>

namespace localization {

namespace {

QString& configuredResourceFolder()
{
    static QString folder = QStringLiteral(":/strings");
    return folder;
}

// The dictionary as the log has always shown it: ["key": "value", ...].
QString dictionaryText(const StringsFile::Dictionary& dictionary)
{
    QStringList entries;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        entries << QStringLiteral("\"%1\": \"%2\"").arg(it.key(), it.value());
    }
    return '[' + entries.join(QLatin1String(", ")) + ']';
}

} // namespace

QString currentLanguageCode()
{
    return SettingsStore::shared().textValue(keys::currentLanguage).value_or(systemLanguageCode());
}

QString systemLanguageCode()
{
    const QLocale system = QLocale::system();
    // The C (POSIX) locale of a bare system speaks English.
    if (system.language() == QLocale::C) {
        return QStringLiteral("en");
    }
    return system.name().section('_', 0, 0);
}

void followLanguage(QObject* screen, std::function<void()> setTexts)
{
    setTexts();
    NotificationCenter::shared().addObserver(screen, QString::fromLatin1(notifications::updateChooseLanguage),
        [setTexts = std::move(setTexts)](const QVariant& language) {
            // Only a language code changes the texts; anything else posted under the name is ignored.
            if (language.typeId() == QMetaType::QString) {
                setTexts();
            }
        });
}

QString resourceFolder()
{
    return configuredResourceFolder();
}

void setResourceFolder(const QString& folder)
{
    configuredResourceFolder() = folder;
}

} // namespace localization

QString localizedText(const QString& key)
{
    const QString path
        = localization::resourceFolder() + '/' + localization::currentLanguageCode() + ".strings";
    const std::optional<StringsFile::Dictionary> dictionary = StringsFile::read(path);
    if (!dictionary) {
        // Without a resource for the language the English text is shown rather than a blank label.
        return key;
    }
    diagnostics::printLine("Localized Dict - " + localization::dictionaryText(*dictionary));
    const QString result = dictionary->value(key, key);
    diagnostics::printLine("Localized String - " + result);
    return result;
}
