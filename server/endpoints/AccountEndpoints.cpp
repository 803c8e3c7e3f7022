#include "AccountEndpoints.h"

#include "Clock.h"
#include "Database.h"
#include "DeviceRecorder.h"
#include "Diagnostics.h"
#include "FormData.h"
#include "Mail.h"
#include "PasswordHasher.h"
#include "Router.h"
#include "ServerRecords.h"
#include "SocialVerifier.h"
#include "Tokens.h"
#include "Validation.h"

#include <QJsonArray>

namespace {

const QString badCredentials = QStringLiteral("These credentials do not match our records.");
constexpr qint64 resetLinkLifetime = 60 * 60;

Mail resetMail(const UserRecord& user, const QString& link)
{
    return {user.email, QStringLiteral("Reset your BREVAK password"),
        QStringLiteral(
            "Hello,\n\nSomebody (we hope you) asked to reset the password of your BREVAK account.\n\n"
            "Choose a new password here within 60 minutes:\n")
            + link
            + QStringLiteral("\n\nThe link works once. Choosing a new password signs out every device "
                             "signed in to your account.\nIf you did not ask for this, ignore this mail; "
                             "your password stays as it is.\n\nBREVAK\n")};
}

} // namespace

AccountEndpoints::AccountEndpoints(Database& db, const Clock& clock, PasswordHasher& hasher,
    const SocialVerifier& social, BackgroundMailer& mail, DeviceRecorder& devices, Settings settings)
    : m_users(db)
    , m_sessions(db)
    , m_pins(db)
    , m_resets(db)
    , m_clock(clock)
    , m_hasher(hasher)
    , m_social(social)
    , m_mail(mail)
    , m_devices(devices)
    , m_settings(std::move(settings))
    , m_signInsByClient(m_settings.signInsPerMinute, 60)
    , m_failuresByAccount(failedSignInsPerQuarterHour, 15 * 60)
    , m_resetsByClient(m_settings.resetMailsPerHour, 3600)
    , m_resetsByAddress(resetMailsPerAddressPerHour, 3600)
{ }

void AccountEndpoints::addRoutes(Router& router)
{
    router.addEndpoint("signup", Router::Access::Anyone, *this, &AccountEndpoints::signup);
    router.addEndpoint("login", Router::Access::Anyone, *this, &AccountEndpoints::login);
    router.addEndpoint("forgot-password", Router::Access::Anyone, *this, &AccountEndpoints::forgotPassword);
    router.addEndpoint("update-profile", Router::Access::SignedIn, *this, &AccountEndpoints::updateProfile);
    router.addEndpoint("logout", Router::Access::SignedIn, *this, &AccountEndpoints::logout);
    router.addEndpoint("sync-url", Router::Access::SignedInOrApplication, *this, &AccountEndpoints::sync);
}

ApiResponse AccountEndpoints::signup(const Call& call)
{
    for (const char* name : {"email", "password", "device_name", "social_media"}) {
        if (!call.form.contains(QString::fromLatin1(name)))
            return Call::missingField(QString::fromLatin1(name));
    }
    if (call.form.valueOr(QStringLiteral("social_media")) != u"0")
        return answers::failure(422,
            QStringLiteral("Sign-up takes an e-mail address (social_media 0); Google and "
                           "Facebook accounts are made by signing in."));
    const QString email = call.form.valueOr(QStringLiteral("email"));
    const QString password = call.form.valueOr(QStringLiteral("password"));
    const QString deviceName = call.form.valueOr(QStringLiteral("device_name"));
    if (!validation::isEmailAddress(email))
        return answers::refusal(
            resultcode::invalid, QStringLiteral("The email must be a valid email address."));
    if (const std::optional<QString> refusal = validation::passwordRefusal(password))
        return answers::refusal(resultcode::invalid, *refusal);
    if (!validation::isAcceptableText(deviceName))
        return answers::refusal(resultcode::invalid,
            QStringLiteral("The device name must be at most %1 characters.").arg(validation::maxTextLength));
    if (const qint64 wait = m_signInsByClient.take(call.remoteAddress, m_clock.now()))
        return answers::tooManyRequests(QStringLiteral("Too many sign-ups from this network."), wait);
    const QString taken = QStringLiteral("The email has already been taken.");
    if (m_users.byEmail(email))
        return answers::refusal(resultcode::conflict, taken);

    NewUser user;
    user.email = email;
    user.passwordHash = m_hasher.hash(password, call.remoteAddress);
    user.deviceName = deviceName;
    user.socialMedia = SocialMedia::Email;
    user.profileId = QStringLiteral("0");
    const std::optional<UserRecord> created = m_users.create(user, m_clock.now());
    if (!created) // taken in the meantime by a sign-up that ran alongside
        return answers::refusal(resultcode::conflict, taken);
    return signedIn(call, *created, QStringLiteral("Your account has been created."));
}

