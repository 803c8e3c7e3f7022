#pragma once

#include "ApiTypes.h"
#include "PinStore.h"
#include "RetrievalStore.h"
#include "ServerRecords.h"
#include "SessionStore.h"
#include "UserStore.h"

#include <variant>

class Clock;
class Database;
class PinCipher;
class Router;

// Whether the account's PIN lets a weakening action through: always without a PIN, otherwise only when
// the same session confirmed the PIN a short while ago.
class PinLock
{
public:
    static constexpr qint64 confirmationSeconds = 5 * 60;

    PinLock(Database& db, const Clock& clock);
    bool allows(const SessionRecord& session);

private:
    PinStore m_pins;
    const Clock& m_clock;
};

// The PIN of an account: setting it with its waiting time, checking it (the server counts the wrong
// tries and blocks the PIN after three), changing it, removing it, and asking for it by mail.
class PinEndpoints
{
public:
    static constexpr int allowedAttempts = 3;

    PinEndpoints(Database& db, const Clock& clock, const PinCipher& cipher, PinLock& lock, int blockMinutes);
    void addRoutes(Router& router);

    ApiResponse setupPin(const Call& call);
    ApiResponse checkPin(const Call& call);
    ApiResponse retrievePin(const Call& call);
    ApiResponse updatePin(const Call& call);
    ApiResponse removePin(const Call& call);

private:
    // Starts a counted try; the answer to send instead when the account has no PIN or it is blocked,
    // with the PIN record in the shape of the endpoint that asked.
    std::variant<StoredPin, ApiResponse> startAttempt(qint64 userId, qint64 now, records::PinAnswer answer);
    bool isThePin(const StoredPin& pin, const QString& candidate) const;
    // Blocks the PIN (and says so in the record) when this wrong try was the last one allowed.
    void countFailure(StoredPin& attempt, qint64 now);

    UserStore m_users;
    SessionStore m_sessions;
    PinStore m_pins;
    RetrievalStore m_retrievals;
    const Clock& m_clock;
    const PinCipher& m_cipher;
    PinLock& m_lock;
    qint64 m_blockSeconds;
};
