#include "Clock.h"
#include "Database.h"
#include "DeviceRecorder.h"
#include "Diagnostics.h"
#include "LinkedAddressStore.h"
#include "Migrations.h"
#include "ResolverSync.h"
#include "UserStore.h"
#include "WebsiteStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// How the sync step brings a running Unbound in step with the database: which changes go through
// unbound-control, which need a checked reload, and what happens when Unbound or its check says no.
class TestResolverSync : public QObject
{
    Q_OBJECT

    class MovableClock : public Clock
    {
    public:
        qint64 now() const override { return time; }
        qint64 time = 1800000000;
    };

    // Records what it was asked and answers as told.
    class FakeUnbound : public UnboundControl
    {
    public:
        Outcome checkConfiguration() override { return answer("check", checkPasses); }
        Outcome reload() override { return answer("reload", reloadWorks); }
        Outcome blockInView(const QString& view, const QString& name) override
        {
            return answer("block " + view + " " + name, commandsWork);
        }
        Outcome unblockInView(const QString& view, const QString& name) override
        {
            return answer("unblock " + view + " " + name, commandsWork);
        }

        QStringList takeCalls() { return std::exchange(calls, {}); }

        bool checkPasses = true;
        bool reloadWorks = true;
        bool commandsWork = true;

    private:
        Outcome answer(const QString& call, bool ok)
        {
            calls << call;
            return {ok, ok ? QStringLiteral("ok") : QStringLiteral("refused by the test")};
        }

        QStringList calls;
    };

    // A migrated database with two accounts, an Unbound stand-in and the sync step between them.
    struct Fixture
    {
        QTemporaryDir dir;
        MovableClock clock;
        Database db {DatabaseTarget {.sqlitePath = dir.filePath("test.sqlite")}};
        FakeUnbound unbound;
        ResolverSync sync {db, clock, unbound, {dir.path(), dir.filePath("lists")}};
        qint64 ann = 0;
        qint64 bob = 0;
        QStringList log;

        Fixture()
        {
            migrateDatabase(db, clock);
            ann = addUser("ann@example.org");
            bob = addUser("bob@example.org");
            diagnostics::setSink([this](const QString& line) { log << line; });
        }

        ~Fixture() { diagnostics::setSink({}); }

        qint64 addUser(const QString& email)
        {
            NewUser user;
            user.email = email;
            user.deviceName = "Mac";
            user.profileId = "0";
            return UserStore(db).create(user, clock.now())->id;
        }

        // As the server does it when the user synchronises.
        void link(qint64 userId, const QString& address)
        {
            DeviceRecorder recorder(db, 3600000);
            recorder.addressSeen(userId, address, clock.now());
        }

        qint64 block(qint64 userId, const QString& domain)
        {
            return WebsiteStore(db).add(userId, domain, clock.now())->id;
        }

        QString viewsFile() const
        {
            QFile file(dir.filePath(ResolverSync::viewsFileName()));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        }

        // Ann at 203.0.113.5 blocking casino.example, applied once.
        void startApplied()
        {
            link(ann, "203.0.113.5");
            block(ann, "casino.example");
            sync.poll(true);
            unbound.takeCalls();
        }
    };

private Q_SLOTS:
    void firstLookWritesChecksAndReloads()
    {
        Fixture fixture;
        fixture.link(fixture.ann, "203.0.113.5");
        fixture.block(fixture.ann, "casino.example");
        fixture.sync.poll(true);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check", "reload"}));
        QVERIFY(fixture.viewsFile().contains("local-zone: \"casino.example.\" always_nxdomain"));
    }

    void websitesOfAKnownAddressGoThroughUnboundControl()
    {
        Fixture fixture;
        fixture.startApplied();
        const qint64 poker = fixture.block(fixture.ann, "www.poker.example");
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check", "block 203.0.113.5/32 poker.example"}));
        QVERIFY(fixture.viewsFile().contains("\"poker.example.\""));

        QVERIFY(WebsiteStore(fixture.db).remove(poker, fixture.ann));
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check", "unblock 203.0.113.5/32 poker.example"}));
        QVERIFY(!fixture.viewsFile().contains("poker.example"));
    }

    void aNewAddressNeedsAReload()
    {
        Fixture fixture;
        fixture.startApplied();
        fixture.link(fixture.ann, "198.51.100.7");
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check", "reload"}));
        QVERIFY(fixture.viewsFile().contains("access-control-view: 198.51.100.7/32"));
    }

