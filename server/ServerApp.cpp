#include "ServerApp.h"

#include "AccountEndpoints.h"
#include "AdminCommands.h"
#include "Authenticator.h"
#include "ChangeWaiter.h"
#include "ChatEndpoints.h"
#include "Clock.h"
#include "ConsoleEndpoints.h"
#include "CounsellorAuthenticator.h"
#include "CurlJsonSource.h"
#include "Database.h"
#include "DeviceRecorder.h"
#include "Diagnostics.h"
#include "DueMailSender.h"
#include "HttpServer.h"
#include "Mail.h"
#include "Migrations.h"
#include "PasswordHasher.h"
#include "PinCipher.h"
#include "PinEndpoints.h"
#include "PinStore.h"
#include "ResetPage.h"
#include "ResolverSync.h"
#include "Router.h"
#include "ServerBuild.h"
#include "ServerOptions.h"
#include "SettingStore.h"
#include "SocialVerifier.h"
#include "Tokens.h"
#include "WebsiteEndpoints.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QUrl>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

void say(const QString& line)
{
    diagnostics::printLine(line);
}

// What the server and the admin commands both stand on: the data folder, the clock, the PIN key, the
// database at the newest schema, and the way mails leave.
struct Foundation
{
    std::unique_ptr<Clock> clock;
    std::optional<PinCipher> cipher;
    std::unique_ptr<Database> db;
    std::unique_ptr<MailTransport> mail;
};

bool makePrivateFolder(const QString& path, QString& error)
{
    if (QDir(path).exists())
        return true;
    if (!QDir().mkpath(path)) {
        error = QStringLiteral("cannot create the data folder ") + path;
        return false;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

std::unique_ptr<Clock> makeClock(const ServerOptions& options)
{
    if (options.devClockFile.isEmpty())
        return std::make_unique<SystemClock>();
    return std::make_unique<FileClock>(options.devClockFile);
}

std::optional<Foundation> layFoundation(const ServerOptions& options, QString& error)
{
    if (!tokens::initialise()) {
        error = QStringLiteral("libsodium cannot start");
        return std::nullopt;
    }
    if (!makePrivateFolder(options.dataDir, error))
        return std::nullopt;
    Foundation foundation;
    foundation.clock = makeClock(options);
    const std::optional<DatabaseTarget> target
        = parseDatabaseUrl(options.databaseUrl, options.dataDir, error);
    if (!target)
        return std::nullopt;
    foundation.db = std::make_unique<Database>(*target);
    try {
        migrateDatabase(*foundation.db, *foundation.clock);
        SettingStore settings(*foundation.db);
        PinStore pins(*foundation.db);
        foundation.cipher = openPinKey(options.keyFile, settings, pins, error);
        if (!foundation.cipher)
            return std::nullopt;
        // A database that cannot be written would answer every change with a failure: better not start.
        settings.set(QStringLiteral("last_start"), QString::number(foundation.clock->now()));
    } catch (const StorageError& failure) {
        error = QString::fromStdString(failure.what());
        return std::nullopt;
    }
    if (options.smtpUrl.isEmpty())
        foundation.mail
            = std::make_unique<OutboxTransport>(options.mailOutbox, options.mailFrom, *foundation.clock);
    else
        foundation.mail
            = std::make_unique<SmtpTransport>(options.smtpUrl, options.mailFrom, *foundation.clock);
    return foundation;
}

// The first line of standard input, typed without echo when it comes from a terminal.
QString readSecretLine(const QString& prompt)
{
    termios saved {};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        std::fputs(prompt.toUtf8().constData(), stderr);
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &silent);
    }
    QTextStream input(stdin);
    const QString line = input.readLine();
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    return line;
}

