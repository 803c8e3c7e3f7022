#include "platform.h"

#include <QPointer>

#include <SystemConfiguration/SystemConfiguration.h>
#include <atomic>
#include <dispatch/dispatch.h>
#include <memory>
#include <type_traits>

namespace {

class MacNetworkConfigurationWatcher;

// What the dynamic store's callback context points to: the watcher, held weakly, so that a
// notification that arrives after the watcher is gone does nothing. SystemConfiguration retains and
// releases it through the context; the watcher holds one reference of its own.
struct CallbackHolder
{
    QPointer<MacNetworkConfigurationWatcher> watcher;
    mutable std::atomic<int> references {1};
};

const void* retainHolder(const void* info)
{
    static_cast<const CallbackHolder*>(info)->references.fetch_add(1);
    return info;
}

void releaseHolder(const void* info)
{
    const auto* holder = static_cast<const CallbackHolder*>(info);
    if (holder->references.fetch_sub(1) == 1) {
        delete holder;
    }
}

struct HolderReference
{
    void operator()(CallbackHolder* holder) const { releaseHolder(holder); }
};

// Releases a Core Foundation object when it goes.
struct CFReleaser
{
    void operator()(CFTypeRef object) const
    {
        if (object) {
            CFRelease(object);
        }
    }
};
template<typename T>
using CFOwned = std::unique_ptr<std::remove_pointer_t<T>, CFReleaser>;

void storeChanged(SCDynamicStoreRef, CFArrayRef, void* info);

// The network configuration as SystemConfiguration's dynamic store publishes it. The store notifies
// on a private serial dispatch queue whenever a watched key changes: the DNS entity of any service, in
// the setup (what the user or networksetup configured) and in the state (what is in force, DHCP's
// servers included), a service itself (added, removed, renamed, disabled) and the service order.
class MacNetworkConfigurationWatcher : public platform::NetworkConfigurationWatcher
{
public:
    explicit MacNetworkConfigurationWatcher(QObject* parent)
        : platform::NetworkConfigurationWatcher(parent)
        , m_queue(dispatch_queue_create("com.mac.brevak.network-configuration", DISPATCH_QUEUE_SERIAL))
        , m_holder(new CallbackHolder {this})
    { }

    ~MacNetworkConfigurationWatcher() override
    {
        if (m_store) {
            SCDynamicStoreSetDispatchQueue(m_store.get(), nullptr);
            // The queue is serial: once this empty task has run, no notification is running or waiting.
            dispatch_sync_f(m_queue, nullptr, [](void*) {});
        }
        m_store.reset();
        dispatch_release(m_queue);
    }

    bool start() override
    {
        if (m_store) {
            return true;
        }
        SCDynamicStoreContext context {0, m_holder.get(), &retainHolder, &releaseHolder, nullptr};
        CFOwned<SCDynamicStoreRef> store(
            SCDynamicStoreCreate(kCFAllocatorDefault, CFSTR("com.mac.brevak"), &storeChanged, &context));
        if (!store) {
            return fail("cannot open the dynamic store");
        }

        const CFOwned<CFStringRef> stateDNS(SCDynamicStoreKeyCreateNetworkServiceEntity(
            kCFAllocatorDefault, kSCDynamicStoreDomainState, kSCCompAnyRegex, kSCEntNetDNS));
        const CFOwned<CFStringRef> setupDNS(SCDynamicStoreKeyCreateNetworkServiceEntity(
            kCFAllocatorDefault, kSCDynamicStoreDomainSetup, kSCCompAnyRegex, kSCEntNetDNS));
        const CFOwned<CFStringRef> setupService(SCDynamicStoreKeyCreateNetworkServiceEntity(
            kCFAllocatorDefault, kSCDynamicStoreDomainSetup, kSCCompAnyRegex, nullptr));
        const CFOwned<CFStringRef> serviceOrder(SCDynamicStoreKeyCreateNetworkGlobalEntity(
            kCFAllocatorDefault, kSCDynamicStoreDomainSetup, kSCEntNetIPv4));
        if (!stateDNS || !setupDNS || !setupService || !serviceOrder) {
            return fail("cannot name the keys to watch");
        }
        const void* patternValues[] = {stateDNS.get(), setupDNS.get(), setupService.get()};
        const void* keyValues[] = {serviceOrder.get()};
        const CFOwned<CFArrayRef> patterns(
            CFArrayCreate(kCFAllocatorDefault, patternValues, 3, &kCFTypeArrayCallBacks));
        const CFOwned<CFArrayRef> keys(
            CFArrayCreate(kCFAllocatorDefault, keyValues, 1, &kCFTypeArrayCallBacks));
        if (!patterns || !keys
            || !SCDynamicStoreSetNotificationKeys(store.get(), keys.get(), patterns.get())) {
            return fail("cannot watch the network services");
        }
        if (!SCDynamicStoreSetDispatchQueue(store.get(), m_queue)) {
            return fail("cannot receive notifications");
        }
        m_store = std::move(store);
        return true;
    }

    // On the store's queue: the watcher reports on its own thread.
    void report()
    {
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT changed(); }, Qt::QueuedConnection);
    }

private:
    static bool fail(const char* what)
    {
        qWarning(
            "Network changes cannot be heard: %s (SystemConfiguration: %s)", what, SCErrorString(SCError()));
        return false;
    }

    dispatch_queue_t m_queue;
    std::unique_ptr<CallbackHolder, HolderReference> m_holder;
    CFOwned<SCDynamicStoreRef> m_store;
};

void storeChanged(SCDynamicStoreRef, CFArrayRef, void* info)
{
    if (MacNetworkConfigurationWatcher* watcher = static_cast<const CallbackHolder*>(info)->watcher.data()) {
        watcher->report();
    }
}

} // namespace

std::unique_ptr<platform::NetworkConfigurationWatcher> platform::createNetworkConfigurationWatcher(
    QObject* parent)
{
    return std::make_unique<MacNetworkConfigurationWatcher>(parent);
}
