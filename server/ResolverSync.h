#pragma once

#include "ResolverConfig.h"

#include <QString>

#include <optional>

class Clock;
class Database;

// The running Unbound, as the sync step drives it.
class UnboundControl
{
public:
    struct Outcome
    {
        bool ok = false;
        QString output; // what the program said, for the log
    };

    virtual ~UnboundControl() = default;
    // The whole configuration, with the files just written, as Unbound would read it at a reload.
    virtual Outcome checkConfiguration() = 0;
    // Reads the configuration again (keeping the cache where it can).
    virtual Outcome reload() = 0;
    // Changes one view while Unbound runs; the view must exist.
    virtual Outcome blockInView(const QString& view, const QString& name) = 0;
    virtual Outcome unblockInView(const QString& view, const QString& name) = 0;
};

// unbound-checkconf and unbound-control, found on PATH, on one Unbound configuration file.
class UnboundPrograms : public UnboundControl
{
public:
    explicit UnboundPrograms(QString configFile)
        : m_configFile(std::move(configFile))
    { }
    Outcome checkConfiguration() override;
    Outcome reload() override;
    Outcome blockInView(const QString& view, const QString& name) override;
    Outcome unblockInView(const QString& view, const QString& name) override;

private:
    Outcome control(const QStringList& arguments);

    QString m_configFile;
};

// Keeps the resolver's files (the category zone and the views) and the running Unbound in step with the
// category lists and the database. A change to the websites of an existing view is applied with
// unbound-control at once, without a reload; a linked address that appears or is forgotten needs a new
// view, so the views file is written, checked with unbound-checkconf and reloaded. A file that does not
// pass the check is put back as it was and nothing is reloaded: Unbound keeps its last good
// configuration.
class ResolverSync
{
public:
    struct Settings
    {
        QString directory; // the files Unbound includes: views.conf and category.rpz
        QString listsDirectory; // the category lists, *.txt
    };

    ResolverSync(Database& db, const Clock& clock, UnboundControl& unbound, Settings settings);

    static QString viewsFileName() { return QStringLiteral("views.conf"); }
    static QString categoryFileName() { return QStringLiteral("category.rpz"); }

    // Writes the category zone from the lists. False (the reason logged) when the lists cannot be read
    // or hold no name, or the file cannot be written: the resolver must not run without its category.
    bool writeCategory();
    // Writes the views as the database has them, without telling Unbound.
    bool writeViews();
    // Applies what changed since the last look. Without `thorough`, only when the database says something
    // changed; with it, whatever Unbound may be missing (links that ran out of time, a failed reload).
    void poll(bool thorough);

private:
    resolver::Views loadViews();
    bool writeChecked(const QString& text);
    bool applyByCommands(const resolver::Views& from, const resolver::Views& to, int& commands);

    Database& m_db;
    const Clock& m_clock;
    UnboundControl& m_unbound;
    Settings m_settings;
    std::optional<qint64> m_generation; // the database's, at the last look
    std::optional<resolver::Views> m_applied; // what the running Unbound enforces, when known
    QSet<QString> m_reported; // skipped entries already logged
    QString m_databaseProblem; // the last failure to read the database, already logged
};
