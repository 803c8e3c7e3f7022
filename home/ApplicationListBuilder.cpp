#include "ApplicationListBuilder.h"

#include "CommandRunner.h"
#include "Diagnostics.h"
#include "windowing.h"

#include <QDir>

namespace {

const QString ownBundle = QStringLiteral("BREVAK.app");

} // namespace

ApplicationListBuilder::ApplicationListBuilder(platform::Workspace& workspace, Limits limits, QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_limits(limits)
{
    m_limits.programs = std::max(1, m_limits.programs);
    if (m_limits.lookUpThreads > 0) {
        m_pool.setMaxThreadCount(m_limits.lookUpThreads);
    }
}

ApplicationListBuilder::~ApplicationListBuilder()
{
    // Look-ups still running use the workspace; they end before it may go.
    m_pool.waitForDone();
}

QString ApplicationListBuilder::bundleIdentifierScript(const QString& entry)
{
    return QStringLiteral("id of application %1").arg(appleScriptQuoted(entry));
}

void ApplicationListBuilder::start()
{
    CommandRunner::shared().runShellCommand(
        QStringLiteral("ls ") + shellQuoted(platform::applicationsFolder()), this,
        [this](const QString& output) { listed(output); });
}

void ApplicationListBuilder::listed(const QString& output)
{
    for (const QString& line : output.split('\n')) {
        if (line.contains(QLatin1String(".app")) && line != ownBundle) {
            m_titles.append(line);
            m_entries.append({line, {}, {}, {}, false});
        }
    }
    Q_EMIT progressChanged(0, int(m_entries.size()));
    if (m_entries.isEmpty()) {
        finishIfDone();
        return;
    }
    for (int i = 0; i < m_limits.programs; ++i) {
        startPrograms();
    }
}

void ApplicationListBuilder::startPrograms()
{
    if (m_nextProgram >= m_entries.size()) {
        return;
    }
    const qsizetype index = m_nextProgram++;
    ++m_programsOut;
    // osascript is run directly, not through a shell, so a file name is never shell text.
    CommandRunner::shared().runProgram(platform::osascriptPath(),
        {QStringLiteral("-e"), bundleIdentifierScript(m_entries.at(index).title)}, this,
        [this, index](const QString& output) { identified(index, output); });
}

void ApplicationListBuilder::identified(qsizetype index, const QString& output)
{
    --m_programsOut;
    Entry& entry = m_entries[index];
    entry.named = !output.contains(QLatin1String("execution error"));
    entry.bundleIdentifier = output.endsWith('\n') ? output.chopped(1) : output;
    if (entry.named) {
        lookUp(index);
    } else {
        Q_EMIT progressChanged(++m_done, int(m_entries.size()));
    }
    startPrograms();
    finishIfDone();
}

void ApplicationListBuilder::lookUp(qsizetype index)
{
    const QString identifier = m_entries.at(index).bundleIdentifier;
    // Without a location the listed bundle itself gives the icon.
    const QString listedPath = QDir(platform::applicationsFolder()).filePath(m_entries.at(index).title);
    platform::Workspace* workspace = &m_workspace;
    const auto find = [workspace, identifier, listedPath]() -> std::pair<QString, QIcon> {
        const QString location = workspace->applicationLocation(identifier);
        return {location, workspace->iconForFile(location.isEmpty() ? listedPath : location)};
    };
    if (m_limits.lookUpThreads <= 0) {
        const auto [location, icon] = find();
        lookedUp(index, location, icon);
        return;
    }
    m_pool.start([this, index, find] {
        const auto [location, icon] = find();
        QMetaObject::invokeMethod(
            this, [this, index, location, icon] { lookedUp(index, location, icon); }, Qt::QueuedConnection);
    });
}

void ApplicationListBuilder::lookedUp(qsizetype index, const QString& location, const QIcon& icon)
{
    Entry& entry = m_entries[index];
    entry.location = location;
    entry.icon = icon;
    Q_EMIT progressChanged(++m_done, int(m_entries.size()));
    finishIfDone();
}

void ApplicationListBuilder::finishIfDone()
{
    if (m_finished || m_done < m_entries.size()) {
        return;
    }
    m_finished = true;
    for (const Entry& entry : std::as_const(m_entries)) {
        if (!entry.named) {
            continue;
        }
        m_bundles.append(entry.bundleIdentifier);
        m_urlss.append(entry.location);
        m_result.append({entry.icon, QString(entry.title).remove(QLatin1String(".app")), false});
    }
    diagnostics::printLine(QStringLiteral("Whole Data - ") + describe(m_result));
    Q_EMIT finished(m_result);
}

ApplicationListBuilder* buildApplicationList(
    platform::Workspace& workspace, QObject* parent, ApplicationListBuilder::Limits limits)
{
    auto* builder = new ApplicationListBuilder(workspace, limits, parent);
    builder->start();
    return builder;
}
