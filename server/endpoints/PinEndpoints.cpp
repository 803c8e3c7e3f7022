#include "PinEndpoints.h"

#include "Clock.h"
#include "Database.h"
#include "FormData.h"
#include "PinCipher.h"
#include "Router.h"
#include "ServerRecords.h"
#include "Validation.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

// The application compares these two texts to count its tries; they are sent exactly so.
const QString wrongPin = QStringLiteral("Please enter a valid otp.");
const QString blockedPin = QStringLiteral("Your pin has been bloked.");

const QString noPin = QStringLiteral("No pin is set for this account.");
const QString notSixDigits = QStringLiteral("Please enter a 6 digit pin.");

QString dueText(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"))
        + QStringLiteral(" UTC");
}

} // namespace

PinLock::PinLock(Database& db, const Clock& clock)
    : m_pins(db)
    , m_clock(clock)
{ }

bool PinLock::allows(const SessionRecord& session)
{
    if (!m_pins.ofUser(session.userId))
        return true;
    const qint64 now = m_clock.now();
    return session.pinVerifiedAt && *session.pinVerifiedAt <= now
        && now - *session.pinVerifiedAt <= confirmationSeconds;
}

PinEndpoints::PinEndpoints(
    Database& db, const Clock& clock, const PinCipher& cipher, PinLock& lock, int blockMinutes)
    : m_users(db)
    , m_sessions(db)
    , m_pins(db)
    , m_retrievals(db)
    , m_clock(clock)
    , m_cipher(cipher)
    , m_lock(lock)
    , m_blockSeconds(static_cast<qint64>(blockMinutes) * 60)
{ }

void PinEndpoints::addRoutes(Router& router)
{
    router.addEndpoint("setupPin", Router::Access::SignedIn, *this, &PinEndpoints::setupPin);
    router.addEndpoint("checkPin", Router::Access::SignedIn, *this, &PinEndpoints::checkPin);
    router.addEndpoint("retrievePin", Router::Access::SignedIn, *this, &PinEndpoints::retrievePin);
    router.addEndpoint("updatePin", Router::Access::SignedIn, *this, &PinEndpoints::updatePin);
    router.addEndpoint("removepin", Router::Access::SignedIn, *this, &PinEndpoints::removePin);
}

ApiResponse PinEndpoints::setupPin(const Call& call)
{
    for (const char* name : {"time", "pin"}) {
        if (!call.form.contains(QString::fromLatin1(name)))
            return Call::missingField(QString::fromLatin1(name));
    }
    const std::optional<int> hours = validation::waitingHours(call.form.valueOr(QStringLiteral("time")));
    if (!hours)
        return answers::refusal(resultcode::invalid,
            QStringLiteral("Please choose a waiting time of 12, 24 or 48 hours, or forever."));
    const QString pin = call.form.valueOr(QStringLiteral("pin"));
    if (!validation::isSixDigitPin(pin))
        return answers::refusal(resultcode::invalid, notSixDigits);
    const qint64 now = m_clock.now();
    // An existing PIN is only replaced through updatePin, which asks for it: setting a new one over it
    // would undo the protection without knowing the PIN.
    const std::optional<StoredPin> created
        = m_pins.create(call.userId(), m_cipher.seal(call.userId(), pin), *hours, now);
    if (!created)
        return answers::refusal(
            resultcode::conflict, QStringLiteral("A pin is already set for this account."));
    m_sessions.forgetPinVerifications(call.userId());
    m_retrievals.cancelAllOf(call.userId(), now);
    return answers::success(
        QStringLiteral("Your pin has been set."), records::pin(records::PinAnswer::Setup, *created, now));
}

std::variant<StoredPin, ApiResponse> PinEndpoints::startAttempt(
    qint64 userId, qint64 now, records::PinAnswer answer)
{
    if (std::optional<StoredPin> attempt = m_pins.startAttempt(userId, now, allowedAttempts))
        return *attempt;
    std::optional<StoredPin> pin = m_pins.ofUser(userId);
    if (!pin)
        return answers::refusal(resultcode::notFound, noPin);
    // Blocked, or every allowed try is being checked right now: either way no try is left.
    if (!pin->isBlocked(now))
        pin->blockedUntil = now + 1;
    return answers::refusal(resultcode::locked, blockedPin, records::pin(answer, *pin, now));
}

bool PinEndpoints::isThePin(const StoredPin& pin, const QString& candidate) const
{
    const std::optional<QString> clear = m_cipher.open(pin.userId, pin.sealedPin);
    if (!clear)
        throw StorageError("a stored pin does not open with this server key");
    return PinCipher::matches(*clear, candidate);
}

void PinEndpoints::countFailure(StoredPin& attempt, qint64 now)
{
    if (attempt.failedAttempts < allowedAttempts)
        return;
    attempt.blockedUntil = now + m_blockSeconds;
    m_pins.block(attempt.id, *attempt.blockedUntil, now);
}

