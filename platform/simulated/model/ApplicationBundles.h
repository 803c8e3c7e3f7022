#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace simulated {

// An application bundle (<Name>.app) as its Info.plist describes it.
struct ApplicationBundle
{
    QString path; // the .app folder
    QString bundleIdentifier; // CFBundleIdentifier
    QString name; // CFBundleName, else the folder name without ".app"; the localized name
    QString iconFile; // the icon in Contents/Resources that CFBundleIconFile names; empty when none

    // The folder name, "Safari.app".
    QString fileName() const;
};

// The bundle at `path`, or nothing when it is not an application: no readable Info.plist with a
// bundle identifier.
std::optional<ApplicationBundle> readApplicationBundle(const QString& path, QString* error = nullptr);

// Applications under the folder, its subfolders included (as Utilities/Terminal.app), by path.
QList<ApplicationBundle> installedApplications(const QString& applicationsFolder);

// The application that a name given to AppleScript or brevak-simctl means: "Safari" or "Safari.app".
// A bundle directly in the folder wins over one in a subfolder.
std::optional<ApplicationBundle> findApplicationNamed(const QString& applicationsFolder, const QString& name);
std::optional<ApplicationBundle> findApplicationWithIdentifier(
    const QString& applicationsFolder, const QString& bundleIdentifier);

// The Info.plist of a new application bundle.
QByteArray applicationInfoPlist(const QString& name, const QString& bundleIdentifier);

} // namespace simulated
