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
    m_limits.namesPerProgram = std::max(1, m_limits.namesPerProgram);
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

QString ApplicationListBuilder::bundleIdentifiersScript(const QStringList& entries)
{
    if (entries.size() == 1) {
        return bundleIdentifierScript(entries.first());
    }
    QStringList items;
    for (const QString& entry : entries) {
        items.append(bundleIdentifierScript(entry));
    }
    return '{' + items.join(QStringLiteral(", ")) + '}';
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
    while (m_programsOut < m_limits.programs && startProgram()) { }
}

bool ApplicationListBuilder::startProgram()
{
    QList<qsizetype> batch;
    if (!m_askAlone.isEmpty()) {
        batch.append(m_askAlone.takeFirst());
    } else {
        while (batch.size() < m_limits.namesPerProgram && m_nextProgram < m_entries.size()) {
            batch.append(m_nextProgram++);
        }
    }
    if (batch.isEmpty()) {
        return false;
    }
    QStringList titles;
    for (const qsizetype index : std::as_const(batch)) {
        titles.append(m_entries.at(index).title);
    }
    ++m_programsOut;
    // osascript is run directly, not through a shell, so a file name is never shell text.
    CommandRunner::shared().runProgram(platform::osascriptPath(),
        {QStringLiteral("-e"), bundleIdentifiersScript(titles)}, this,
        [this, batch](const QString& output) { identified(batch, output); });
    return true;
}

void ApplicationListBuilder::identified(const QList<qsizetype>& batch, const QString& output)
{
    --m_programsOut;
    const bool named = !output.contains(QLatin1String("execution error"));
    const QString text = output.endsWith('\n') ? output.chopped(1) : output;
    // osascript prints a list of texts as "a, b"; an identifier has no ", ".
    const QStringList identifiers = batch.size() == 1 ? QStringList {text} : text.split(QStringLiteral(", "));
    if ((!named && batch.size() > 1) || identifiers.size() != batch.size()) {
        // One bundle that cannot be named fails the whole list: each is asked again on its own.
        m_askAlone.append(batch);
    } else {
        for (qsizetype i = 0; i < batch.size(); ++i) {
            Entry& entry = m_entries[batch.at(i)];
            entry.named = named;
            entry.bundleIdentifier = identifiers.at(i);
            if (entry.named) {
                lookUp(batch.at(i));
            } else {
                Q_EMIT progressChanged(++m_done, int(m_entries.size()));
            }
        }
    }
    while (m_programsOut < m_limits.programs && startProgram()) { }
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