    void nothingChangedNothingDone()
    {
        Fixture fixture;
        fixture.startApplied();
        fixture.link(fixture.ann, "203.0.113.5"); // seen again: no news for the resolver
        fixture.sync.poll(false);
        fixture.sync.poll(true);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList());
    }

    void aRefusedCheckKeepsTheLastGoodConfiguration()
    {
        Fixture fixture;
        fixture.startApplied();
        const QString good = fixture.viewsFile();
        fixture.unbound.checkPasses = false;
        fixture.link(fixture.bob, "198.51.100.7");
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check"})); // no reload
        QCOMPARE(fixture.viewsFile(), good);
        QVERIFY(
            fixture.log.last().startsWith("resolver: unbound-checkconf refused the new views, so they are "
                                          "put back and Unbound keeps its last good configuration: "));
        // Not tried again at every look, only when something changes or at the thorough look.
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList());
        fixture.unbound.checkPasses = true;
        fixture.sync.poll(true);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check", "reload"}));
        QVERIFY(fixture.viewsFile().contains("198.51.100.7/32"));
    }

    void aRefusedCommandFallsBackToAReload()
    {
        Fixture fixture;
        fixture.startApplied();
        fixture.unbound.commandsWork = false; // Unbound restarted without the view, say
        fixture.block(fixture.ann, "poker.example");
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(),
            QStringList({"check", "block 203.0.113.5/32 poker.example", "reload"}));
    }

    void aFailedReloadIsTriedAgainAtTheThoroughLook()
    {
        Fixture fixture;
        fixture.startApplied();
        fixture.unbound.reloadWorks = false;
        fixture.link(fixture.bob, "198.51.100.7");
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check", "reload"}));
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList());
        fixture.unbound.reloadWorks = true;
        fixture.sync.poll(true);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"reload"})); // the file is already right
        // Now known again: the next website goes through unbound-control.
        fixture.block(fixture.bob, "poker.example");
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check", "block 198.51.100.7/32 poker.example"}));
    }

    void addressesUnusedFor30DaysAreDropped()
    {
        Fixture fixture;
        fixture.startApplied();
        fixture.clock.time += linkedAddressLifetime - 1;
        fixture.sync.poll(true);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList());
        fixture.clock.time += 2;
        fixture.sync.poll(true); // nothing in the database moved: only the time did
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check", "reload"}));
        QVERIFY(!fixture.viewsFile().contains("203.0.113.5"));
    }

    void badEntriesAreSkippedWithOneLogLine()
    {
        Fixture fixture;
        fixture.startApplied();
        fixture.block(fixture.ann, "x'); DROP TABLE blocked_websites; --");
        fixture.sync.poll(false);
        fixture.block(fixture.ann, "poker.example");
        fixture.sync.poll(false);
        QCOMPARE(fixture.unbound.takeCalls(), QStringList({"check", "block 203.0.113.5/32 poker.example"}));
        QCOMPARE(fixture.log.filter("skipped"),
            QStringList({"resolver: blacklist entry \"x'); DROP TABLE blocked_websites; --\" skipped: not a "
                         "website's name"}));
        QVERIFY(!fixture.viewsFile().contains("DROP"));
    }

    void theCategoryZoneComesFromEveryList()
    {
        Fixture fixture;
        QVERIFY(!fixture.sync.writeCategory()); // no lists: the resolver must not run without its category
        QVERIFY(fixture.log.last().startsWith("resolver: no category list with a name in "));
        QDir(fixture.dir.path()).mkdir("lists");
        for (const auto& [name, text] : {std::pair {"a.txt", "0.0.0.0 casino.example\n"},
                 std::pair {"b.txt", "use-application-dns.net\n"}}) {
            QFile list(fixture.dir.filePath(QStringLiteral("lists/") + name));
            QVERIFY(list.open(QIODevice::WriteOnly));
            list.write(text);
        }
        QVERIFY(fixture.sync.writeCategory());
        QFile zone(fixture.dir.filePath(ResolverSync::categoryFileName()));
        QVERIFY(zone.open(QIODevice::ReadOnly));
        const QByteArray text = zone.readAll();
        QVERIFY(text.contains("\ncasino.example CNAME .\n"));
        QVERIFY(text.contains("\nuse-application-dns.net CNAME .\n"));
    }
};

QTEST_GUILESS_MAIN(TestResolverSync)
#include "tst_resolversync.moc"
