#include "PinCipher.h"

#include "PinStore.h"
#include "SettingStore.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

std::optional<PinCipher> PinCipher::fromKeyFile(const QString& path, QString& error)
{
    const QByteArray encodedPath = QFile::encodeName(path);
    // O_EXCL: two servers starting together on one data folder cannot both write a key.
    const int fd = ::open(encodedPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        unsigned char key[keySize];
        randombytes_buf(key, sizeof key);
        const bool written
            = ::write(fd, key, sizeof key) == static_cast<ssize_t>(sizeof key) && ::fsync(fd) == 0;
        ::close(fd);
        const QByteArray bytes(reinterpret_cast<const char*>(key), sizeof key);
        sodium_memzero(key, sizeof key);
        if (!written) {
            ::unlink(encodedPath.constData());
            error = QStringLiteral("cannot write the server key ") + path;
            return std::nullopt;
        }
        return PinCipher(bytes);
    }
    if (errno != EEXIST) {
        error = QStringLiteral("cannot create the server key ") + path + QStringLiteral(": ")
            + QString::fromLocal8Bit(strerror(errno));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the server key ") + path;
        return std::nullopt;
    }
    const QByteArray bytes = file.read(keySize + 1);
    if (bytes.size() != keySize) {
        error = QStringLiteral(
            "the server key %1 is damaged (%2 bytes instead of %3); restore it from a backup")
                    .arg(path)
                    .arg(bytes.size())
                    .arg(keySize);
        return std::nullopt;
    }
    if (QFileInfo(path).permissions()
        & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return PinCipher(bytes);
}

PinCipher::PinCipher(const QByteArray& key)
    : m_key(key)
{ }

PinCipher::PinCipher(PinCipher&& other) noexcept
    : m_key(std::move(other.m_key))
{ }

PinCipher& PinCipher::operator=(PinCipher&& other) noexcept
{
    if (this != &other) {
        if (!m_key.isEmpty())
            sodium_memzero(m_key.data(), static_cast<size_t>(m_key.size()));
        m_key = std::move(other.m_key);
    }
    return *this;
}

PinCipher::~PinCipher()
{
    if (!m_key.isEmpty())
        sodium_memzero(m_key.data(), static_cast<size_t>(m_key.size()));
}

namespace {

QByteArray plaintextFor(qint64 userId, const QString& pin)
{
    return QByteArray::number(userId) + ':' + pin.toUtf8();
}

} // namespace

QString PinCipher::seal(qint64 userId, const QString& pin) const
{
    const QByteArray message = plaintextFor(userId, pin);
    QByteArray out(
        crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES + message.size(), Qt::Uninitialized);
    auto* nonce = reinterpret_cast<unsigned char*>(out.data());
    randombytes_buf(nonce, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(nonce + crypto_secretbox_NONCEBYTES,
        reinterpret_cast<const unsigned char*>(message.constData()),
        static_cast<unsigned long long>(message.size()), nonce,
        reinterpret_cast<const unsigned char*>(m_key.constData()));
    return QString::fromLatin1(out.toBase64());
}

std::optional<QString> PinCipher::open(qint64 userId, const QString& sealed) const
{
    const QByteArray box = QByteArray::fromBase64(sealed.toLatin1());
    const qsizetype overhead = crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
    if (box.size() <= overhead)
        return std::nullopt;
    QByteArray message(box.size() - overhead, Qt::Uninitialized);
    const auto* nonce = reinterpret_cast<const unsigned char*>(box.constData());
    if (crypto_secretbox_open_easy(reinterpret_cast<unsigned char*>(message.data()),
            nonce + crypto_secretbox_NONCEBYTES,
            static_cast<unsigned long long>(box.size() - crypto_secretbox_NONCEBYTES), nonce,
            reinterpret_cast<const unsigned char*>(m_key.constData()))
        != 0)
        return std::nullopt;
    const QByteArray prefix = QByteArray::number(userId) + ':';
    if (!message.startsWith(prefix))
        return std::nullopt;
    return QString::fromUtf8(message.mid(prefix.size()));
}

QString PinCipher::checkValue() const
{
    static const QByteArray label = "brevak pin key check";
    unsigned char out[32];
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char*>(label.constData()),
        static_cast<unsigned long long>(label.size()),
        reinterpret_cast<const unsigned char*>(m_key.constData()), static_cast<size_t>(m_key.size()));
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(out), sizeof out).toHex());
}

std::optional<PinCipher> openPinKey(
    const QString& keyFile, SettingStore& settings, PinStore& pins, QString& error)
{
    static const QString checkName = QStringLiteral("pin_key_check");
    const std::optional<QString> known = settings.value(checkName);
    const std::optional<StoredPin> stored = pins.any();
    if (!QFileInfo::exists(keyFile) && (known || stored)) {
        error = QStringLiteral("the server key %1 is missing, yet the database holds PINs sealed with a key; "
                               "restore the key from a backup (a new key would make every stored PIN "
                               "useless)")
                    .arg(keyFile);
        return std::nullopt;
    }
    std::optional<PinCipher> cipher = PinCipher::fromKeyFile(keyFile, error);
    if (!cipher)
        return std::nullopt;
    const QString mismatch
        = QStringLiteral("the server key %1 is not the key of this database's PINs; use the "
                         "key they were sealed with (servers sharing a database share "
                         "their key)")
              .arg(keyFile);
    if (!known && stored && !cipher->open(stored->userId, stored->sealedPin)) {
        error = mismatch;
        return std::nullopt;
    }
    // Two servers starting together on a new database: the first check value stored wins.
    const QString check = known ? *known : settings.setIfAbsent(checkName, cipher->checkValue());
    if (check != cipher->checkValue()) {
        error = mismatch;
        return std::nullopt;
    }
    return cipher;
}

bool PinCipher::matches(const QString& pin, const QString& candidate)
{
    const QByteArray a = pin.toUtf8();
    const QByteArray b = candidate.toUtf8();
    // The length of a PIN is no secret (always six digits); the digits are compared in constant time.
    if (a.size() != b.size() || a.isEmpty())
        return false;
    return sodium_memcmp(a.constData(), b.constData(), static_cast<size_t>(a.size())) == 0;
}
