#include "DataRow.h"
#include "StringsFile.h"

#include <QSet>
#include <QStringEncoder>
#include <QTest>

class TestStringsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wellFormedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<StringsFile::Dictionary>("expected");
        dataRow("comments only", QByteArray("/* nothing */\n// here\n"), StringsFile::Dictionary {});
        dataRow("entries and comments",
            QByteArray("/* Title */\n\"Ooops\" = \"Oups\"; // after\n\"OR\"=\"OU\";"),
            StringsFile::Dictionary {{"Ooops", "Oups"}, {"OR", "OU"}});
        // Escaped rather than raw: moc misreads raw strings with backslashes.
        dataRow("escapes", QByteArray("\"a\\\"b\" = \"line\\none\\ttab \\\\ \\U00e9\";"),
            StringsFile::Dictionary {{"a\"b", QString::fromUtf8("line\none\ttab \\ é")}});
        dataRow("bare words", QByteArray("key = value;"), StringsFile::Dictionary {{"key", "value"}});
        dataRow("utf-8 text", QByteArray("\"Don’t\" = \"N’est-ce pas\";"),
            StringsFile::Dictionary {{QString::fromUtf8("Don’t"), QString::fromUtf8("N’est-ce pas")}});
        QStringEncoder toUtf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        dataRow("utf-16 with byte order mark", QByteArray(toUtf16(QStringLiteral("\"Add\" = \"Ajouter\";"))),
            StringsFile::Dictionary {{"Add", "Ajouter"}});
        dataRow("last of two wins", QByteArray("\"a\" = \"1\";\n\"a\" = \"2\";"),
            StringsFile::Dictionary {{"a", "2"}});
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
        dataRow("unterminated string", QByteArray("\"a\" = \"b;"));
        dataRow("unterminated comment", QByteArray("\"a\" = \"b\"; /* open"));
        dataRow("unknown escape", QByteArray("\"a\" = \"\\q\";"));
        dataRow("key without value", QByteArray("\"a\";"));
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
        for (auto it = english->cbegin(); it != english->cend(); ++it) {
            QCOMPARE(it.value(), it.key());
        }
        for (const char* key : {"Ooops", "Network Not Reachable", "error Code :", "Requires admin privileges",
                 "Pin Protection", "Forever *", "terms", "privacy", "Blocker Is On!"}) {
            QVERIFY2(french->contains(key), key);
            QVERIFY2(french->value(key) != QLatin1String(key), key);
        }
    }
};

QTEST_GUILESS_MAIN(TestStringsFile)
#include "tst_stringsfile.moc"
