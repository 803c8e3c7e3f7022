#include "DataRow.h"
#include "TemporarySimulatedMac.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    SettingsStore& store() { return m_mac->settings(); }

    // What another process finds on disk: QSettings serves this process from its cache.
    QJsonObject runProbe(const QString& mode)
    {
        QProcess probe;
        probe.start(QCoreApplication::applicationDirPath() + "/settings_probe", {mode});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0) {
            qWarning() << "probe failed" << probe.readAllStandardError();
            return {};
        }
        return QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
    }

private Q_SLOTS:
    void init() { m_mac = std::make_unique<TemporarySimulatedMac>(); }
    void cleanup() { m_mac.reset(); }

    void typesSurviveARestart()
    {
        QVERIFY(runProbe("write").isEmpty());
        const QJsonObject read = runProbe("read");
        QCOMPARE(read["isLogin"].toObject()["type"].toString(), "bool");
        QCOMPARE(read["isLoggedOut"].toObject()["value"], QJsonValue(false));
        QCOMPARE(read["user_id"].toObject()["type"].toString(), "qlonglong");
        QCOMPARE(read["userIdText"].toString(), "42");
        QCOMPARE(read["loginToken"].toObject()["type"].toString(), "QString");
        // A one-element list must come back as a list, not as a plain text.
        QCOMPARE(read["blocked"].toVariant(), QVariantList {"Poker Stars"});
        QCOMPARE(read["isPinSeted"].toObject()["type"].toString(), "absent");
    }

    void wipeEmptiesTheStoreOnDisk()
    {
        runProbe("write");
        runProbe("wipe");
        const QJsonObject read = runProbe("read");
        for (const char* key : {keys::isLogin, keys::userId, keys::loginToken, keys::blockedAppDetails}) {
            QCOMPARE(read[key].toObject()["type"].toString(), "absent");
        }
    }

    void blockedApplicationsOtherThanTextArraysReadAsEmpty_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("expected");
        dataRow("list", QVariant(QStringList {"Steam", "Poker"}), QStringList {"Steam", "Poker"});
        dataRow("plain text", QVariant("Steam"), QStringList {});
        dataRow("mixed list", QVariant(QVariantList {"Steam", 3}), QStringList {});
    }

    void blockedApplicationsOtherThanTextArraysReadAsEmpty()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, expected);
        store().setObject(keys::blockedAppDetails, stored);
        QCOMPARE(store().blockedApplications(), expected);
    }

    void pinAttemptBelowOneReadsAsOne()
    {
        store().setInteger(keys::attemp, -4);
        QCOMPARE(store().pinAttempt(), 1);
        store().setInteger(keys::attemp, 3);
        QCOMPARE(store().pinAttempt(), 3);
    }

    void textReadsTellTextFromNumbers()
    {
        store().setInteger(keys::currentLanguage, 5);
        QVERIFY(!store().textValue(keys::currentLanguage).has_value());
        QCOMPARE(store().stringValue(keys::currentLanguage), std::optional<QString>("5"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
