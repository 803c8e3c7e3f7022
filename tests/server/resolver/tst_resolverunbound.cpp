#include "ServerAccounts.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <signal.h>
#include <sys/prctl.h>

// The whole filtering resolver on loopback: brevak-server, a real Unbound made from the shipped
// configuration, and brevak-server resolver-sync between them. Ann synchronises from 127.0.0.2, straight
// to the server; Bob from 127.0.0.3, through a proxy (X-Real-IP). Every name the test asks for is in
// test zones of this Unbound, and everything else is forwarded to a closed loopback port, so nothing
// leaves the machine: an answer of NXDOMAIN can only come from the blocking.

namespace {

const QString zoneHeader = QStringLiteral("$TTL 60\n@ SOA ns.example. root.example. 1 3600 600 86400 60\n"
                                          "@ NS ns.example.\n");

// The test's own names, answered without recursion; the blocked ones prove the blocking wins.
const QList<QPair<QString, QString>> testZones {
    {"example.", "allowed A 192.0.2.1\npoker A 192.0.2.2\nwww.poker A 192.0.2.2\nslots A 192.0.2.3\n"},
    {"bet365.com.", "@ A 192.0.2.9\nwww A 192.0.2.9\nlive.sports A 192.0.2.9\n"},
    {"use-application-dns.net.", "@ A 192.0.2.10\n"},
    {"dns.google.", "@ A 192.0.2.11\n"},
};

struct DnsAnswer
{
    QString status; // NOERROR, NXDOMAIN, ...; empty when dig got no answer
    QStringList addresses;
};

int freeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    return socket.localPort();
}

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A child that gets SIGTERM when the test's process ends, however it ends.
std::unique_ptr<QProcess> startChild(
    const QString& program, const QStringList& arguments, const QString& logFile)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardOutputFile(logFile);
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process->start(program, arguments);
    process->waitForStarted(10000);
    return process;
}

void stopChild(std::unique_ptr<QProcess>& process)
{
    if (process && process->state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
        if (!process->waitForFinished(20000))
            process->kill();
    }
    process.reset();
}

} // namespace

class TestResolverUnbound : public QObject
{
    Q_OBJECT

    struct Account
    {
        qint64 id = 0;
        QString token;
    };

    QTemporaryDir m_dir;
    ServerProcess m_server;
    std::unique_ptr<QProcess> m_unbound;
    std::unique_ptr<QProcess> m_sync;
    int m_dnsPort = 0;
    Account m_ann;
    Account m_bob;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString resolverDir() const { return path("resolver"); }
    QString unboundConfig() const { return path("resolver/unbound.conf"); }
    QString syncLog() const { return readText(path("sync.log")); }

    QStringList resolverArguments() const
    {
        return QStringList {"--resolver-dir", resolverDir(), "--resolver-lists",
                   BREVAK_SOURCE_DIR "/deploy/resolver/lists", "--unbound-config", unboundConfig()}
        + m_server.sharedArguments();
    }

    DnsAnswer ask(const QString& from, const QString& name) const
    {
        QProcess dig;
        dig.start("dig",
            {"-b", from, "@127.0.0.1", "-p", QString::number(m_dnsPort), "+tries=1", "+time=2", "+noall",
                "+comments", "+answer", name, "A"});
        dig.waitForFinished(20000);
        const QString output = QString::fromUtf8(dig.readAllStandardOutput());
        DnsAnswer answer;
        answer.status = QRegularExpression("status: (\\w+)").match(output).captured(1);
        const QRegularExpression address("\\sIN\\s+A\\s+(\\S+)");
        for (auto match = address.globalMatch(output); match.hasNext();)
            answer.addresses << match.next().captured(1);
        return answer;
    }

    bool blocked(const QString& from, const QString& name) const
    {
        return ask(from, name).status == "NXDOMAIN";
    }

    bool resolves(const QString& from, const QString& name, const QString& address) const
    {
        const DnsAnswer answer = ask(from, name);
        return answer.status == "NOERROR" && answer.addresses == QStringList {address};
    }

    Account signUp(const QString& email)
    {
        HttpClient http(m_server.port());
        const HttpReply reply = signUpOver(http, email);
        return {at(reply, "data.id").toInteger(), sessionOf(reply)};
    }

