// Another BREVAK process for the workspace tests: it prints "ready" once its workspace runs, then
// every activation it hears, and "quitting in order" when it is asked to quit.
#include "windowing.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void printLine(const QString& line)
{
    std::fputs(qPrintable(line + '\n'), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    platform::quitOnTerminationSignals();
    const std::unique_ptr<platform::Workspace> workspace = platform::createWorkspace();
    QObject::connect(workspace.get(), &platform::Workspace::applicationActivated,
        [](const QString& name) { printLine("activated " + name); });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, [] { printLine("quitting in order"); });
    printLine("ready");
    return application.exec();
}
