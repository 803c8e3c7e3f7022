#pragma once

#include "SettingsStore.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A simulated Mac of the test's own in a temporary folder. While it lives BREVAK_SIMULATED_ROOT
// names it, so the test process, the stand-ins and brevak-simctl all work on it, and its settings
// store (home/Library/Preferences) is the registered one; the previous root and store come back
// afterwards.
class TemporarySimulatedMac
{
public:
    struct Result
    {
        int exitCode = -1;
        QString output; // standard output
        QString errors; // standard error

        bool succeeded() const { return exitCode == 0; }
    };

    TemporarySimulatedMac();
    TemporarySimulatedMac(const TemporarySimulatedMac&) = delete;
    TemporarySimulatedMac& operator=(const TemporarySimulatedMac&) = delete;

    QString root() const { return m_folder.path(); }
    QString stateFile() const { return root() + QStringLiteral("/Simulator/state.json"); }
    SettingsStore& settings() { return m_settings; }

    // Runs one of the programs built next to the test (a stand-in or brevak-simctl) and waits for it.
    Result run(const QString& program, const QStringList& arguments) const;
    Result simctl(const QStringList& arguments) const
    {
        return run(QStringLiteral("brevak-simctl"), arguments);
    }
    // Runs brevak-simctl and tells whether it succeeded, printing its errors when not.
    bool setUp(const QStringList& arguments) const;
    // What `networksetup -getdnsservers SERVICE` prints.
    QString dnsServers(const QString& service) const;

    static QString programPath(const QString& program);

private:
    // BREVAK_SIMULATED_ROOT naming a folder while it lives.
    class RootVariable
    {
    public:
        explicit RootVariable(const QString& root);
        ~RootVariable();

    private:
        QByteArray m_previous;
        bool m_wasSet;
    };

    QTemporaryDir m_folder;
    RootVariable m_rootVariable {m_folder.path()};
    SettingsStore m_settings;
    SettingsStore::Registration m_settingsRegistration {m_settings};
};
