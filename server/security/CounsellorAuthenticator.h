#pragma once

#include "CounsellorSessionStore.h"
#include "CounsellorStore.h"
#include "Throttle.h"

#include <QByteArray>

class Clock;
class Database;
class PasswordHasher;

// The console's own sign-in: counsellors' passwords (hashed as the users' are, by the same hasher) and
// sessions of their own, carried in a cookie. A user's bearer token opens nothing here: counsellor
// tokens live in another table. Wrong passwords are limited per account and sign-ins per client address.
class CounsellorAuthenticator
{
public:
    struct Settings
    {
        qint64 sessionLifetimeSeconds = 12 * 3600; // ends after this long without use
        int signInsPerMinute = 20; // per client address
    };
    // Seen at the console within this time: online for the users.
    static constexpr qint64 presenceSeconds = 60;

    CounsellorAuthenticator(Database& db, const Clock& clock, PasswordHasher& hasher, Settings settings);

    struct Identity
    {
        CounsellorSession session;
        CounsellorRecord counsellor;
    };
    struct SignIn
    {
        std::optional<Identity> identity; // with `token`, when the password was right
        QString token;
        qint64 retryAfterSeconds = 0; // refused unread: too many tries
    };
    SignIn signIn(const QString& email, const QString& password, const QString& client);
    // The live session of a counsellor still in office behind this token; using it keeps the session and
    // the counsellor's presence alive.
    std::optional<Identity> identify(const QByteArray& token);
    void signOut(const CounsellorSession& session);
    bool anyoneOnline();

private:
    CounsellorStore m_counsellors;
    CounsellorSessionStore m_sessions;
    const Clock& m_clock;
    PasswordHasher& m_hasher;
    Settings m_settings;
    Throttle m_signInsByClient;
    Throttle m_failuresByAccount;
};