ApiResponse AccountEndpoints::login(const Call& call)
{
    for (const char* name : {"email", "social_media"}) {
        if (!call.form.contains(QString::fromLatin1(name)))
            return Call::missingField(QString::fromLatin1(name));
    }
    const QString platformId = call.form.valueOr(QStringLiteral("platform_unique_id"));
    if (!validation::isAcceptableText(platformId))
        return answers::failure(
            422, QStringLiteral("The platform_unique_id field is not a device identifier."));
    if (const qint64 wait = m_signInsByClient.take(call.remoteAddress, m_clock.now()))
        return answers::tooManyRequests(QStringLiteral("Too many sign-in attempts from this network."), wait);
    const QString email = call.form.valueOr(QStringLiteral("email"));
    const QString socialMedia = call.form.valueOr(QStringLiteral("social_media"));
    if (socialMedia == u"0")
        return loginWithPassword(call, email);
    if (socialMedia == u"1")
        return loginWithProvider(call, SocialMedia::Facebook, email);
    if (socialMedia == u"2")
        return loginWithProvider(call, SocialMedia::Google, email);
    return answers::failure(422, QStringLiteral("The social_media field must be 0, 1 or 2."));
}

ApiResponse AccountEndpoints::loginWithPassword(const Call& call, const QString& email)
{
    const std::optional<QString> password = call.form.value(QStringLiteral("password"));
    if (!password)
        return Call::missingField(QStringLiteral("password"));
    // Counted by address whether or not it has an account, so the answer tells nothing about that.
    const QString account = emailKey(email);
    if (const qint64 wait = m_failuresByAccount.waitFor(account, m_clock.now()))
        return answers::tooManyRequests(QStringLiteral("Too many wrong passwords for this account."), wait);
    const std::optional<UserRecord> user = m_users.byEmail(email);
    bool right = false;
    if (!user || !user->passwordHash)
        m_hasher.verifyNothing(*password, call.remoteAddress);
    else
        right = m_hasher.verify(*user->passwordHash, *password, call.remoteAddress);
    if (!right) {
        m_failuresByAccount.count(account, m_clock.now());
        return answers::refusal(resultcode::badCredentials, badCredentials);
    }
    if (m_hasher.needsRehash(*user->passwordHash))
        m_users.setPasswordHash(user->id, m_hasher.hash(*password, call.remoteAddress), m_clock.now());
    return signedIn(call, *user, QStringLiteral("You are signed in."));
}

ApiResponse AccountEndpoints::loginWithProvider(const Call& call, SocialMedia provider, const QString& email)
{
    for (const char* name : {"token", "profile_id"}) {
        if (!call.form.contains(QString::fromLatin1(name)))
            return Call::missingField(QString::fromLatin1(name));
    }
    const QString providerName
        = provider == SocialMedia::Google ? QStringLiteral("Google") : QStringLiteral("Facebook");
    const SocialIdentity claimed {call.form.valueOr(QStringLiteral("profile_id")), email};
    const std::optional<SocialIdentity> identity
        = m_social.verify(provider == SocialMedia::Google ? SocialProvider::Google : SocialProvider::Facebook,
            call.form.valueOr(QStringLiteral("token")), claimed);
    if (!identity || identity->profileId != claimed.profileId)
        return answers::refusal(resultcode::badCredentials,
            QStringLiteral("Your %1 sign-in could not be confirmed. Please try again.").arg(providerName));
    // The provider's address is the one it vouches for; the one the application sent may differ.
    const QString address = identity->email;
    if (!validation::isEmailAddress(address))
        return answers::refusal(resultcode::invalid,
            QStringLiteral("Your %1 account has no confirmed e-mail address.").arg(providerName));

    std::optional<UserRecord> user = m_users.byEmail(address);
    if (!user) {
        const QString deviceName = call.form.valueOr(QStringLiteral("device_name"));
        if (!validation::isAcceptableText(deviceName) || !validation::isAcceptableText(identity->profileId))
            return answers::failure(422, QStringLiteral("The device_name or profile_id field is too long."));
        NewUser fresh;
        fresh.email = address;
        fresh.deviceName = deviceName;
        fresh.socialMedia = provider;
        fresh.profileId = identity->profileId;
        fresh.emailVerifiedAt = m_clock.now();
        user = m_users.create(fresh, m_clock.now());
        if (!user) // made in the meantime by a sign-in that ran alongside
            user = m_users.byEmail(address);
        if (!user)
            throw StorageError("an account vanished while signing in");
    } else {
        // The provider has just confirmed that this person owns the address: whoever registered it
        // with a password before, unverified, loses that password and every session.
        if (m_users.confirmAddress(user->id, m_clock.now()))
            diagnostics::printLine(
                QStringLiteral("account %1: address confirmed by %2, password and sessions revoked")
                    .arg(user->id)
                    .arg(providerName));
        user = m_users.byId(user->id);
    }
    return signedIn(call, *user, QStringLiteral("You are signed in."));
}

