// brevak-fake-providers: Google and Facebook on 127.0.0.1, for the tests and for trying BREVAK here
// without the real providers (scripts/run starts it). See FakeProviders.h for what it serves.
#include "FakeProviders.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brevak-fake-providers"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Fake Google and Facebook sign-in providers for BREVAK's tests and local runs.\n"
        "Google: /google/authorize, /google/token, /google/userinfo, /google/tokeninfo\n"
        "Facebook: /facebook/dialog, /facebook/me, /facebook/app\n"
        "The user each signs in: PUT /control/google-profile and /control/facebook-profile (JSON)."));
    parser.addHelpOption();
    const QCommandLineOption listen(QStringLiteral("listen"),
        QStringLiteral("Address to listen on (port 0: any free port)."), QStringLiteral("HOST:PORT"),
        QStringLiteral("127.0.0.1:0"));
    const QCommandLineOption googleClientId(QStringLiteral("google-client-id"),
        QStringLiteral("The Google OAuth client it serves."), QStringLiteral("ID"),
        QStringLiteral(BREVAK_GOOGLE_CLIENT_ID));
    const QCommandLineOption facebookAppId(QStringLiteral("facebook-app-id"),
        QStringLiteral("The Facebook application it serves."), QStringLiteral("ID"),
        QStringLiteral(BREVAK_FACEBOOK_APP_ID));
    parser.addOptions({listen, googleClientId, facebookAppId});
    parser.process(app);

    const QString address = parser.value(listen);
    const QString host = address.section(':', 0, -2);
    bool portIsNumber = false;
    const int port = address.section(':', -1).toInt(&portIsNumber);
    if (host.isEmpty() || !portIsNumber || port < 0 || port > 65535) {
        std::fprintf(
            stderr, "brevak-fake-providers: --listen takes HOST:PORT, not \"%s\"\n", qPrintable(address));
        return 2;
    }
    FakeProviders providers({parser.value(googleClientId), parser.value(facebookAppId)});
    const int bound = providers.bind(host, port);
    if (bound < 0) {
        std::fprintf(stderr, "brevak-fake-providers: cannot listen on %s\n", qPrintable(address));
        return 2;
    }
    std::printf("brevak-fake-providers listening on http://%s:%d\n", qPrintable(host), bound);
    std::fflush(stdout);
    providers.serve();
    return 0;
}
