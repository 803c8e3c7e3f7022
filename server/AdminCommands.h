#pragma once

#include <QString>

class Clock;
class Database;
class MailTransport;
class PinCipher;
struct HashStrength;

// The support commands ("brevak-server admin ..."), for people the application cannot help: the
// forever choice, a PIN blocked at the wrong moment. They work on the same database and key as the
// server and print their result; the return value is the process exit status.
namespace admin {

int listUsers(Database& db, const Clock& clock);
int revealPin(Database& db, const PinCipher& cipher, const QString& email);
int unblockPin(Database& db, const Clock& clock, const QString& email);
int sendDueMail(Database& db, const Clock& clock, const PinCipher& cipher, MailTransport& transport);

// Counsellors of the live chat's console.
int addCounsellor(Database& db, const Clock& clock, const HashStrength& strength, const QString& name,
    const QString& email, const QString& password);
int removeCounsellor(Database& db, const Clock& clock, const QString& email);
int listCounsellors(Database& db);

} // namespace admin
