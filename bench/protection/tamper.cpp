// How fast BREVAK puts DNS protection back after a change behind its back. It starts the real
// application (offscreen, no account server, the check period left at its minute) on a simulated Mac
// of its own, waits until protection holds, then changes the servers of a random service through
// brevak-simctl, at random gaps, and times each change until the service shows the resolver alone
// again. Prints p50, p99 and max.
//
// Usage: brevak-bench-protection [CHANGES]   (default 50; the programs are found next to this one)
#include "SimulatedBrevak.h"
#include "StateFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <optional>

using bench::out;

namespace {

const QString resolver = QStringLiteral("198.51.100.153");
const QStringList services {
    QStringLiteral("Ethernet"), QStringLiteral("Wi-Fi"), QStringLiteral("Thunderbolt Bridge")};
constexpr int timeLimitMs = 120000;

// Whether every listed service (or the named one) shows the resolver alone.
bool protectedNow(const simulated::StateFile& file, const std::optional<QString>& only = std::nullopt)
{
    const std::optional<simulated::MacState> state = file.read();
    if (!state) {
        return false;
    }
    for (const simulated::NetworkService& service : state->networkServices) {
        if (service.enabled && (!only || service.name == *only)
            && service.dnsServers != QStringList {resolver}) {
            return false;
        }
    }
    return true;
}

// Runs the event loop until `done` holds, checking at every change of the state folder; the elapsed
// time, or nothing after the time limit.
std::optional<qint64> waitUntil(
    const simulated::StateFile& file, const std::function<bool()>& done, const QElapsedTimer& clock)
{
    QFileSystemWatcher watcher {QStringList {file.folder()}};
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    if (!done()) {
        limit.start(timeLimitMs);
        loop.exec();
    }
    if (!done()) {
        return std::nullopt;
    }
    return clock.elapsed();
}

qint64 percentile(QList<qint64> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<qsizetype>(std::ceil(fraction * double(values.size())));
    return values.at(std::clamp<qsizetype>(rank - 1, 0, values.size() - 1));
}

QString randomAddress(QRandomGenerator& random)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(random.bounded(1, 224))
        .arg(random.bounded(256))
        .arg(random.bounded(256))
        .arg(random.bounded(1, 255));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50;
    QTemporaryDir root;
    if (!bench::prepareSimulatedMac(root.path(), R"({ "dnsLastStatus": true })")) {
        return 1;
    }

    QProcess brevak;
    QProcessEnvironment environment = bench::brevakEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    brevak.setProcessEnvironment(environment);
    brevak.setStandardOutputFile(root.filePath(QStringLiteral("brevak.log")));
    brevak.setStandardErrorFile(QProcess::nullDevice());
    brevak.start(bench::program(QStringLiteral("brevak")), {});
    const simulated::StateFile file;
    QElapsedTimer clock;
    clock.start();
    if (!brevak.waitForStarted()
        || !waitUntil(
            file, [&file] { return protectedNow(file); }, clock)) {
        out() << "BREVAK did not apply protection at launch\n";
        return 1;
    }

    QRandomGenerator random = QRandomGenerator::securelySeeded();
    QList<qint64> restores;
    int lost = 0;
    for (int i = 0; i < changes; ++i) {
        QEventLoop gap;
        QTimer::singleShot(random.bounded(200, 2001), &gap, &QEventLoop::quit);
        gap.exec();
        const QString service = services.at(random.bounded(int(services.size())));
        QStringList arguments {QStringLiteral("dns"), service, randomAddress(random)};
        if (random.bounded(2) == 1) {
            arguments << randomAddress(random);
        }
        if (!bench::simctl(arguments)) {
            out() << "brevak-simctl " << arguments.join(' ') << " failed\n";
            return 1;
        }
        clock.restart(); // the change is in the state file: simctl has ended
        const std::optional<qint64> restored = waitUntil(
            file, [&file, &service] { return protectedNow(file, service); }, clock);
        if (restored) {
            restores.append(*restored);
        } else {
            ++lost;
        }
    }
    brevak.terminate();
    brevak.waitForFinished(30000);

    out() << "DNS changes behind BREVAK's back: " << changes << ", check period 60 s\n";
    if (restores.isEmpty()) {
        out() << "none restored within " << timeLimitMs / 1000 << " s\n";
        return 1;
    }
    out() << "time to the resolver alone again: p50 " << percentile(restores, 0.5) << " ms, p99 "
          << percentile(restores, 0.99) << " ms, max " << percentile(restores, 1.0) << " ms\n";
    if (lost > 0) {
        out() << lost << " not restored within " << timeLimitMs / 1000 << " s\n";
    }
    return lost > 0 ? 1 : 0;
}
