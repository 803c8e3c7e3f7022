#include "PasswordHasher.h"
#include "PinCipher.h"
#include "Tokens.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

// The secrets of the server: the PIN key and sealed PINs, session tokens, password hashes.
class TestServerCrypto : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(tokens::initialise()); }

    void keyFileIsCreatedPrivateAndReused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("server.key");
        QString error;
        std::optional<PinCipher> first = PinCipher::fromKeyFile(path, error);
        QVERIFY2(first, qPrintable(error));
        QCOMPARE(QFileInfo(path).size(), 32);
        QCOMPARE(QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
            QFile::ReadOwner | QFile::WriteOwner);
        const QString sealed = first->seal(7, "123456");

        std::optional<PinCipher> again = PinCipher::fromKeyFile(path, error);
        QVERIFY2(again, qPrintable(error));
        QCOMPARE(again->open(7, sealed), std::optional<QString>("123456"));
    }

    void damagedKeyFileIsNeverReplaced()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("server.key");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("too short");
        file.close();
        QString error;
        QVERIFY(!PinCipher::fromKeyFile(path, error));
        QVERIFY(error.contains("damaged"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("too short"));
    }

    void sealedPinOpensOnlyForItsAccountAndKey()
    {
        const PinCipher cipher(QByteArray(32, 'k'));
        const QString sealed = cipher.seal(42, "654321");
        QVERIFY(!sealed.contains("654321"));
        QCOMPARE(cipher.open(42, sealed), std::optional<QString>("654321"));
        QCOMPARE(cipher.open(4, sealed), std::nullopt); // copied onto another account
        QCOMPARE(cipher.open(420, sealed), std::nullopt);
        QCOMPARE(PinCipher(QByteArray(32, 'x')).open(42, sealed), std::nullopt);
        QByteArray box = QByteArray::fromBase64(sealed.toLatin1());
        box[box.size() - 1] = static_cast<char>(box[box.size() - 1] ^ 1);
        QCOMPARE(cipher.open(42, QString::fromLatin1(box.toBase64())), std::nullopt);
        QCOMPARE(cipher.open(42, "not base64 at all"), std::nullopt);
        // A fresh nonce every time: equal PINs do not look equal in the database.
        QVERIFY(cipher.seal(42, "654321") != sealed);
    }

    void pinComparison()
    {
        QVERIFY(PinCipher::matches("123456", "123456"));
        QVERIFY(!PinCipher::matches("123456", "123457"));
        QVERIFY(!PinCipher::matches("123456", "12345"));
    }

    void tokensAreStoredAsDigests()
    {
        const QString token = tokens::generate();
        const QString digest = tokens::digest(token.toLatin1());
        QCOMPARE(digest.size(), 64);
        QVERIFY(digest != token);
        QVERIFY(tokens::sameDigest(digest, tokens::digest(token.toLatin1())));
        QVERIFY(!tokens::sameDigest(digest, tokens::digest(tokens::generate().toLatin1())));
        QVERIFY(!tokens::sameDigest(digest, digest.left(63)));
    }

    void passwordHashes()
    {
        PasswordHasher hasher(HashStrength::fastest(), 1);
        const QString hash = hasher.hash("correct horse");
        QVERIFY(hash.startsWith("$argon2id$"));
        QVERIFY(hasher.verify(hash, "correct horse"));
        QVERIFY(!hasher.verify(hash, "correct horse "));
        QVERIFY(!hasher.verify("not a hash", "correct horse"));
        QVERIFY(hasher.hash("correct horse") != hash); // salted
        QVERIFY(!hasher.needsRehash(hash));
        // A hash made with the cheap setting is upgraded once the secure one is in force.
        PasswordHasher secure(HashStrength::interactive(), 1);
        QVERIFY(secure.needsRehash(hash));
    }

    void refusesWorkBeyondItsQueue()
    {
        // One thread and room for two waiting jobs; sixteen sign-ins at once with the real cost (tens of
        // milliseconds each) cannot all wait, and the ones that cannot are told so at once.
        PasswordHasher hasher(HashStrength::interactive(), 1, 2);
        std::atomic<int> busy = 0;
        std::atomic<int> hashed = 0;
        std::vector<std::thread> callers;
        for (int i = 0; i < 16; ++i) {
            callers.emplace_back([&] {
                try {
                    if (!hasher.hash("pw").isEmpty())
                        ++hashed;
                } catch (const ServerBusy&) {
                    ++busy;
                }
            });
        }
        for (std::thread& caller : callers)
            caller.join();
        QCOMPARE(hashed + busy, 16);
        QVERIFY(hashed >= 1);
        QVERIFY(busy >= 1);
    }
};

QTEST_GUILESS_MAIN(TestServerCrypto)
#include "tst_servercrypto.moc"
