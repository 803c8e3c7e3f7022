#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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

private:
    QByteArray m_key;
};
