#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class PinStore;
class SettingStore;

// Keeps PINs encrypted (libsodium secret-box) with the server key, so that the database alone reveals
// none, yet the server can mail a PIN back after its waiting time. The sealed text names the account it
// belongs to: a sealed PIN copied onto another account does not open.
class PinCipher
{
public:
    static constexpr int keySize = 32;

    // Reads the key from the file, or creates the file (mode 0600) with a fresh random key when it does
    // not exist. Never replaces an existing file: every stored PIN depends on it.
    static std::optional<PinCipher> fromKeyFile(const QString& path, QString& error);
    explicit PinCipher(const QByteArray& key);
    ~PinCipher();
    PinCipher(PinCipher&& other) noexcept;
    PinCipher(const PinCipher&) = delete;
    PinCipher& operator=(const PinCipher&) = delete;
    PinCipher& operator=(PinCipher&& other) noexcept;

    QString seal(qint64 userId, const QString& pin) const; // base64 of nonce and box
    std::optional<QString> open(qint64 userId, const QString& sealed) const;

    // Whether the candidate is the PIN, compared in constant time.
    static bool matches(const QString& pin, const QString& candidate);

    // A value derived from the key that tells whether two keys are the same, without revealing it.
    QString checkValue() const;

private:
    QByteArray m_key;
};

// The key of a database's PINs: read from the key file, which must match the check value the database
// keeps (or, in a database from before check values, open its PINs). A new key is made only for a
// database that holds no PIN and knows no key yet; a missing or other key is refused with the reason in
// error, since every stored PIN depends on it.
std::optional<PinCipher> openPinKey(
    const QString& keyFile, SettingStore& settings, PinStore& pins, QString& error);
