#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A simulated Mac of the test's own in a temporary folder. While it lives BREVAK_SIMULATED_ROOT
// names it, so the test process, the stand-ins and brevak-simctl all work on it; the previous value
// comes back afterwards.
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
    ~TemporarySimulatedMac();
    TemporarySimulatedMac(const TemporarySimulatedMac&) = delete;
    TemporarySimulatedMac& operator=(const TemporarySimulatedMac&) = delete;

    QString root() const { return m_folder.path(); }
    QString stateFile() const { return root() + QStringLiteral("/Simulator/state.json"); }

    // Runs one of the programs built next to the test (a stand-in or brevak-simctl) and waits for it.
    Result run(const QString& program, const QStringList& arguments) const;
    Result simctl(const QStringList& arguments) const
    {
        return run(QStringLiteral("brevak-simctl"), arguments);
    }
    // Runs brevak-simctl and tells whether it succeeded, printing its errors when not.
    bool setUp(const QStringList& arguments) const;

    static QString programPath(const QString& program);

private:
    QTemporaryDir m_folder;
    QByteArray m_previousRoot;
    bool m_hadPreviousRoot;
};