int runAdmin(const ServerOptions& options, Foundation& foundation)
{
    const QString command = options.command.at(1);
    try {
        if (command == u"list-users")
            return admin::listUsers(*foundation.db, *foundation.clock);
        if (command == u"reveal-pin")
            return admin::revealPin(*foundation.db, *foundation.cipher, options.email);
        if (command == u"unblock-pin")
            return admin::unblockPin(*foundation.db, *foundation.clock, options.email);
        if (command == u"add-counsellor") {
            return admin::addCounsellor(*foundation.db, *foundation.clock,
                options.devFastHashing ? HashStrength::fastest() : HashStrength::interactive(), options.name,
                options.email, readSecretLine(QStringLiteral("Password for %1: ").arg(options.email)));
        }
        if (command == u"remove-counsellor")
            return admin::removeCounsellor(*foundation.db, *foundation.clock, options.email);
        if (command == u"list-counsellors")
            return admin::listCounsellors(*foundation.db);
        return admin::sendDueMail(*foundation.db, *foundation.clock, *foundation.cipher, *foundation.mail);
    } catch (const StorageError& failure) {
        say(QStringLiteral("admin ") + command + QStringLiteral(" failed: ")
            + QString::fromStdString(failure.what()));
        return 1;
    }
}

// Waits for SIGTERM or SIGINT on a thread of its own (the signals are blocked everywhere else) and then
// stops the HTTP server, which lets the requests under way finish.
class ShutdownSignals
{
public:
    ShutdownSignals()
    {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGTERM);
        sigaddset(&m_signals, SIGINT);
        pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
    }

    void onSignal(std::function<void(int)> action)
    {
        m_thread = std::thread([this, action = std::move(action)] {
            int received = 0;
            sigwait(&m_signals, &received);
            m_fired = true;
            if (!m_done)
                action(received);
        });
    }

    ~ShutdownSignals()
    {
        if (m_thread.joinable()) {
            m_done = true;
            if (!m_fired)
                pthread_kill(m_thread.native_handle(), SIGTERM);
            m_thread.join();
        }
    }

private:
    sigset_t m_signals;
    std::atomic<bool> m_done = false;
    std::atomic<bool> m_fired = false;
    std::thread m_thread;
};

// Every sign-in waiting for its hash holds a request thread. Few may wait, so that a burst of sign-ins
// takes a small share of the threads and the other requests keep being answered; the rest are told
// to try again later.
int signInsAllowedToWait(const ServerOptions& options)
{
    return std::max(1, std::min(options.threads / 4, 16 * options.hashThreads));
}

