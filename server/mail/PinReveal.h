#pragma once

#include "UserStore.h"

#include <QString>

#include <variant>

class Database;
class MailTransport;
class PinCipher;

// Support's way to an account's PIN when its owner cannot get it back otherwise (the forever choice):
// the operator reads it (brevak-server admin reveal-pin), or a counsellor who checked the person's
// identity on the live chat has it mailed to the account's own address.
class PinReveal
{
public:
    PinReveal(Database& db, const PinCipher& cipher);

    struct Opened
    {
        UserRecord user;
        QString pin;
    };
    // The PIN in clear, or why it cannot be had (for the operator or the counsellor).
    std::variant<Opened, QString> open(const QString& email);
    std::variant<Opened, QString> open(qint64 userId);

    // The mail that gives the owner the PIN, at the account's address.
    static bool mail(const Opened& opened, MailTransport& transport, QString& error);

private:
    std::variant<Opened, QString> open(const std::optional<UserRecord>& user, const QString& who);

    Database& m_db;
    const PinCipher& m_cipher;
};
