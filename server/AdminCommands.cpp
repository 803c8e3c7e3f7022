#include "AdminCommands.h"

#include "Clock.h"
#include "CounsellorStore.h"
#include "DeviceStore.h"
#include "Diagnostics.h"
#include "DueMailSender.h"
#include "PasswordHasher.h"
#include "PinCipher.h"
#include "PinReveal.h"
#include "PinStore.h"
#include "UserStore.h"
#include "Validation.h"

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
    const std::variant<PinReveal::Opened, QString> opened = PinReveal(db, cipher).open(email);
    if (const QString* why = std::get_if<QString>(&opened)) {
        diagnostics::printLine(*why);
        return 1;
    }
    const PinReveal::Opened& pin = std::get<PinReveal::Opened>(opened);
    diagnostics::printLine(QStringLiteral("pin of %1: %2").arg(pin.user.email, pin.pin));
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

int addCounsellor(Database& db, const Clock& clock, const HashStrength& strength, const QString& name,
    const QString& email, const QString& password)
{
    if (!validation::isEmailAddress(email) || !validation::isAcceptableText(name)) {
        diagnostics::printLine(QStringLiteral("a counsellor needs a mail address and a name of one line"));
        return 1;
    }
    if (const std::optional<QString> refusal = validation::passwordRefusal(password)) {
        diagnostics::printLine(*refusal);
        return 1;
    }
    const QString hash = PasswordHasher(strength, 1).hash(password);
    const bool created = CounsellorStore(db).save(name.trimmed(), email, hash, clock.now());
    diagnostics::printLine((created ? QStringLiteral("counsellor %1 <%2> can sign in at /console")
                                    : QStringLiteral("counsellor %1 <%2> has a new password; earlier "
                                                     "sessions are signed out"))
                               .arg(name.trimmed(), email));
    return 0;
}

int removeCounsellor(Database& db, const Clock& clock, const QString& email)
{
    if (!CounsellorStore(db).remove(email, clock.now())) {
        diagnostics::printLine(QStringLiteral("no counsellor has the address ") + email);
        return 1;
    }
    diagnostics::printLine(QStringLiteral("counsellor %1 can no longer sign in").arg(email));
    return 0;
}

int listCounsellors(Database& db)
{
    const QList<CounsellorRecord> all = CounsellorStore(db).all();
    for (const CounsellorRecord& counsellor : all) {
        diagnostics::printLine(
            QStringLiteral("%1\t%2\t%3\tcreated %4%5")
                .arg(counsellor.id)
                .arg(counsellor.email, counsellor.name, timestamps::iso(counsellor.createdAt),
                    counsellor.removedAt
                        ? QStringLiteral("\tremoved ") + timestamps::iso(*counsellor.removedAt)
                        : QString()));
    }
    diagnostics::printLine(QStringLiteral("%1 counsellor(s)").arg(all.size()));
    return 0;
}

} // namespace admin
