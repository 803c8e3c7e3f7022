#include "AdminCommands.h"

#include "Clock.h"
#include "DeviceStore.h"
#include "Diagnostics.h"
#include "DueMailSender.h"
#include "PinCipher.h"
#include "PinStore.h"
#include "UserStore.h"

namespace admin {

namespace {

QString signInMethod(int socialMedia)
{
    switch (socialMedia) {
    case 1:
        return QStringLiteral("facebook");
    case 2:
        return QStringLiteral("google");
    default:
        return QStringLiteral("email");
    }
}

QString pinState(const std::optional<StoredPin>& pin, qint64 now)
{
    if (!pin)
        return QStringLiteral("no pin");
    QString state = pin->timeHours == 175200 ? QStringLiteral("pin, forever")
                                             : QStringLiteral("pin, %1 h").arg(pin->timeHours);
    if (pin->isBlocked(now))
        state += QStringLiteral(", blocked until ") + timestamps::iso(*pin->blockedUntil);
    return state;
}

} // namespace

int listUsers(Database& db, const Clock& clock)
{
    UserStore users(db);
    PinStore pins(db);
    DeviceStore devices(db);
    const qint64 now = clock.now();
    const QList<UserRecord> all = users.all();
    for (const UserRecord& user : all) {
        const QList<DeviceRecord> seen = devices.ofUser(user.id);
        diagnostics::printLine(
            QStringLiteral("%1\t%2\t%3\t%4\tcreated %5\t%6\t%7 device(s)%8")
                .arg(user.id)
                .arg(user.email, user.name.value_or(QStringLiteral("-")), signInMethod(user.socialMedia),
                    timestamps::iso(user.createdAt), pinState(pins.ofUser(user.id), now))
                .arg(seen.size())
                .arg(seen.isEmpty()
                        ? QString()
                        : QStringLiteral(", last seen ") + timestamps::iso(seen.first().lastSeenAt)));
    }
    diagnostics::printLine(QStringLiteral("%1 account(s)").arg(all.size()));
    return 0;
}

int revealPin(Database& db, const PinCipher& cipher, const QString& email)
{
    const std::optional<UserRecord> user = UserStore(db).byEmail(email);
    if (!user) {
        diagnostics::printLine(QStringLiteral("no account has the address ") + email);
        return 1;
    }
    const std::optional<StoredPin> pin = PinStore(db).ofUser(user->id);
    if (!pin) {
        diagnostics::printLine(QStringLiteral("the account %1 has no pin").arg(user->email));
        return 1;
    }
    const std::optional<QString> clear = cipher.open(user->id, pin->sealedPin);
    if (!clear) {
        diagnostics::printLine(
            QStringLiteral("the pin of %1 does not open with this server key").arg(user->email));
        return 1;
    }
    diagnostics::printLine(QStringLiteral("pin of %1: %2").arg(user->email, *clear));
    return 0;
}

int unblockPin(Database& db, const Clock& clock, const QString& email)
{
    const std::optional<UserRecord> user = UserStore(db).byEmail(email);
    if (!user) {
        diagnostics::printLine(QStringLiteral("no account has the address ") + email);
        return 1;
    }
    if (!PinStore(db).unblock(user->id, clock.now())) {
        diagnostics::printLine(QStringLiteral("the account %1 has no pin").arg(user->email));
        return 1;
    }
    diagnostics::printLine(
        QStringLiteral("the pin of %1 is unblocked and its failed tries are cleared").arg(user->email));
    return 0;
}

int sendDueMail(Database& db, const Clock& clock, const PinCipher& cipher, MailTransport& transport)
{
    const int sent = DueMailSender(db, clock, cipher, transport).sendDue();
    diagnostics::printLine(QStringLiteral("%1 pin mail(s) sent").arg(sent));
    return 0;
}

} // namespace admin