int runServer(const ServerOptions& options, Foundation& foundation, ShutdownSignals& shutdownSignals)
{
    Database& db = *foundation.db;
    const Clock& clock = *foundation.clock;
    const HashStrength strength
        = options.devFastHashing ? HashStrength::fastest() : HashStrength::interactive();
    PasswordHasher hasher(strength, options.hashThreads, signInsAllowedToWait(options));
    const qint64 sessionLifetime = static_cast<qint64>(options.sessionDays) * 86400;
    DeviceRecorder devices(db);
    const CurlJsonSource providers;
    const SocialVerifier social({options.googleTokenInfoUrl, options.facebookGraphUrl, options.googleClientId,
                                    options.facebookAppUrl, options.facebookAppId},
        providers, options.trustSocialTokens);
    Authenticator authenticator(db, clock, options.defaultToken, sessionLifetime);
    PinLock pinLock(db, clock);
    DueMailSender dueMail(db, clock, *foundation.cipher, *foundation.mail);
    CounsellorAuthenticator counsellors(db, clock, hasher, {12 * 3600, options.signInsPerMinute});
    // Half the request threads at most wait for chat messages; the rest keep answering everything else.
    ChangeWaiter chatWaiter(std::max(1, options.threads / 2));

    std::unique_ptr<AccountEndpoints> accounts;
    std::unique_ptr<PinEndpoints> pins;
    std::unique_ptr<WebsiteEndpoints> websites;
    std::unique_ptr<ResetPage> resetPage;
    std::unique_ptr<ChatEndpoints> chat;
    std::unique_ptr<ConsoleEndpoints> console;
    // After the endpoints: the mails it still composes on the way out call them.
    BackgroundMailer requestMail(*foundation.mail);
    std::unique_ptr<Router> router;
    // Declared last so that it stops (and its threads end) before anything it calls goes away.
    HttpServer http({options.listenHost, options.listenPort, options.threads, Router::maxBodyBytes,
                        options.requestDeadlineSeconds, options.connectionsPerAddress, options.trustedProxy},
        [&router](const ApiRequest& request) { return router->handle(request); });
    QString error;
    const int port = http.bind(error);
    if (port < 0) {
        say(QStringLiteral("brevak-server cannot start: ") + error);
        return 2;
    }
    const QString hostInUrl
        = options.listenHost.contains(u':') ? u'[' + options.listenHost + u']' : options.listenHost;
    const QString listening = QStringLiteral("http://%1:%2").arg(hostInUrl).arg(port);
    QString publicUrl = options.publicUrl.isEmpty() ? listening : options.publicUrl;
    while (publicUrl.endsWith(u'/'))
        publicUrl.chop(1);

    accounts = std::make_unique<AccountEndpoints>(db, clock, hasher, social, requestMail, devices,
        AccountEndpoints::Settings {
            sessionLifetime, publicUrl, options.signInsPerMinute, options.resetMailsPerHour});
    pins = std::make_unique<PinEndpoints>(db, clock, *foundation.cipher, pinLock, options.pinBlockMinutes);
    websites = std::make_unique<WebsiteEndpoints>(
        db, clock, pinLock, publicUrl + QStringLiteral("/api/v3/getblockwebsitebyuser"));
    resetPage = std::make_unique<ResetPage>(db, clock, hasher);
    std::optional<chat::OpeningHours> openingHours;
    if (!options.chatHours.isEmpty())
        openingHours = chat::OpeningHours {options.chatHours.section(u'-', 0, 0),
            options.chatHours.section(u'-', 1, 1), options.chatTimeZone};
    chat = std::make_unique<ChatEndpoints>(
        db, clock, counsellors, chatWaiter, ChatEndpoints::Settings {openingHours, {20, 60}});
    console = std::make_unique<ConsoleEndpoints>(db, clock, counsellors, chatWaiter, *foundation.cipher,
        *foundation.mail, ConsoleEndpoints::Settings {publicUrl.startsWith(u"https://"), 10 * 60});
    router = std::make_unique<Router>(authenticator);
    router->setHealthCheck([&db] { return db.problem(); });
    accounts->addRoutes(*router);
    pins->addRoutes(*router);
    websites->addRoutes(*router);
    resetPage->addRoutes(*router);
    chat->addRoutes(*router);
    console->addRoutes(*router);

    if (!options.devClockFile.isEmpty())
        say(QStringLiteral("DEVELOPMENT: the time is read from ") + options.devClockFile);
    if (options.devFastHashing)
        say(QStringLiteral("DEVELOPMENT: new passwords are hashed with the cheapest setting"));
    if (options.trustSocialTokens)
        say(QStringLiteral(
            "DEVELOPMENT: Google and Facebook sign-ins are accepted without asking the provider"));
    say(QStringLiteral("data folder %1, database %2, mail %3")
            .arg(options.dataDir, db.target().describe(),
                options.smtpUrl.isEmpty() ? QStringLiteral("to the outbox ") + options.mailOutbox
                                          : QStringLiteral("through ") + QUrl(options.smtpUrl).host()));
    say(QStringLiteral("brevak-server %1 listening on %2")
            .arg(QString::fromLatin1(serverbuild::version), listening));

    dueMail.startEvery(options.dueMailIntervalSeconds);
    shutdownSignals.onSignal([&http, &chatWaiter](int signal) {
        say(QStringLiteral("brevak-server stopping (signal %1)").arg(signal));
        // Waiting chat requests answer now instead of holding up the stop.
        chatWaiter.stop();
        http.stop();
    });
    const bool served = http.run();
    devices.flush();
    if (!served) {
        say(QStringLiteral("brevak-server could not serve on ") + listening);
        return 2;
    }
    say(QStringLiteral("brevak-server stopped"));
    return 0;
}

