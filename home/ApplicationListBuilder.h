#pragma once

#include "ApplicationDetail.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QThreadPool>

#include <functional>

namespace platform {
class Workspace;
}

// Builds the list of applications found in the Applications folder, without holding up the window:
// `ls` lists the folder, osascript names the bundles' identifiers (a list of names per program), and
// the workspace gives each its location and icon. Programs and look-ups run in parallel within
// limits; the list comes out in the folder's order, as the one-at-a-time build gives it.
class ApplicationListBuilder : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int programs = 8; // osascript processes at once
        int lookUpThreads = 4; // threads for the workspace's look-ups; 0: on the calling thread
        int namesPerProgram = 25; // bundles one osascript names
    };
    // One program at a time, for one name, and the look-ups on the calling thread, as the original
    // build did.
    static constexpr Limits oneAtATime {1, 0, 1};

    // `workspace` must outlive the builder and be safe to ask from several threads (the platform's
    // workspaces are).
    ApplicationListBuilder(platform::Workspace& workspace, Limits limits, QObject* parent = nullptr);
    ~ApplicationListBuilder() override;

    void start();
    bool isFinished() const { return m_finished; }
    const QList<ApplicationDetail>& result() const { return m_result; }

    // Bundle names found by ls, the application itself left out.
    const QStringList& titles() const { return m_titles; }
    // One bundle identifier per title that osascript could name.
    const QStringList& bundles() const { return m_bundles; }
    // One location per remaining title.
    const QStringList& urlss() const { return m_urlss; }

    // What osascript is asked for an entry of the folder: its bundle identifier. The name is an
    // AppleScript string, so no name can add commands.
    static QString bundleIdentifierScript(const QString& entry);
    // The same for several entries at once: a list of their identifiers.
    static QString bundleIdentifiersScript(const QStringList& entries);

Q_SIGNALS:
    // `done` of `total` applications looked up.
    void progressChanged(int done, int total);
    void finished(const QList<ApplicationDetail>& list);

private:
    struct Entry
    {
        QString title;
        QString bundleIdentifier;
        QString location;
        QIcon icon;
        bool named = false; // osascript gave an identifier
    };
    void listed(const QString& output);
    bool startProgram();
    void identified(const QList<qsizetype>& batch, const QString& output);
    void lookUp(qsizetype index);
    void lookedUp(qsizetype index, const QString& location, const QIcon& icon);
    void finishIfDone();

    platform::Workspace& m_workspace;
    Limits m_limits;
    QThreadPool m_pool;
    QList<Entry> m_entries;
    qsizetype m_nextProgram = 0;
    QList<qsizetype> m_askAlone; // entries of a list that failed, asked again one by one
    int m_programsOut = 0;
    int m_done = 0;
    bool m_finished = false;
    QStringList m_titles;
    QStringList m_bundles;
    QStringList m_urlss;
    QList<ApplicationDetail> m_result;
};

// Starts building the list for the sidebar. The builder belongs to `parent`; it reports its progress
// and the finished list through its signals, on the calling thread.
ApplicationListBuilder* buildApplicationList(
    platform::Workspace& workspace, QObject* parent, ApplicationListBuilder::Limits limits = {});
