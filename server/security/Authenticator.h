#pragma once

#include "SessionStore.h"

#include <QByteArray>

class Clock;
class Database;

// Who sent a request, from its "Authorization: Bearer ..." header.
struct Identity
{
    enum class Kind {
        Missing, // no bearer token at all
        Unknown, // a bearer token this server never issued, or no longer knows
        Application, // the application's built-in token: nobody is signed in
        Ended, // a session of ours that was signed out or expired
        SignedIn, // a live session
    };
    Kind kind = Kind::Missing;
    std::optional<SessionRecord> session; // for Ended and SignedIn
};

class Authenticator
{
public:
    Authenticator(
        Database& db, const Clock& clock, const QString& defaultToken, qint64 sessionLifetimeSeconds);
    Identity identify(const QByteArray& authorizationHeader);

    // A session in use lives on: its end moves to a full lifetime after its last use. Written at most
    // once an hour per session, so that frequent requests do not turn into frequent writes.
    void keepAlive(const SessionRecord& session);

private:
    SessionStore m_sessions;
    const Clock& m_clock;
    QString m_defaultTokenDigest;
    qint64 m_sessionLifetime;
};
