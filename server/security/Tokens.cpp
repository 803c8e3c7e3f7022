#include "Tokens.h"

#include <sodium.h>

namespace tokens {

bool initialise()
{
    return sodium_init() >= 0;
}

QString generate()
{
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    const QString token
        = QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes).toHex());
    sodium_memzero(bytes, sizeof bytes);
    return token;
}

QString digest(const QByteArray& token)
{
    unsigned char out[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(out, reinterpret_cast<const unsigned char*>(token.constData()),
        static_cast<unsigned long long>(token.size()));
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(out), sizeof out).toHex());
}

Issued issue()
{
    Issued issued;
    issued.token = generate();
    issued.digest = digest(issued.token.toLatin1());
    return issued;
}

bool sameDigest(const QString& a, const QString& b)
{
    const QByteArray left = a.toLatin1();
    const QByteArray right = b.toLatin1();
    if (left.size() != right.size())
        return false;
    return sodium_memcmp(left.constData(), right.constData(), static_cast<size_t>(left.size())) == 0;
}

} // namespace tokens
