#pragma once

#include "SharedService.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

// Names of the in-process notifications that keep the screens in step.
namespace notifications {

inline constexpr auto pinProtectionOff = "pin_protection_off"; // Bool: PIN protection now on
inline constexpr auto dnsState = "DNS_State"; // Bool: DNS protection on
inline constexpr auto blockAppSwitchState = "BlockAppSwitchState"; // Bool true: put the switch back
inline constexpr auto blackListWebsiteState = "BlackListWebsiteState"; // Bool true: put the box back
inline constexpr auto updateChooseLanguage = "UpdateChooseLanguage"; // the chosen language code
inline constexpr auto reachabilityChanged = "reachabilityChanged"; // the reachability monitor

} // namespace notifications

// Delivers named notifications synchronously, in registration order, to the observers registered
// for that name. An observer belongs to an owner and goes away with it, so a notification never
// reaches a destroyed object.
class NotificationCenter
{
public:
    using Handler = std::function<void(const QVariant& object)>;
    using Registration = SharedService<NotificationCenter>::Registration;

    // The registered centre: the application's (ApplicationServices), or a test's own.
    static NotificationCenter& shared();

    // `sender`, when given, restricts the observer to notifications posted with that sender.
    void addObserver(QObject* owner, const QString& name, Handler handler, const QObject* sender = nullptr);
    // Removes the owner's observers of `name`, or all of them when `name` is empty.
    void removeObserver(QObject* owner, const QString& name = {});
    void post(const QString& name, const QVariant& object = {}, const QObject* sender = nullptr);

private:
    struct Observer
    {
        quint64 id;
        QPointer<QObject> owner;
        QString name;
        QPointer<const QObject> sender;
        bool filtersSender;
        Handler handler;
    };

    bool isRegistered(quint64 id) const;

    QList<Observer> m_observers;
    quint64 m_nextId = 1;
    // Context of the connections that forget an owner's observers; it ends them when the centre goes.
    QObject m_context;
};
