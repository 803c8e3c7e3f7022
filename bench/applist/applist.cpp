// The application list of a simulated Mac with many applications, built one program at a time and
// then in parallel. Prints each build's best time and the ratio.
#include "ApplicationListBuilder.h"
#include "ApplicationServices.h"
#include "windowing.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool simctl(const QStringList& arguments)
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + "/brevak-simctl", arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0;
}

// Milliseconds to build the list, and its length.
std::pair<qint64, qsizetype> measure(platform::Workspace& workspace, ApplicationListBuilder::Limits limits)
{
    ApplicationListBuilder builder(workspace, limits);
    QEventLoop loop;
    QObject::connect(&builder, &ApplicationListBuilder::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    builder.start();
    loop.exec();
    return {timer.elapsed(), builder.result().size()};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir root;
    qputenv("BREVAK_SIMULATED_ROOT", root.path().toUtf8());
    if (!simctl({"init"})) {
        std::fprintf(stderr, "brevak-simctl init failed\n");
        return 1;
    }
    for (int i = 0; i < count - 3; ++i) {
        if (!simctl({"app", "add", QStringLiteral("Game %1").arg(i, 3, 10, QChar('0')),
                QStringLiteral("org.example.game%1").arg(i)})) {
            std::fprintf(stderr, "brevak-simctl app add failed\n");
            return 1;
        }
    }
    ApplicationServices services;
    auto workspace = platform::createWorkspace();
    const ApplicationListBuilder::Limits parallel;
    qint64 bestSequential = -1;
    qint64 bestParallel = -1;
    qsizetype listed = 0;
    for (int run = 0; run < runs; ++run) {
        const auto [sequential, sequentialCount] = measure(*workspace, ApplicationListBuilder::oneAtATime);
        const auto [inParallel, parallelCount] = measure(*workspace, parallel);
        if (sequentialCount != parallelCount) {
            std::fprintf(stderr, "the two builds differ: %lld against %lld applications\n",
                qlonglong(sequentialCount), qlonglong(parallelCount));
            return 1;
        }
        listed = parallelCount;
        bestSequential = bestSequential < 0 ? sequential : std::min(bestSequential, sequential);
        bestParallel = bestParallel < 0 ? inParallel : std::min(bestParallel, inParallel);
    }
    std::printf("applications listed: %lld (best of %d runs)\n", qlonglong(listed), runs);
    std::printf("one at a time: %lld ms\n", qlonglong(bestSequential));
    std::printf("parallel (%d programs of %d names, %d look-up threads): %lld ms\n", parallel.programs,
        parallel.namesPerProgram, parallel.lookUpThreads, qlonglong(bestParallel));
    std::printf("ratio: %.1fx\n", double(bestSequential) / double(std::max<qint64>(1, bestParallel)));
    return 0;
}
