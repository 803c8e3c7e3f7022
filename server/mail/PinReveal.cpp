#include "PinReveal.h"

#include "Mail.h"
#include "PinCipher.h"
#include "PinStore.h"

PinReveal::PinReveal(Database& db, const PinCipher& cipher)
    : m_db(db)
    , m_cipher(cipher)
{ }

std::variant<PinReveal::Opened, QString> PinReveal::open(const QString& email)
{
    return open(UserStore(m_db).byEmail(email), QStringLiteral("the address ") + email);
}

std::variant<PinReveal::Opened, QString> PinReveal::open(qint64 userId)
{
    return open(UserStore(m_db).byId(userId), QStringLiteral("the id %1").arg(userId));
}

std::variant<PinReveal::Opened, QString> PinReveal::open(
    const std::optional<UserRecord>& user, const QString& who)
{
    if (!user)
        return QStringLiteral("no account has ") + who;
    const std::optional<StoredPin> pin = PinStore(m_db).ofUser(user->id);
    if (!pin)
        return QStringLiteral("the account %1 has no pin").arg(user->email);
    const std::optional<QString> clear = m_cipher.open(user->id, pin->sealedPin);
    if (!clear)
        return QStringLiteral("the pin of %1 does not open with this server key").arg(user->email);
    return Opened {*user, *clear};
}

bool PinReveal::mail(const Opened& opened, MailTransport& transport, QString& error)
{
    const std::optional<QString>& name = opened.user.name;
    const QString greeting
        = name && !name->isEmpty() ? QStringLiteral("Hello %1,").arg(*name) : QStringLiteral("Hello,");
    return transport.send({opened.user.email, QStringLiteral("Your BREVAK pin code"),
                              greeting
                                  + QStringLiteral("\n\nA BREVAK counsellor sent you your pin code after "
                                                   "your conversation on the live chat.\n\nYour pin code "
                                                   "is: ")
                                  + opened.pin
                                  + QStringLiteral("\n\nIf you did not talk to a counsellor, please answer "
                                                   "on the live chat in BREVAK.\n\nBREVAK\n")},
        error);
}