ApiResponse PinEndpoints::checkPin(const Call& call)
{
    if (std::optional<ApiResponse> refused = validation::refuseForeignUserId(call))
        return *refused;
    const std::optional<QString> candidate = call.form.value(QStringLiteral("pin"));
    if (!candidate)
        return Call::missingField(QStringLiteral("pin"));
    // The application's "attempt" is not used: the server counts the tries itself.
    const qint64 now = m_clock.now();
    auto started = startAttempt(call.userId(), now, records::PinAnswer::Check);
    if (auto* refusal = std::get_if<ApiResponse>(&started))
        return *refusal;
    StoredPin attempt = std::get<StoredPin>(started);
    if (!isThePin(attempt, *candidate)) {
        countFailure(attempt, now);
        return answers::refusal(
            resultcode::invalid, wrongPin, records::pin(records::PinAnswer::Check, attempt, now));
    }
    m_pins.clearAttempts(attempt.id);
    m_sessions.markPinVerified(call.session->id, now);
    attempt.failedAttempts = 0;
    return answers::success(
        QStringLiteral("Your pin is correct."), records::pin(records::PinAnswer::Check, attempt, now));
}

ApiResponse PinEndpoints::retrievePin(const Call& call)
{
    if (std::optional<ApiResponse> refused = validation::refuseForeignUserId(call))
        return *refused;
    const std::optional<StoredPin> pin = m_pins.ofUser(call.userId());
    if (!pin)
        return answers::refusal(resultcode::notFound, noPin);
    const qint64 now = m_clock.now();
    const QJsonObject record
        = records::pin(records::PinAnswer::Retrieve, *pin, now, m_users.byId(call.userId()));
    if (pin->timeHours == validation::foreverHours)
        return answers::success(
            QStringLiteral("You chose never to get your pin back by e-mail. Only a therapist on "
                           "the live chat can help you now."),
            record);
    const std::optional<RetrievalRecord> pending = m_retrievals.pending(call.userId());
    if (pending && pending->pinId == pin->id && pending->dueAt)
        return answers::success(
            QStringLiteral("Your request is already registered. Your pin will be e-mailed to "
                           "you on %1.")
                .arg(dueText(*pending->dueAt)),
            record);
    m_retrievals.cancelAllOf(call.userId(), now);
    const RetrievalRecord request
        = m_retrievals.request(call.userId(), pin->id, now, now + pin->timeHours * qint64(3600));
    return answers::success(
        QStringLiteral("Your request has been registered. Your pin will be e-mailed to you in %1 "
                       "hours, on %2.")
            .arg(pin->timeHours)
            .arg(dueText(*request.dueAt)),
        record);
}

ApiResponse PinEndpoints::updatePin(const Call& call)
{
    for (const char* name : {"old_pin", "pin"}) {
        if (!call.form.contains(QString::fromLatin1(name)))
            return Call::missingField(QString::fromLatin1(name));
    }
    const QString newPin = call.form.valueOr(QStringLiteral("pin"));
    if (!validation::isSixDigitPin(newPin))
        return answers::refusal(resultcode::invalid, notSixDigits);
    const qint64 now = m_clock.now();
    auto started = startAttempt(call.userId(), now, records::PinAnswer::Update);
    if (auto* refusal = std::get_if<ApiResponse>(&started))
        return *refusal;
    StoredPin attempt = std::get<StoredPin>(started);
    if (!isThePin(attempt, call.form.valueOr(QStringLiteral("old_pin")))) {
        countFailure(attempt, now);
        return answers::refusal(resultcode::invalid, QStringLiteral("Your old pin is not correct."),
            records::pin(records::PinAnswer::Update, attempt, now));
    }
    m_pins.replace(attempt.id, m_cipher.seal(call.userId(), newPin), now);
    // A retrieval asked for before the change would mail a PIN the user no longer asked for.
    m_retrievals.cancelAllOf(call.userId(), now);
    attempt.failedAttempts = 0;
    attempt.updatedAt = now;
    return answers::success(
        QStringLiteral("Your pin has been changed."), records::pin(records::PinAnswer::Update, attempt, now));
}

ApiResponse PinEndpoints::removePin(const Call& call)
{
    if (!m_pins.ofUser(call.userId()))
        return answers::success(QStringLiteral("Pin protection is off."), QJsonArray());
    if (!m_lock.allows(*call.session))
        return answers::refusal(
            resultcode::verifyPinFirst, QStringLiteral("Please verify your pin first."), QJsonArray());
    const qint64 now = m_clock.now();
    m_pins.remove(call.userId());
    m_retrievals.cancelAllOf(call.userId(), now);
    m_sessions.forgetPinVerifications(call.userId());
    return answers::success(QStringLiteral("Your pin has been removed."), QJsonArray());
}
