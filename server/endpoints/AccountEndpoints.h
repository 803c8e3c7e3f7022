#pragma once

#include "ApiTypes.h"
#include "PinStore.h"
#include "ResetStore.h"
#include "SessionStore.h"
#include "UserStore.h"

class Clock;
class Database;
class DeviceRecorder;
class MailTransport;
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
    };

    AccountEndpoints(Database& db, const Clock& clock, PasswordHasher& hasher, const SocialVerifier& social,
        MailTransport& mail, DeviceRecorder& devices, Settings settings);
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

    UserStore m_users;
    SessionStore m_sessions;
    PinStore m_pins;
    ResetStore m_resets;
    const Clock& m_clock;
    PasswordHasher& m_hasher;
    const SocialVerifier& m_social;
    MailTransport& m_mail;
    DeviceRecorder& m_devices;
    Settings m_settings;
};