// The resolver's feed only reads the database: it needs no PIN key (that stays on the account servers)
// and migrates nothing, so a resolver host can use a database role that only reads.
std::unique_ptr<Database> openResolverDatabase(const ServerOptions& options, QString& error)
{
    const std::optional<DatabaseTarget> target
        = parseDatabaseUrl(options.databaseUrl, options.dataDir, error);
    if (!target)
        return nullptr;
    auto db = std::make_unique<Database>(*target);
    try {
        if (schemaVersion(*db) >= newestSchemaVersion())
            return db;
        error = QStringLiteral("the database is older than this program: start brevak-server on it once, "
                               "which brings it up to date");
    } catch (const StorageError& failure) {
        error = QString::fromStdString(failure.what());
    }
    return nullptr;
}

// Looks for changes every --resolver-poll seconds, and thoroughly twice a minute (links that ran out of
// time, a reload that failed), until SIGTERM or SIGINT.
void followDatabase(ResolverSync& sync, double pollSeconds, ShutdownSignals& shutdownSignals)
{
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    shutdownSignals.onSignal([&](int signal) {
        say(QStringLiteral("resolver-sync stopping (signal %1)").arg(signal));
        std::lock_guard lock(mutex);
        stopping = true;
        wake.notify_all();
    });
    const auto interval = std::chrono::milliseconds(static_cast<qint64>(pollSeconds * 1000));
    QElapsedTimer sinceThorough;
    sinceThorough.start();
    sync.poll(true);
    std::unique_lock lock(mutex);
    while (!wake.wait_for(lock, interval, [&] { return stopping; })) {
        lock.unlock();
        const bool thorough = sinceThorough.hasExpired(30000);
        if (thorough)
            sinceThorough.restart();
        sync.poll(thorough);
        lock.lock();
    }
}

int runResolver(const ServerOptions& options, ShutdownSignals& shutdownSignals)
{
    const QString command = options.command.first();
    QString error;
    const std::unique_ptr<Clock> clock = makeClock(options);
    const std::unique_ptr<Database> db = openResolverDatabase(options, error);
    if (!db) {
        say(command + QStringLiteral(" cannot start: ") + error);
        return 2;
    }
    if (!QDir().mkpath(options.resolverDir)) {
        say(command + QStringLiteral(" cannot create ") + options.resolverDir);
        return 2;
    }
    UnboundPrograms unbound(options.unboundConfig);
    ResolverSync sync(*db, *clock, unbound, {options.resolverDir, options.resolverLists});
    if (!sync.writeCategory())
        return 2;
    if (command == u"resolver-config")
        return sync.writeViews() ? 0 : 1;
    say(QStringLiteral("resolver-sync: %1 and Unbound (%2) follow %3")
            .arg(options.resolverDir, options.unboundConfig, db->target().describe()));
    followDatabase(sync, options.resolverPollSeconds, shutdownSignals);
    say(QStringLiteral("resolver-sync stopped"));
    return 0;
}

} // namespace

int runBrevakServer(const ServerOptions& options)
{
    // Before any thread starts, so that every thread inherits the blocked signals.
    ShutdownSignals shutdownSignals;
    if (isResolverCommand(options.command))
        return runResolver(options, shutdownSignals);
    const CurlLibrary curl;
    QString error;
    std::optional<Foundation> foundation = layFoundation(options, error);
    int status = 2;
    if (!foundation) {
        say(QStringLiteral("brevak-server cannot start: ") + error);
    } else if (!options.command.isEmpty()) {
        status = runAdmin(options, *foundation);
    } else {
        status = runServer(options, *foundation, shutdownSignals);
    }
    return status;
}
