#include "DataRow.h"
#include "ResolverConfig.h"

#include <QTest>

// What the resolver is told: which names, for which addresses, and that nothing a user typed can reach
// Unbound's configuration unchecked.
class TestResolverConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void zoneNames_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("name"); // empty: not a website's name
        dataRow("as the application sends it", "bet365.com", "bet365.com");
        dataRow("capitals and blanks", "  Bet365.COM ", "bet365.com");
        dataRow("www: the whole site", "www.pokerstars.com", "pokerstars.com");
        dataRow("wildcard", "*.casino.example", "casino.example");
        dataRow("trailing dot", "casino.example.", "casino.example");
        dataRow("port", "casino.example:8080", "casino.example");
        dataRow("internationalised", QStringLiteral("bücher.de"), "xn--bcher-kva.de");
        dataRow("underscore", "my_site.example", "my_site.example");
        dataRow("empty", "", "");
        dataRow("blanks", "   ", "");
        dataRow("one label", "localhost", "");
        dataRow("www of a top level", "www.com", "");
        dataRow("IPv4 address", "192.0.2.7", "");
        dataRow("IPv6 address", "2001:db8::1", "");
        dataRow("numeric top level", "casino.123", "");
        dataRow("SQL-looking", "x'); DROP TABLE blocked_websites; --", "");
        dataRow("quotes and backslash", "a\"b\\c'd.example", "");
        dataRow("line break", "a.example\nlocal-zone: \"com.\" always_nxdomain", "");
        dataRow("percent sign and emoji", QStringLiteral("100%.🎰"), "");
        dataRow("unknown scheme kept by the application", "ftp:", "");
        dataRow("path", "casino.example/poker", "");
        dataRow("label starting with a hyphen", "-casino.example", "");
        dataRow("empty label", "casino..example", "");
        dataRow("63-character label", QString(63, u'a') + ".example", QString(63, u'a') + ".example");
        dataRow("64-character label", QString(64, u'a') + ".example", "");
        dataRow("254 characters", QString(QString(62, u'a') + '.').repeated(4) + "ab", "");
    }

    void zoneNames()
    {
        QFETCH(QString, entry);
        QFETCH(QString, name);
        QCOMPARE(resolver::zoneName(entry).value_or(QString()), name);
    }

    void linkedNetworks_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("network"); // empty: not an address
        dataRow("IPv4", "203.0.113.5", "203.0.113.5/32");
        dataRow("IPv4-mapped IPv6", "::ffff:203.0.113.5", "203.0.113.5/32");
        dataRow("IPv6: its /64", "2001:db8:1:2:3:4:5:6", "2001:db8:1:2::/64");
        dataRow("another address of the same /64", "2001:db8:1:2:ffff::9", "2001:db8:1:2::/64");
        dataRow("a header that is no address", "203.0.113.5, 10.0.0.1", "");
        dataRow("text", "unknown", "");
        dataRow("empty", "", "");
    }

    void linkedNetworks()
    {
        QFETCH(QString, address);
        QFETCH(QString, network);
        QCOMPARE(resolver::linkedNetwork(address).value_or(QString()), network);
    }

    void accountsBehindOneAddressShareAView()
    {
        const resolver::ViewsBuild build = resolver::buildViews({
            {"203.0.113.5", "casino.example"}, // Ann
            {"203.0.113.5", "www.poker.example"}, // Bob, behind the same address
            {"::ffff:203.0.113.5", "casino.example"}, // Ann again, seen through an IPv6 socket
            {"198.51.100.7", std::nullopt}, // Cleo blocks nothing
        });
        QCOMPARE(build.views.keys(), QStringList({"198.51.100.7/32", "203.0.113.5/32"}));
        QCOMPARE(build.views.value("203.0.113.5/32"), QSet<QString>({"casino.example", "poker.example"}));
        QVERIFY(build.views.value("198.51.100.7/32").isEmpty());
        QVERIFY(build.skipped.isEmpty());
    }

    void badDataIsSkippedAndToldOnce()
    {
        const resolver::ViewsBuild build = resolver::buildViews({
            {"203.0.113.5", "casino.example"},
            {"203.0.113.5", "x'); DROP TABLE blocked_websites; --"},
            {"198.51.100.7", "x'); DROP TABLE blocked_websites; --"},
            {"not-an-address", "slots.example"},
        });
        QCOMPARE(build.views.keys(), QStringList({"198.51.100.7/32", "203.0.113.5/32"}));
        QCOMPARE(build.views.value("203.0.113.5/32"), QSet<QString>({"casino.example"}));
        QCOMPARE(build.skipped,
            QStringList(
                {"blacklist entry \"x'); DROP TABLE blocked_websites; --\" skipped: not a website's name",
                    "linked address \"not-an-address\" skipped: not an IP address"}));
    }

    void viewsConfigGivesEachNetworkAccessAndItsView()
    {
        resolver::Views views;
        views["203.0.113.5/32"] = {"poker.example", "casino.example"};
        views["2001:db8:1:2::/64"] = {};
        const QString text = resolver::viewsConfig(views);
        QVERIFY(text.contains("server:\n"
                              "    access-control: 2001:db8:1:2::/64 allow\n"
                              "    access-control-view: 2001:db8:1:2::/64 \"2001:db8:1:2::/64\"\n"
                              "    access-control: 203.0.113.5/32 allow\n"
                              "    access-control-view: 203.0.113.5/32 \"203.0.113.5/32\"\n"));
        QVERIFY(text.contains("view:\n    name: \"203.0.113.5/32\"\n    view-first: yes\n"
                              "    local-zone: \"casino.example.\" always_nxdomain\n"
                              "    local-zone: \"poker.example.\" always_nxdomain\n"));
        QVERIFY(text.contains("view:\n    name: \"2001:db8:1:2::/64\"\n    view-first: yes\n"));
        // Nobody linked: a file Unbound still includes, with no clause in it.
        QVERIFY(!resolver::viewsConfig({}).contains(":\n"));
    }

    void categoryListsReadHostsFilesAndPlainLists()
    {
        QStringList skipped;
        const QSet<QString> names = resolver::readCategoryList("# Title: a list\n"
                                                               "0.0.0.0 casino.example\n"
                                                               "0.0.0.0 www.bet.example # sportsbook\n"
                                                               "127.0.0.1 poker.example\n"
                                                               "\n"
                                                               "use-application-dns.net\n"
                                                               "0.0.0.0 two words.example\n"
                                                               "0.0.0.0 localhost\n",
            "test.txt", skipped);
        QCOMPARE(names,
            QSet<QString>({"casino.example", "bet.example", "poker.example", "use-application-dns.net"}));
        QCOMPARE(skipped,
            QStringList({"test.txt line 7 skipped: \"0.0.0.0 two words.example\" is not a website's name",
                "test.txt line 8 skipped: \"0.0.0.0 localhost\" is not a website's name"}));
    }

    void categoryZoneBlocksEachNameAndItsSubdomains()
    {
        const QString zone
            = resolver::categoryZone({"casino.example", "live.casino.example", "notcasino.example"}, 1234);
        QVERIFY(zone.contains("$ORIGIN brevak-category.\n"));
        QVERIFY(zone.contains("@ SOA localhost. nobody.invalid. 1234 "));
        QVERIFY(zone.contains("\ncasino.example CNAME .\n*.casino.example CNAME .\n"));
        QVERIFY(zone.contains("\nnotcasino.example CNAME .\n*.notcasino.example CNAME .\n"));
        QVERIFY(!zone.contains("live.casino.example")); // the parent's wildcard answers for it
    }
};

QTEST_GUILESS_MAIN(TestResolverConfig)
#include "tst_resolverconfig.moc"
