#include "BlockedApplicationHook.h"
#include "ProcessState.h"
#include "RecordingCommandRunner.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

class TestBlockedApplicationHook : public QObject
{
    Q_OBJECT

private:
    TemporarySimulatedMac m_mac;

private Q_SLOTS:
    void init()
    {
        SettingsStore::shared().wipe();
        blockPageRequested = false;
    }

    void quitsEveryExactMatch_data()
    {
        QTest::addColumn<QVariant>("blocked");
        QTest::addColumn<QString>("activated");
        QTest::addColumn<QStringList>("scripts");
        const QString quitPoker = "applescript: tell application \"Poker Stars\"\nquit\nend tell";
        QTest::newRow("exact match") << QVariant(QStringList {"Poker Stars"}) << "Poker Stars"
                                     << QStringList {quitPoker};
        QTest::newRow("case differs")
            << QVariant(QStringList {"Poker Stars"}) << "poker stars" << QStringList {};
        QTest::newRow("one of several") << QVariant(QStringList {"Lucky Casino", "Poker Stars", "Bet Now"})
                                        << "Poker Stars" << QStringList {quitPoker};
        QTest::newRow("listed twice") << QVariant(QStringList {"Poker Stars", "Poker Stars"}) << "Poker Stars"
                                      << QStringList {quitPoker, quitPoker};
        QTest::newRow("not blocked") << QVariant(QStringList {"Poker Stars"}) << "Safari" << QStringList {};
        QTest::newRow("nothing stored") << QVariant() << "Poker Stars" << QStringList {};
        QTest::newRow("not a list") << QVariant("Poker Stars") << "Poker Stars" << QStringList {};
        QTest::newRow("quote in the name")
            << QVariant(QStringList {"Bet \"Live\""}) << "Bet \"Live\""
            << QStringList {"applescript: tell application \"Bet \\\"Live\\\"\"\nquit\nend tell"};
    }

    void quitsEveryExactMatch()
    {
        QFETCH(QVariant, blocked);
        QFETCH(QString, activated);
        QFETCH(QStringList, scripts);
        if (blocked.isValid()) {
            SettingsStore::shared().setObject(keys::blockedAppDetails, blocked);
        }
        RecordingCommandRunner runner;
        int blockPagesShown = 0;
        BlockedApplicationHook hook([&] { ++blockPagesShown; });

        hook.applicationActivated(activated);

        QCOMPARE(runner.commands(), scripts);
        QCOMPARE(blockPagesShown, scripts.size());
        QCOMPARE(blockPageRequested, !scripts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBlockedApplicationHook)
#include "tst_blockedapplicationhook.moc"
