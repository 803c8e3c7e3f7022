#include "DataRow.h"
#include "Localization.h"
#include "MessageTable.h"
#include "SettingsStore.h"
#include "StringsFile.h"
#include "TemporarySimulatedMac.h"

#include <QSet>
#include <QStringEncoder>
#include <QTest>

// The strings files and the lookups through them. Runs on an English, a French and a bare system.
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

    void wellFormedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<StringsFile::Dictionary>("expected");
        dataRow("entries and comments",
            QByteArray("/* Title */\n\"Ooops\" = \"Oups\"; // after\n\"OR\"=\"OU\";"),
            StringsFile::Dictionary {{"Ooops", "Oups"}, {"OR", "OU"}});
        // Escaped rather than raw: moc misreads raw strings with backslashes.
        dataRow("escapes", QByteArray("\"a\\\"b\" = \"line\\none\\ttab \\\\ \\U00e9\";"),
            StringsFile::Dictionary {{"a\"b", QString::fromUtf8("line\none\ttab \\ é")}});
        QStringEncoder toUtf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        dataRow("utf-16 with byte order mark", QByteArray(toUtf16(QStringLiteral("\"Add\" = \"Ajouter\";"))),
            StringsFile::Dictionary {{"Add", "Ajouter"}});
    }

    void wellFormedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(StringsFile::Dictionary, expected);
        QString error;
        const std::optional<StringsFile::Dictionary> parsed = StringsFile::parse(bytes, &error);
        QVERIFY2(parsed, qPrintable(error));
        QCOMPARE(*parsed, expected);
    }

    void malformedFilesGiveNoDictionary_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        dataRow("missing semicolon", QByteArray("\"a\" = \"b\"\n\"c\" = \"d\";"));
        dataRow("unknown escape", QByteArray("\"a\" = \"\\q\";"));
        dataRow("invalid utf-8", QByteArray("\"a\" = \"\xff\xfe\xfd\";"));
    }

    void malformedFilesGiveNoDictionary()
    {
        QFETCH(QByteArray, bytes);
        QString error;
        QVERIFY(!StringsFile::parse(bytes, &error));
        QVERIFY(!error.isEmpty());
    }

    // Every text the screens look up must be in both shipped files, and French must be translated.
    void shippedResourcesHoldEveryKey()
    {
        QString error;
        const auto english = StringsFile::read(BREVAK_RESOURCES_DIR "/en.strings", &error);
        QVERIFY2(english, qPrintable(error));
        const auto french = StringsFile::read(BREVAK_RESOURCES_DIR "/fr.strings", &error);
        QVERIFY2(french, qPrintable(error));

        QCOMPARE(QSet<QString>(english->keyBegin(), english->keyEnd()),
            QSet<QString>(french->keyBegin(), french->keyEnd()));
        // English texts are their own keys, but for a key that says what is not so: the PIN has six digits.
        for (auto it = english->cbegin(); it != english->cend(); ++it) {
            QCOMPARE(it.value(), it.key() == "Assign 4 Digit Pin" ? "Assign a 6-digit PIN" : it.key());
        }
        for (const char* key : {"Ooops", "Network Not Reachable", "error Code :", "Requires admin privileges",
                 "Pin Protection", "Forever *", "terms", "privacy", "Blocker Is On!"}) {
            QVERIFY2(french->contains(key), key);
            QVERIFY2(french->value(key) != QLatin1String(key), key);
        }
    }
};

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_localization.moc"