ApiResponse AccountEndpoints::signedIn(const Call& call, const UserRecord& user, const QString& message)
{
    const qint64 now = m_clock.now();
    const tokens::Issued session = tokens::issue();
    m_sessions.open(user.id, session.digest, now, m_settings.sessionLifetimeSeconds);
    recordDevice(call, user.id);
    return answers::success(message, records::auth(user, session.token, m_pins.ofUser(user.id), now));
}

void AccountEndpoints::recordDevice(const Call& call, qint64 userId)
{
    const qint64 now = m_clock.now();
    // The address the user's computer reaches us from is the one its DNS queries come from: the
    // resolver enforces the user's blacklist there.
    m_devices.addressSeen(userId, call.remoteAddress, now);
    const QString platformId = call.form.valueOr(QStringLiteral("platform_unique_id"));
    if (!platformId.isEmpty())
        m_devices.deviceSeen({userId, platformId, call.remoteAddress, now});
}

ApiResponse AccountEndpoints::forgotPassword(const Call& call)
{
    const std::optional<QString> email = call.form.value(QStringLiteral("email"));
    if (!email)
        return Call::missingField(QStringLiteral("email"));
    if (!validation::isEmailAddress(*email))
        return answers::refusal(resultcode::invalid, QStringLiteral("Please enter a valid email address."));
    const qint64 now = m_clock.now();
    if (const qint64 wait = m_resetsByClient.take(call.remoteAddress, now))
        return answers::tooManyRequests(QStringLiteral("Too many reset requests from this network."), wait);
    if (const qint64 wait = m_resetsByAddress.take(emailKey(*email), now))
        return answers::tooManyRequests(QStringLiteral("Too many reset requests for this address."), wait);
    // The same answer, in the same time, whether or not the address has an account, so nobody can find
    // out who uses BREVAK: the account is looked up and the link made in the background.
    m_mail.later([this, address = *email] { return resetMailFor(address); });
    return answers::success(QStringLiteral(
        "If an account exists for this address, we have sent it a link to reset the password."));
}

std::optional<Mail> AccountEndpoints::resetMailFor(const QString& email)
{
    const std::optional<UserRecord> user = m_users.byEmail(email);
    if (!user)
        return std::nullopt;
    const tokens::Issued link = tokens::issue();
    m_resets.open(user->id, link.digest, m_clock.now(), resetLinkLifetime);
    return resetMail(*user, m_settings.publicUrl + QStringLiteral("/password/reset?token=") + link.token);
}

ApiResponse AccountEndpoints::updateProfile(const Call& call)
{
    for (const char* name : {"name", "device_name", "password"}) {
        if (!call.form.contains(QString::fromLatin1(name)))
            return Call::missingField(QString::fromLatin1(name));
    }
    const QString name = call.form.valueOr(QStringLiteral("name"));
    const QString deviceName = call.form.valueOr(QStringLiteral("device_name"));
    const QString password = call.form.valueOr(QStringLiteral("password"));
    const std::optional<UserRecord> current = m_users.byId(call.userId());
    if (!current)
        throw StorageError("the signed-in account is missing");
    // A refusal still carries the unchanged account: the application replaces its copy with whatever
    // the answer holds.
    const QJsonObject unchanged = records::user(*current);
    if (!validation::isAcceptableText(name) || !validation::isAcceptableText(deviceName))
        return answers::refusal(resultcode::invalid,
            QStringLiteral("Names must be at most %1 characters.").arg(validation::maxTextLength), unchanged);
    const std::optional<QString> badPassword
        = password.isEmpty() ? std::nullopt : validation::passwordRefusal(password);
    if (badPassword)
        return answers::refusal(resultcode::invalid, *badPassword, unchanged);

    const qint64 now = m_clock.now();
    m_users.updateProfile(
        call.userId(), name.isEmpty() ? std::nullopt : std::optional<QString>(name), deviceName, now);
    if (!password.isEmpty()) {
        // An empty password means "keep it"; a new one signs out every other device.
        m_users.setPasswordHash(call.userId(), m_hasher.hash(password, call.remoteAddress), now);
        m_sessions.revokeAllOf(call.userId(), now, call.session->id);
    }
    return answers::success(
        QStringLiteral("Your profile has been updated."), records::user(*m_users.byId(call.userId())));
}

ApiResponse AccountEndpoints::logout(const Call& call)
{
    m_sessions.revoke(call.session->id, m_clock.now());
    return answers::success(QStringLiteral("You are signed out."), QJsonArray());
}

ApiResponse AccountEndpoints::sync(const Call& call)
{
    const QString platformId = call.form.valueOr(QStringLiteral("platform_unique_id"));
    if (!validation::isAcceptableText(platformId))
        return answers::failure(
            422, QStringLiteral("The platform_unique_id field is not a device identifier."));
    const qint64 now = m_clock.now();
    recordDevice(call, call.userId());
    return answers::success(
        QStringLiteral("Account status."), records::sync(m_pins.ofUser(call.userId()), now));
}
