#pragma once

// The window side of the seam to the operating system: the workspace (which application comes to the
// front, running applications, application icons), the activation policy and the title bar. It needs
// Qt Gui and Qt Widgets; the seam without windows is platform.h.

#include "platform.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

namespace platform {

struct RunningApplication
{
    qint64 processId = 0;
    QString bundleIdentifier;
    QString localizedName;
    // When the process started, comparable among the entries of one list (0 when unknown).
    qint64 launchTime = 0;
};

// The workspace: which application comes to the front, which applications run, where an
// application lives and what its icon looks like.
class Workspace : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Running applications with the given bundle identifier, in no promised order.
    virtual QList<RunningApplication> runningApplications(const QString& bundleIdentifier) const = 0;
    // Asks a running application to quit; false when it could not be asked.
    virtual bool terminate(const RunningApplication& application) = 0;
    // Location of the application with this bundle identifier, or the empty text.
    virtual QString applicationLocation(const QString& bundleIdentifier) const = 0;
    virtual QIcon iconForFile(const QString& path) const = 0;

Q_SIGNALS:
    // An application came to the front.
    void applicationActivated(const QString& localizedName);
};

std::unique_ptr<Workspace> createWorkspace(QObject* parent = nullptr);

// Turns the process into a menu-bar-only application (no Dock icon, no menu bar of its own).
void setAccessoryActivationPolicy();
// Gives the process its Dock icon, its place in the application switcher and its menu bar back, and
// brings it to the front; for a window shown again after the accessory policy.
void setRegularActivationPolicy();

// A hidden title over a transparent title bar lets the window's content reach its top edge; the
// opaque style gives the title bar back.
void setTitleBarTransparent(QWidget* window, bool transparent);

// Opens `url` in the user's web browser and returns at once; false when no browser could be started.
// On the simulated Mac the browser is the stand-in `open` (brevak-simctl browser sets what it does).
bool openUrlInBrowser(const QUrl& url);

} // namespace platform
