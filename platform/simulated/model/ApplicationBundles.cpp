#include "ApplicationBundles.h"

#include "PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <algorithm>

namespace simulated {

namespace {

constexpr auto bundleSuffix = QLatin1String(".app");

QString nameWithoutSuffix(const QString& fileName)
{
    return fileName.endsWith(bundleSuffix) ? fileName.chopped(bundleSuffix.size()) : fileName;
}

QString resolveIconFile(const QString& bundlePath, const QString& iconName)
{
    if (iconName.isEmpty() || iconName.contains('/')) {
        return {};
    }
    const QString resources = bundlePath + QStringLiteral("/Contents/Resources/");
    for (const QString& candidate : QStringList {iconName, iconName + ".icns", iconName + ".png"}) {
        if (QFileInfo(resources + candidate).isFile()) {
            return resources + candidate;
        }
    }
    return {};
}

// Bundles below `folder`, without looking inside a bundle, sorted by path.
QStringList bundlePaths(const QString& folder)
{
    QStringList paths;
    QStringList pending {folder};
    while (!pending.isEmpty()) {
        const QDir directory(pending.takeFirst());
        for (const QFileInfo& entry :
            directory.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            if (entry.fileName().endsWith(bundleSuffix)) {
                paths.append(entry.filePath());
            } else if (!entry.isSymLink()) { // a linked folder could lead back up
                pending.append(entry.filePath());
            }
        }
    }
    return paths;
}

// The bundle as its Info.plist describes it now.
std::optional<ApplicationBundle> readBundleFile(const QString& path, QString* error)
{
    const std::optional<QVariant> info
        = propertylist::readFile(path + QStringLiteral("/Contents/Info.plist"), error);
    if (!info) {
        return std::nullopt;
    }
    const QVariantMap dictionary = info->toMap();
    const QString identifier = dictionary.value(QStringLiteral("CFBundleIdentifier")).toString();
    if (identifier.isEmpty()) {
        if (error) {
            *error = QStringLiteral("Info.plist has no CFBundleIdentifier");
        }
        return std::nullopt;
    }
    ApplicationBundle bundle;
    bundle.path = QDir::cleanPath(path);
    bundle.bundleIdentifier = identifier;
    bundle.name = dictionary.value(QStringLiteral("CFBundleName")).toString();
    if (bundle.name.isEmpty()) {
        bundle.name = nameWithoutSuffix(bundle.fileName());
    }
    bundle.iconFile
        = resolveIconFile(bundle.path, dictionary.value(QStringLiteral("CFBundleIconFile")).toString());
    return bundle;
}

// Bundles already read, by Info.plist, as the Mac's application index keeps them: one is read again
// when its Info.plist changes. Safe from several threads.
class BundleIndex
{
public:
    std::optional<ApplicationBundle> find(const QFileInfo& plist) const
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_bundles.constFind(plist.filePath());
        if (found == m_bundles.cend() || found->modified != plist.lastModified()
            || found->size != plist.size()) {
            return std::nullopt;
        }
        return found->bundle;
    }
    void keep(const QFileInfo& plist, const ApplicationBundle& bundle)
    {
        const QMutexLocker lock(&m_mutex);
        m_bundles.insert(plist.filePath(), {plist.lastModified(), plist.size(), bundle});
    }

private:
    struct Read
    {
        QDateTime modified;
        qint64 size;
        ApplicationBundle bundle;
    };
    mutable QMutex m_mutex;
    QHash<QString, Read> m_bundles;
};

} // namespace

QString ApplicationBundle::fileName() const
{
    return QFileInfo(path).fileName();
}

std::optional<ApplicationBundle> readApplicationBundle(const QString& path, QString* error)
{
    static BundleIndex index;
    const QFileInfo plist(path + QStringLiteral("/Contents/Info.plist"));
    if (std::optional<ApplicationBundle> known = index.find(plist)) {
        return known;
    }
    std::optional<ApplicationBundle> bundle = readBundleFile(path, error);
    if (bundle) {
        index.keep(plist, *bundle);
    }
    return bundle;
}

QList<ApplicationBundle> installedApplications(const QString& applicationsFolder)
{
    QList<ApplicationBundle> applications;
    for (const QString& path : bundlePaths(applicationsFolder)) {
        if (std::optional<ApplicationBundle> bundle = readApplicationBundle(path)) {
            applications.append(*bundle);
        }
    }
    return applications;
}

std::optional<ApplicationBundle> findApplicationNamed(const QString& applicationsFolder, const QString& name)
{
    const QString wanted = nameWithoutSuffix(name);
    if (wanted.isEmpty()) {
        return std::nullopt;
    }
    if (std::optional<ApplicationBundle> direct
        = readApplicationBundle(applicationsFolder + '/' + wanted + bundleSuffix)) {
        return direct;
    }
    for (const ApplicationBundle& bundle : installedApplications(applicationsFolder)) {
        if (nameWithoutSuffix(bundle.fileName()) == wanted || bundle.name == wanted) {
            return bundle;
        }
    }
    return std::nullopt;
}

std::optional<ApplicationBundle> findApplicationWithIdentifier(
    const QString& applicationsFolder, const QString& bundleIdentifier)
{
    // In the order installedApplications() gives, reading no further than the first that matches.
    for (const QString& path : bundlePaths(applicationsFolder)) {
        std::optional<ApplicationBundle> bundle = readApplicationBundle(path);
        if (bundle && bundle->bundleIdentifier == bundleIdentifier) {
            return bundle;
        }
    }
    return std::nullopt;
}

QByteArray applicationInfoPlist(const QString& name, const QString& bundleIdentifier)
{
    return propertylist::write({
        {QStringLiteral("CFBundleDevelopmentRegion"), QStringLiteral("en")},
        {QStringLiteral("CFBundleExecutable"), name},
        {QStringLiteral("CFBundleIconFile"), QStringLiteral("AppIcon")},
        {QStringLiteral("CFBundleIdentifier"), bundleIdentifier},
        {QStringLiteral("CFBundleInfoDictionaryVersion"), QStringLiteral("6.0")},
        {QStringLiteral("CFBundleName"), name},
        {QStringLiteral("CFBundlePackageType"), QStringLiteral("APPL")},
        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0")},
        {QStringLiteral("LSMinimumSystemVersion"), QStringLiteral("11.0")},
    });
}

} // namespace simulated
