#include "WeakCallbackContext.h"
#include "platform.h"

#include <SystemConfiguration/SystemConfiguration.h>
#include <dispatch/dispatch.h>
#include <memory>
#include <type_traits>

namespace {

class MacNetworkConfigurationWatcher;

using CallbackContext = macos::WeakCallbackContext<MacNetworkConfigurationWatcher>;

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
        , m_context(CallbackContext::create(this))
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
        SCDynamicStoreContext context {
            0, m_context.get(), &CallbackContext::retain, &CallbackContext::release, nullptr};
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
    CallbackContext::Reference m_context;
    CFOwned<SCDynamicStoreRef> m_store;
};

void storeChanged(SCDynamicStoreRef, CFArrayRef, void* info)
{
    if (MacNetworkConfigurationWatcher* watcher = CallbackContext::listener(info)) {
        watcher->report();
    }
}

} // namespace

std::unique_ptr<platform::NetworkConfigurationWatcher> platform::createNetworkConfigurationWatcher(
    QObject* parent)
{
    return std::make_unique<MacNetworkConfigurationWatcher>(parent);
}