    // The application's status synchronisation, straight from `from`.
    bool syncFrom(const Account& account, const QString& from)
    {
        RawConnection connection(m_server.port(), from);
        if (!connection.send(RawConnection::request("POST", "/api/v3/sync-url",
                "platform_unique_id=mac-" + from.toLatin1(), account.token.toLatin1())))
            return false;
        return connection
            .receive(20000, [](const QByteArray& reply) { return reply.contains("Account status"); })
            .contains("Account status");
    }

    // The same through a proxy that names the client in X-Real-IP.
    bool syncThroughProxy(const Account& account, const QString& client)
    {
        HttpClient http(m_server.port());
        return http
            .send("POST", "/api/v3/sync-url", "platform_unique_id=mac-" + client.toLatin1(),
                "application/x-www-form-urlencoded",
                {{"Authorization", "Bearer " + account.token.toLatin1()}, {"X-Real-IP", client.toLatin1()}})
            .body.contains("Account status");
    }

    qint64 block(const Account& account, const QString& domain)
    {
        return HttpClient(m_server.port())
            .post("blockwesitebyuser", {{"domain", domain}}, account.token)
            .json()
            .value("data")
            .toObject()
            .value("id")
            .toInteger();
    }

    bool unblock(const Account& account, qint64 id)
    {
        return HttpClient(m_server.port())
            .post("unblockwesitebyuser", {{"domain_id", QString::number(id)}}, account.token)
            .json()
            .value("status")
            .toBool();
    }

    bool writeUnboundConfig()
    {
        QProcess local;
        local.start(BREVAK_SOURCE_DIR "/deploy/resolver/local-unbound-conf.sh",
            {resolverDir(), QString::number(m_dnsPort)});
        if (!local.waitForFinished(10000) || local.exitCode() != 0)
            return false;
        QString config = QString::fromUtf8(local.readAllStandardOutput());
        config += "server:\n    do-not-query-localhost: no\n"
                  "forward-zone:\n    name: \".\"\n    forward-addr: 127.0.0.1@9\n";
        for (const auto& [zone, records] : testZones) {
            const QString file = path(zone + "zone");
            if (!writeText(file, "$ORIGIN " + zone + '\n' + zoneHeader + records))
                return false;
            config += QString("auth-zone:\n    name: \"%1\"\n    zonefile: \"%2\"\n"
                              "    for-downstream: yes\n    for-upstream: yes\n")
                          .arg(zone, file);
        }
        return writeText(unboundConfig(), config);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.start({"--trusted-proxy", "127.0.0.1"}));
        m_ann = signUp("ann@example.org");
        m_bob = signUp("bob@example.org");
        QVERIFY(!m_ann.token.isEmpty() && !m_bob.token.isEmpty());
        QVERIFY(syncFrom(m_ann, "127.0.0.2"));
        QVERIFY(syncThroughProxy(m_bob, "127.0.0.3"));

