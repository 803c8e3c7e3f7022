#include "DataRow.h"
#include "Localization.h"
#include "MessageTable.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QTest>

// Runs on an English system and, registered a second time, on a French one.
class TestLocalization : public QObject
{
    Q_OBJECT

private:
    TemporarySimulatedMac m_mac;
    bool frenchSystem() const { return localization::systemLanguageCode() == "fr"; }

private Q_SLOTS:
    void initTestCase() { QVERIFY(QStringList({"en", "fr"}).contains(localization::systemLanguageCode())); }

    void init()
    {
        SettingsStore::shared().wipe();
        localization::setResourceFolder(":/strings");
    }

    void storedLanguageChoosesTheResource_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expectedOnEnglishSystem");
        QTest::addColumn<QString>("expectedOnFrenchSystem");
        dataRow("french", QVariant("fr"), "Add", "Ajouter", "Ajouter");
        dataRow("unset follows the system", QVariant(), "Add", "Add", "Ajouter");
        dataRow("key missing from french", QVariant("fr"), "Not a key", "Not a key", "Not a key");
        // A language without a resource shows English rather than blank labels.
        dataRow("german has no resource", QVariant("de"), "Add", "Add", "Add");
    }

    void storedLanguageChoosesTheResource()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, key);
        QFETCH(QString, expectedOnEnglishSystem);
        QFETCH(QString, expectedOnFrenchSystem);
        if (stored.isValid()) {
            SettingsStore::shared().setObject(keys::currentLanguage, stored);
        }
        QCOMPARE(localizedText(key), frenchSystem() ? expectedOnFrenchSystem : expectedOnEnglishSystem);
    }

    void aLanguageChangeShowsAtTheNextLookup()
    {
        SettingsStore::shared().setString(keys::currentLanguage, "en");
        QCOMPARE(localizedText("Logout"), "Logout");
        SettingsStore::shared().setString(keys::currentLanguage, "fr");
        QCOMPARE(localizedText("Logout"), QString::fromUtf8("Déconnexion"));
    }

    void anUnreadableResourceShowsTheKey()
    {
        QTemporaryDir folder;
        QFile broken(folder.filePath("fr.strings"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\"Add\" = \"Ajouter\"");
        broken.close();
        localization::setResourceFolder(folder.path());
        SettingsStore::shared().setString(keys::currentLanguage, "fr");
        QCOMPARE(localizedText("Add"), "Add");
    }

    // Alert texts follow the system language and keep their first translation for the process.
    void messagesFollowTheSystemAndStay()
    {
        SettingsStore::shared().setString(keys::currentLanguage, frenchSystem() ? "en" : "fr");
        QCOMPARE(messages::ooops(), frenchSystem() ? "Oups" : "Ooops");
        QCOMPARE(messages::networkNotReachable(),
            frenchSystem() ? QString::fromUtf8("Réseau inaccessible") : "Network Not Reachable");
        localization::setResourceFolder("/nonexistent");
        QCOMPARE(messages::ooops(), frenchSystem() ? "Oups" : "Ooops");
    }
};

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_localization.moc"
