#include "NotificationCenter.h"

NotificationCenter& NotificationCenter::shared()
{
    return SharedService<NotificationCenter>::get();
}

void NotificationCenter::addObserver(
    QObject* owner, const QString& name, Handler handler, const QObject* sender)
{
    Q_ASSERT(owner);
    const bool firstForOwner = std::none_of(
        m_observers.cbegin(), m_observers.cend(), [owner](const Observer& o) { return o.owner == owner; });
    m_observers.append({m_nextId++, owner, name, sender, sender != nullptr, std::move(handler)});
    if (firstForOwner) {
        QObject::connect(owner, &QObject::destroyed, &m_context, [this, owner] { removeObserver(owner); });
    }
}

void NotificationCenter::removeObserver(QObject* owner, const QString& name)
{
    m_observers.removeIf([owner, &name](const Observer& o) {
        return o.owner.isNull() || (o.owner == owner && (name.isEmpty() || o.name == name));
    });
}

void NotificationCenter::post(const QString& name, const QVariant& object, const QObject* sender)
{
    // A handler may add or remove observers, or destroy an owner; work on a snapshot and check each
    // observer again right before calling it.
    const QList<Observer> snapshot = m_observers;
    for (const Observer& observer : snapshot) {
        if (observer.name != name || observer.owner.isNull() || !isRegistered(observer.id)) {
            continue;
        }
        if (observer.filtersSender && observer.sender != sender) {
            continue;
        }
        observer.handler(object);
    }
}

bool NotificationCenter::isRegistered(quint64 id) const
{
    return std::any_of(
        m_observers.cbegin(), m_observers.cend(), [id](const Observer& o) { return o.id == id; });
}
