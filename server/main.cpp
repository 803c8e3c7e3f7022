#include "ServerApp.h"
#include "ServerOptions.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brevak-server"));
    const ParsedOptions parsed
        = parseServerOptions(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment());
    if (!parsed.helpText.isEmpty()) {
        std::fputs(parsed.helpText.toUtf8().constData(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "brevak-server: %s\n", parsed.error.toUtf8().constData());
        return 2;
    }
    return runBrevakServer(*parsed.options);
}
