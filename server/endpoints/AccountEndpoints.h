#pragma once

#include "ApiTypes.h"
#include "Mail.h"
#include "PinStore.h"
#include "ResetStore.h"
#include "SessionStore.h"
#include "Throttle.h"
#include "UserStore.h"

class Clock;
class Database;
class DeviceRecorder;
class BackgroundMailer;
class Router;
class PasswordHasher;
class SocialVerifier;

// Accounts and sessions: sign-up, sign-in (password, Google, Facebook), the reset mail, the profile,
// sign-out, and the status synchronisation that tells the application whether the account has a PIN.
class AccountEndpoints
{
public:
    struct Settings
    {
        qint64 sessionLifetimeSeconds = 90 * 86400;
        QString publicUrl; // where the reset page is reached
        int signInsPerMinute = 20; // sign-ins and sign-ups from one client address
        int resetMailsPerHour = 10; // reset mails asked for from one client address
    };
    // Wrong passwords for one account, and reset mails to one address, that are let through.
    static constexpr int failedSignInsPerQuarterHour = 10;
    static constexpr int resetMailsPerAddressPerHour = 3;

    AccountEndpoints(Database& db, const Clock& clock, PasswordHasher& hasher, const SocialVerifier& social,
        BackgroundMailer& mail, DeviceRecorder& devices, Settings settings);
    void addRoutes(Router& router);

    ApiResponse signup(const Call& call);
    ApiResponse login(const Call& call);
    ApiResponse forgotPassword(const Call& call);
    ApiResponse updateProfile(const Call& call);
    ApiResponse logout(const Call& call);
    ApiResponse sync(const Call& call);

private:
    ApiResponse loginWithPassword(const Call& call, const QString& email);
    ApiResponse loginWithProvider(const Call& call, SocialMedia provider, const QString& email);
    ApiResponse signedIn(const Call& call, const UserRecord& user, const QString& message);
    void recordDevice(const Call& call, qint64 userId);
    std::optional<Mail> resetMailFor(const QString& email);

    UserStore m_users;
    SessionStore m_sessions;
    PinStore m_pins;
    ResetStore m_resets;
    const Clock& m_clock;
    PasswordHasher& m_hasher;
    const SocialVerifier& m_social;
    BackgroundMailer& m_mail;
    DeviceRecorder& m_devices;
    Settings m_settings;
    Throttle m_signInsByClient;
    Throttle m_failuresByAccount;
    Throttle m_resetsByClient;
    Throttle m_resetsByAddress;
};
