#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// Everything brevak-server can be told, by command-line flag or by the flag's environment twin. A flag
// wins over its twin; without either the built-in default applies, which is enough to run locally.
struct ServerOptions
{
    QString listenHost = QStringLiteral("127.0.0.1");
    int listenPort = 8080; // 0 picks a free port
    QString dataDir;
    QString databaseUrl; // empty: SQLite in the data folder
    QString keyFile; // empty: server.key in the data folder
    QString defaultToken;
    QString mailOutbox; // empty: outbox/ in the data folder
    QString smtpUrl; // empty: mails go to the outbox
    QString mailFrom = QStringLiteral("BREVAK <no-reply@brevak.app>");
    QString publicUrl; // empty: http:// followed by the listening address
    int pinBlockMinutes = 15;
    bool trustSocialTokens = false;
    QString googleClientId;
    QString googleTokenInfoUrl = QStringLiteral("https://oauth2.googleapis.com/tokeninfo");
    QString facebookAppId;
    QString facebookGraphUrl = QStringLiteral("https://graph.facebook.com/me");
    QString facebookAppUrl = QStringLiteral("https://graph.facebook.com/app");
    int threads = 128;
    int hashThreads = 1;
    int requestDeadlineSeconds = 10;
    int connectionsPerAddress = 16;
    QString trustedProxy; // empty: none
    int signInsPerMinute = 20;
    int resetMailsPerHour = 10;
    int sessionDays = 90;
    double dueMailIntervalSeconds = 60;
    QString chatHours; // "HH:MM-HH:MM" when counsellors are usually there; empty: around the clock
    QString chatTimeZone = QStringLiteral("UTC"); // the time zone of chatHours

    // The filtering resolver's feed (resolver-config, resolver-sync).
    QString resolverDir; // empty: resolver/ in the data folder
    QString resolverLists;
    QString unboundConfig = QStringLiteral("/etc/unbound/unbound.conf");
    double resolverPollSeconds = 0.5;

    // Development only: never set on a deployed server.
    QString devClockFile;
    bool devFastHashing = false;

    // The command, when one is given: "admin" followed by its name, or "resolver-config" or
    // "resolver-sync".
    QStringList command;
    QString email;
    QString name;
};

struct ParsedOptions
{
    std::optional<ServerOptions> options; // absent after an error or --help
    QString error; // why parsing failed, for the user
    QString helpText; // filled when --help was asked for
};

ParsedOptions parseServerOptions(const QStringList& arguments, const QProcessEnvironment& environment);

// resolver-config or resolver-sync.
bool isResolverCommand(const QStringList& command);

// Where the data folder is when none is given: $XDG_DATA_HOME/brevak-server, else
// ~/.local/share/brevak-server.
QString defaultDataDir(const QProcessEnvironment& environment);
