#include "BlockedApplicationHook.h"
#include "DataRow.h"
#include "ProcessState.h"
#include "RecordingCommandRunner.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

class TestBlockedApplicationHook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void quitsEveryExactMatch_data()
    {
        QTest::addColumn<QVariant>("blocked");
        QTest::addColumn<QString>("activated");
        QTest::addColumn<QStringList>("scripts");
        const QString quitPoker = "applescript: tell application \"Poker Stars\"\nquit\nend tell";
        dataRow("one of several", QVariant(QStringList {"Lucky Casino", "Poker Stars", "Bet Now"}),
            "Poker Stars", QStringList {quitPoker});
        dataRow("case differs", QVariant(QStringList {"Poker Stars"}), "poker stars", QStringList {});
        dataRow("listed twice", QVariant(QStringList {"Poker Stars", "Poker Stars"}), "Poker Stars",
            QStringList {quitPoker, quitPoker});
        dataRow("not a list", QVariant("Poker Stars"), "Poker Stars", QStringList {});
        dataRow("quote in the name", QVariant(QStringList {"Bet \"Live\""}), "Bet \"Live\"",
            QStringList {"applescript: tell application \"Bet \\\"Live\\\"\"\nquit\nend tell"});
    }

    void quitsEveryExactMatch()
    {
        QFETCH(QVariant, blocked);
        QFETCH(QString, activated);
        QFETCH(QStringList, scripts);
        TemporarySimulatedMac mac;
        mac.settings().setObject(keys::blockedAppDetails, blocked);
        blockPageRequested = false;
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
