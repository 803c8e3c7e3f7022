#pragma once

#include <QString>

// Puts application bundles into the simulated Mac's Applications folder: an Info.plist that names
// the application and its bundle identifier, and an icon of its own colour.
namespace installer {

// Writes <folder>/<name>.app, replacing the Info.plist and icon of a bundle that is already there.
bool installApplication(
    const QString& folder, const QString& name, const QString& bundleIdentifier, QString* error);

} // namespace installer
