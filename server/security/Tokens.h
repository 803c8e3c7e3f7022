#pragma once

#include <QByteArray>
#include <QString>

// Bearer tokens and reset-link tokens: 256 random bits, handed out once as 64 hex characters and kept
// only as their SHA-256 digest, so a copy of the database opens no session.
namespace tokens {

// Must be called once before any other function here (it starts libsodium); false when it cannot start.
bool initialise();

QString generate();
QString digest(const QByteArray& token); // hex SHA-256

// A fresh token with the digest under which it is stored.
struct Issued
{
    QString token;
    QString digest;
};
Issued issue();

// Compares two digests in time that does not depend on where they differ.
bool sameDigest(const QString& a, const QString& b);

} // namespace tokens