        QVERIFY(QDir().mkpath(resolverDir()));
        const ServerProcess::CommandResult written
            = m_server.command(QStringList {"resolver-config"} + resolverArguments());
        QVERIFY2(written.exitCode == 0, qPrintable(written.output));
        m_dnsPort = freeUdpPort();
        QVERIFY(writeUnboundConfig());
        m_unbound = startChild("unbound", {"-d", "-c", unboundConfig()}, path("unbound.out"));
        QTRY_VERIFY2_WITH_TIMEOUT(resolves("127.0.0.1", "allowed.example", "192.0.2.1"),
            qPrintable(readText(path("unbound.out")) + readText(path("resolver/unbound.log"))), 30000);
        m_sync = startChild(ServerProcess::binary(),
            QStringList {"resolver-sync", "--resolver-poll", "0.2"} + resolverArguments(), path("sync.log"));
        QTRY_VERIFY_WITH_TIMEOUT(syncLog().contains("Unbound reloaded"), 30000);
    }

    void cleanupTestCase()
    {
        stopChild(m_sync);
        stopChild(m_unbound);
        m_server.stop();
    }

    void theCategoryIsBlockedForEverybody_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("Ann") << "127.0.0.2";
        QTest::newRow("Bob") << "127.0.0.3";
    }

    void theCategoryIsBlockedForEverybody()
    {
        QFETCH(QString, from);
        for (const char* name : {"bet365.com", "www.bet365.com", "live.sports.bet365.com",
                 "use-application-dns.net", "dns.google"})
            QVERIFY2(blocked(from, name), name);
        QVERIFY(resolves(from, "allowed.example", "192.0.2.1"));
    }

    void aBlacklistedWebsiteIsBlockedForItsUserOnly()
    {
        const qint64 poker = block(m_ann, "www.poker.example");
        QVERIFY(poker > 0);
        QTRY_VERIFY_WITH_TIMEOUT(blocked("127.0.0.2", "poker.example"), 50000);
        QVERIFY(blocked("127.0.0.2", "www.poker.example"));
        QVERIFY(resolves("127.0.0.3", "poker.example", "192.0.2.2"));
        QVERIFY(resolves("127.0.0.3", "www.poker.example", "192.0.2.2"));

        QVERIFY(unblock(m_ann, poker));
        QTRY_VERIFY_WITH_TIMEOUT(resolves("127.0.0.2", "poker.example", "192.0.2.2"), 50000);
        QVERIFY(resolves("127.0.0.2", "www.poker.example", "192.0.2.2"));
    }

    void badEntriesNeverBreakTheConfiguration()
    {
        for (const QString& entry : {QStringLiteral("x'); DROP TABLE blocked_websites; --"),
                 QStringLiteral("a.example\" always_nxdomain local-zone: \"example."),
                 QStringLiteral("100%.🎰")})
            QVERIFY(block(m_ann, entry) > 0); // the server keeps what was typed
        QVERIFY(block(m_ann, "slots.example") > 0);
        QTRY_VERIFY_WITH_TIMEOUT(blocked("127.0.0.2", "slots.example"), 50000);
        QVERIFY(syncLog().contains("resolver: blacklist entry \"x'); DROP TABLE blocked_websites; --\" "
                                   "skipped: not a website's name"));
        QVERIFY(resolves("127.0.0.2", "allowed.example", "192.0.2.1"));
        QVERIFY(resolves("127.0.0.3", "slots.example", "192.0.2.3"));

        // The shipped configuration, as a resolver machine has it, takes these files too.
        QVERIFY(QFile::copy("/usr/share/dns/root.key", path("root.key")));
        QString shipped = readText(BREVAK_SOURCE_DIR "/deploy/resolver/unbound.conf");
        shipped.replace("/var/lib/brevak-resolver", resolverDir())
            .replace("/var/lib/unbound/root.key", path("root.key"));
        QVERIFY(writeText(path("shipped.conf"), shipped));
        QProcess check;
        check.start("unbound-checkconf", {path("shipped.conf")});
        QVERIFY(check.waitForFinished(20000));
        QVERIFY2(check.exitCode() == 0, check.readAll().constData());
    }

    void aBrokenUnboundConfigurationIsNotReloaded()
    {
        const QString good = readText(unboundConfig());
        QVERIFY(writeText(unboundConfig(), good + "server:\n    no-such-option: yes\n"));
        QVERIFY(syncFrom(m_bob, "127.0.0.4")); // a new address: a new view, so a reload
        QTRY_VERIFY_WITH_TIMEOUT(syncLog().contains("unbound-checkconf refused the new views"), 50000);
        QVERIFY(!readText(path("resolver/views.conf")).contains("127.0.0.4"));
        // Once the sync step has stopped, whatever it did after the refusal is done: Unbound still runs
        // what it had (a reload of a broken configuration would have ended it).
        stopChild(m_sync);
        QVERIFY(syncLog().contains("resolver-sync stopped"));
        QVERIFY(m_unbound->state() == QProcess::Running);
        QVERIFY(blocked("127.0.0.2", "slots.example"));
        QVERIFY(resolves("127.0.0.3", "allowed.example", "192.0.2.1"));
        QVERIFY(writeText(unboundConfig(), good));
    }
};

QTEST_GUILESS_MAIN(TestResolverUnbound)
#include "tst_resolverunbound.moc"
