#include "platform.h"

namespace platform {

// QSettings' native format on macOS is CFPreferences, which keeps Bool, Integer, String and array
// values as such. QSettings names the domain after the reversed organization domain followed by the
// application name, so "mac.com" and "brevak" give com.mac.brevak, BREVAK's bundle identifier.
std::unique_ptr<QSettings> createUserDefaults()
{
    auto defaults = std::make_unique<QSettings>(
        QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("mac.com"), QStringLiteral("brevak"));
    // With fallbacks QSettings would also read and list the keys of the com.mac suite and of the
    // global domain; BREVAK's store holds its own keys only.
    defaults->setFallbacksEnabled(false);
    const QString expected = QStringLiteral("/Library/Preferences/%1.plist").arg(ownBundleIdentifier);
    if (!defaults->fileName().endsWith(expected)) {
        qWarning("The settings are kept in %s instead of the defaults domain %s",
            qPrintable(defaults->fileName()), ownBundleIdentifier);
    }
    return defaults;
}

} // namespace platform
