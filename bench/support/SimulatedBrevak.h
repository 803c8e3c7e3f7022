#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTextStream>

// What the benchmarks share: BREVAK and the stand-ins next to the benchmark's own program, and a
// simulated Mac of the benchmark's own.
namespace bench {

// Standard output, where the figures go.
QTextStream& out();
// A program built next to the running one.
QString program(const QString& name);
bool simctl(const QStringList& arguments);
// Makes `root` the simulated Mac (BREVAK_SIMULATED_ROOT) of this process and its children, sets up a
// typical Mac there and gives BREVAK these settings (JSON); false, with the reason printed, on failure.
bool prepareSimulatedMac(const QString& root, const QByteArray& settings);
// The environment BREVAK runs with: no account server, the default check period, the web engine
// without its sandbox (as root).
QProcessEnvironment brevakEnvironment();

} // namespace bench
