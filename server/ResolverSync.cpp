#include "ResolverSync.h"

#include "Clock.h"
#include "Database.h"
#include "Diagnostics.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>

#include <algorithm>
#include <utility>

namespace {

void say(const QString& line)
{
    diagnostics::printLine(QStringLiteral("resolver: ") + line);
}

UnboundControl::Outcome runProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return {false, program + QStringLiteral(" cannot start: ") + process.errorString()};
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {false, program + QStringLiteral(" did not finish within 30 s")};
    }
    const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, output};
}

// Unbound reads these files as another user: they are readable by everyone (they hold no secret).
bool writeFile(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        say(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return true;
}

std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool commandWorked(const UnboundControl::Outcome& outcome)
{
    if (!outcome.ok)
        say(QStringLiteral("unbound-control refused a change (%1); reloading instead").arg(outcome.output));
    return outcome.ok;
}

} // namespace

UnboundControl::Outcome UnboundPrograms::checkConfiguration()
{
    return runProgram(QStringLiteral("unbound-checkconf"), {m_configFile});
}

UnboundControl::Outcome UnboundPrograms::reload()
{
    return control({QStringLiteral("reload_keep_cache")});
}

UnboundControl::Outcome UnboundPrograms::blockInView(const QString& view, const QString& name)
{
    return control({QStringLiteral("view_local_zone"), view, name + u'.', QStringLiteral("always_nxdomain")});
}

UnboundControl::Outcome UnboundPrograms::unblockInView(const QString& view, const QString& name)
{
    return control({QStringLiteral("view_local_zone_remove"), view, name + u'.'});
}

UnboundControl::Outcome UnboundPrograms::control(const QStringList& arguments)
{
    Outcome outcome = runProgram(
        QStringLiteral("unbound-control"), QStringList {QStringLiteral("-c"), m_configFile} + arguments);
    // unbound-control exits with 0 after some refusals ("no view with name: ..."); "ok" is success.
    outcome.ok = outcome.ok && outcome.output == u"ok";
    return outcome;
}

ResolverSync::ResolverSync(Database& db, const Clock& clock, UnboundControl& unbound, Settings settings)
    : m_db(db)
    , m_clock(clock)
    , m_unbound(unbound)
    , m_settings(std::move(settings))
{ }

bool ResolverSync::writeCategory()
{
    const QFileInfoList lists
        = QDir(m_settings.listsDirectory).entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    QSet<QString> names;
    QStringList skipped;
    qint64 newest = 0;
    for (const QFileInfo& list : lists) {
        const std::optional<QByteArray> text = readFile(list.filePath());
        if (!text) {
            say(QStringLiteral("cannot read the category list ") + list.filePath());
            return false;
        }
        names.unite(resolver::readCategoryList(QString::fromUtf8(*text), list.fileName(), skipped));
        newest = std::max(newest, list.lastModified().toSecsSinceEpoch());
    }
    for (const QString& line : std::as_const(skipped))
        say(line);
    if (names.isEmpty()) {
        say(QStringLiteral("no category list with a name in %1 (*.txt)").arg(m_settings.listsDirectory));
        return false;
    }
    say(QStringLiteral("category zone: %1 name(s) from %2 list(s)").arg(names.size()).arg(lists.size()));
    const QString path = QDir(m_settings.directory).filePath(categoryFileName());
    const QByteArray zone = resolver::categoryZone(names, static_cast<quint32>(newest)).toUtf8();
    return readFile(path) == zone || writeFile(path, zone);
}

bool ResolverSync::writeViews()
{
    return writeFile(
        QDir(m_settings.directory).filePath(viewsFileName()), resolver::viewsConfig(loadViews()).toUtf8());
}

void ResolverSync::poll(bool thorough)
{
    try {
        const qint64 generation = ResolverGeneration(m_db).current();
        if (!thorough && m_generation == generation)
            return;
        // Read before the views: a change made while they are read moves it on again.
        const resolver::Views wanted = loadViews();
        m_generation = generation;
        m_databaseProblem.clear();
        if (m_applied == wanted)
            return;
        if (!writeChecked(resolver::viewsConfig(wanted)))
            return;
        int commands = 0;
        if (m_applied && applyByCommands(*m_applied, wanted, commands)) {
            m_applied = wanted;
            say(QStringLiteral("%1 change(s) applied with unbound-control").arg(commands));
            return;
        }
        const UnboundControl::Outcome reloaded = m_unbound.reload();
        if (!reloaded.ok) {
            m_applied.reset();
            say(QStringLiteral("Unbound did not reload (%1); trying again later").arg(reloaded.output));
            return;
        }
        m_applied = wanted;
        say(QStringLiteral("Unbound reloaded with %1 linked network(s)").arg(wanted.size()));
    } catch (const StorageError& error) {
        // Told once, not at every look, until it reads again.
        const QString problem = QString::fromStdString(error.what());
        if (problem != std::exchange(m_databaseProblem, problem))
            say(QStringLiteral("the database cannot be read: ") + problem);
    }
}

resolver::Views ResolverSync::loadViews()
{
    const resolver::ViewsBuild build
        = resolver::buildViews(LinkedAddressStore(m_db).blocksSince(m_clock.now() - linkedAddressLifetime));
    for (const QString& line : build.skipped) {
        if (!m_reported.contains(line)) {
            m_reported.insert(line);
            say(line);
        }
    }
    return build.views;
}

bool ResolverSync::writeChecked(const QString& text)
{
    const QString path = QDir(m_settings.directory).filePath(viewsFileName());
    const std::optional<QByteArray> previous = readFile(path);
    const QByteArray content = text.toUtf8();
    if (previous == content)
        return true;
    if (!writeFile(path, content))
        return false;
    const UnboundControl::Outcome check = m_unbound.checkConfiguration();
    if (check.ok)
        return true;
    // Put back before telling: whoever reads the line finds the old views already in place.
    if (previous)
        writeFile(path, *previous);
    else
        QFile::remove(path);
    say(QStringLiteral("unbound-checkconf refused the new views, so they are put back and Unbound keeps its "
                       "last good configuration: ")
        + check.output);
    return false;
}

bool ResolverSync::applyByCommands(const resolver::Views& from, const resolver::Views& to, int& commands)
{
    if (from.keys() != to.keys())
        return false; // a view to add or drop: only a reload does that
    for (auto view = to.cbegin(); view != to.cend(); ++view) {
        const QSet<QString>& before = from.value(view.key());
        for (const QString& name : view.value() - before) {
            if (!commandWorked(m_unbound.blockInView(view.key(), name)))
                return false;
            ++commands;
        }
        for (const QString& name : before - view.value()) {
            if (!commandWorked(m_unbound.unblockInView(view.key(), name)))
                return false;
            ++commands;
        }
    }
    return true;
}
