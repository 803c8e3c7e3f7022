#include "DueMailSender.h"

#include "Clock.h"
#include "Database.h"
#include "Diagnostics.h"
#include "Mail.h"
#include "PinCipher.h"
#include "PinStore.h"
#include "RetrievalStore.h"
#include "UserStore.h"

namespace {

Mail pinMail(const UserRecord& user, const QString& pin)
{
    const QString greeting = user.name && !user.name->isEmpty() ? QStringLiteral("Hello %1,").arg(*user.name)
                                                                : QStringLiteral("Hello,");
    return {user.email, QStringLiteral("Your BREVAK pin code"),
        greeting
            + QStringLiteral("\n\nYou asked for your BREVAK pin code, and the waiting time you chose has "
                             "passed.\n\nYour pin code is: ")
            + pin
            + QStringLiteral("\n\nIf you did not ask for it, you can ignore this mail; your pin stays as it "
                             "is.\n\nBREVAK\n")};
}

} // namespace

DueMailSender::DueMailSender(
    Database& db, const Clock& clock, const PinCipher& cipher, MailTransport& transport)
    : m_db(db)
    , m_clock(clock)
    , m_cipher(cipher)
    , m_transport(transport)
{ }

DueMailSender::~DueMailSender()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

int DueMailSender::sendDue()
{
    RetrievalStore retrievals(m_db);
    PinStore pins(m_db);
    UserStore users(m_db);
    int sent = 0;
    const qint64 now = m_clock.now();
    for (const RetrievalRecord& request : retrievals.due(now)) {
        if (!retrievals.claim(request.id, now))
            continue;
        const std::optional<StoredPin> pin = pins.ofUser(request.userId);
        const std::optional<UserRecord> user = users.byId(request.userId);
        const std::optional<QString> clear
            = pin && pin->id == request.pinId ? m_cipher.open(pin->userId, pin->sealedPin) : std::nullopt;
        if (!user || !clear) {
            // The PIN changed or went away since the request; there is nothing right to send.
            diagnostics::printLine(
                QStringLiteral("pin mail %1 dropped: the pin it was asked for no longer exists")
                    .arg(request.id));
            retrievals.release(request.id);
            retrievals.cancelAllOf(request.userId, now);
            continue;
        }
        QString error;
        if (!m_transport.send(pinMail(*user, *clear), error)) {
            retrievals.release(request.id);
            diagnostics::printLine(
                QStringLiteral("pin mail %1 not sent, will retry: %2").arg(request.id).arg(error));
            continue;
        }
        diagnostics::printLine(
            QStringLiteral("pin mail %1 sent to account %2").arg(request.id).arg(request.userId));
        ++sent;
    }
    return sent;
}

void DueMailSender::startEvery(double seconds)
{
    const auto interval = std::chrono::milliseconds(static_cast<qint64>(seconds * 1000));
    m_thread = std::thread([this, interval] {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, interval, [this] { return m_stopping; })) {
            lock.unlock();
            try {
                sendDue();
            } catch (const StorageError& error) {
                diagnostics::printLine(
                    QStringLiteral("pin mails not looked at: ") + QString::fromStdString(error.what()));
            }
            lock.lock();
        }
    });
}
