#include "DataRow.h"
#include "ServerOptions.h"

#include <QTest>

// Flags, their environment twins, and the values refused.
class TestServerOptions : public QObject
{
    Q_OBJECT

    static ParsedOptions parse(const QStringList& flags, const QMap<QString, QString>& variables = {})
    {
        QProcessEnvironment environment;
        environment.insert("HOME", "/home/ann");
        for (auto it = variables.cbegin(); it != variables.cend(); ++it)
            environment.insert(it.key(), it.value());
        return parseServerOptions(QStringList {"brevak-server"} + flags, environment);
    }

private Q_SLOTS:
    void dataFolderFollowsXdg()
    {
        QCOMPARE(parse({}, {{"XDG_DATA_HOME", "/srv/data"}}).options->dataDir, "/srv/data/brevak-server");
        QCOMPARE(parse({}).options->dataDir, "/home/ann/.local/share/brevak-server");
    }

    void flagsAndTheirTwins_data()
    {
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("variableValue");
        QTest::addColumn<int>("blockMinutes");
        QTest::addColumn<int>("port");
        const QString block = "BREVAK_SERVER_PIN_BLOCK_MINUTES";
        dataRow("flag", QStringList {"--pin-block-minutes", "30"}, QString(), QString(), 30, 8080);
        dataRow("twin", QStringList {}, block, "45", 45, 8080);
        dataRow("flag wins over twin", QStringList {"--pin-block-minutes", "30"}, block, "45", 30, 8080);
        dataRow("empty twin is unset", QStringList {}, block, "", 15, 8080);
        dataRow("listen flag", QStringList {"--listen", "[::1]:0"}, QString(), QString(), 15, 0);
    }

    void flagsAndTheirTwins()
    {
        QFETCH(QStringList, flags);
        QFETCH(QString, variable);
        QFETCH(QString, variableValue);
        QFETCH(int, blockMinutes);
        QFETCH(int, port);
        QMap<QString, QString> variables;
        if (!variable.isEmpty())
            variables.insert(variable, variableValue);
        const ParsedOptions parsed = parse(flags, variables);
        QVERIFY2(parsed.options, qPrintable(parsed.error));
        QCOMPARE(parsed.options->pinBlockMinutes, blockMinutes);
        QCOMPARE(parsed.options->listenPort, port);
    }

    void switchesAndTheirTwins()
    {
        QVERIFY(parse({"--trust-social-tokens"}).options->trustSocialTokens);
        QVERIFY(!parse({}, {{"BREVAK_SERVER_TRUST_SOCIAL_TOKENS", "0"}}).options->trustSocialTokens);
        QVERIFY(parse({}, {{"BREVAK_SERVER_DEV_FAST_HASHING", "yes"}}).options->devFastHashing);
        QVERIFY(!parse({}, {{"BREVAK_SERVER_DEV_FAST_HASHING", "maybe"}}).options);
    }

    void refusesBadValues_data()
    {
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QString>("mentioned");
        dataRow("unknown flag", QStringList {"--colour"}, "colour");
        dataRow("port out of range", QStringList {"--listen", "127.0.0.1:70000"}, "--listen");
        dataRow("no port", QStringList {"--listen", "127.0.0.1"}, "--listen");
        dataRow("database scheme", QStringList {"--database", "mysql://x/y"}, "--database");
        dataRow("block minutes zero", QStringList {"--pin-block-minutes", "0"}, "--pin-block-minutes");
        dataRow("empty token", QStringList {"--default-token", " "}, "--default-token");
        dataRow("public url", QStringList {"--public-url", "brevak.app"}, "--public-url");
        dataRow(
            "mail from with line break", QStringList {"--mail-from", "a@b.org\nBcc: c@d.org"}, "--mail-from");
        dataRow("unknown command", QStringList {"admin", "drop-everything"}, "drop-everything");
        dataRow("reveal without email", QStringList {"admin", "reveal-pin"}, "--email");
        dataRow("resolver without its lists", QStringList {"resolver-sync"}, "--resolver-lists");
        dataRow("resolver command with an argument",
            QStringList {"resolver-config", "now", "--resolver-lists", "x"}, "resolver-config now");
        dataRow("resolver poll too often", QStringList {"--resolver-poll", "0"}, "--resolver-poll");
    }

    void refusesBadValues()
    {
        QFETCH(QStringList, flags);
        QFETCH(QString, mentioned);
        const ParsedOptions parsed = parse(flags);
        QVERIFY(!parsed.options);
        QVERIFY2(parsed.error.contains(mentioned), qPrintable(parsed.error));
    }
};

QTEST_GUILESS_MAIN(TestServerOptions)
#include "tst_serveroptions.moc"
