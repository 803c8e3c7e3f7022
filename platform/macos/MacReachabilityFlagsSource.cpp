#include "WeakCallbackContext.h"
#include "platform.h"

#include <SystemConfiguration/SystemConfiguration.h>
#include <cstdint>
#include <dispatch/dispatch.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>

// SCNetworkReachability is deprecated since macOS 14.4 in favour of the Network framework's path
// monitor, which reports no such flags. The reachability monitor is built on these flags and their
// meanings, and the functions keep working.
#pragma clang diagnostic ignored "-Wdeprecated-declarations"

namespace {

class MacReachabilityFlagsSource;

using CallbackContext = macos::WeakCallbackContext<MacReachabilityFlagsSource>;

void reachabilityChanged(SCNetworkReachabilityRef, SCNetworkReachabilityFlags flags, void* info);

// Reachability of the general internet route (0.0.0.0) as SystemConfiguration reports it. Changes
// arrive on a private serial dispatch queue; flagsChanged is emitted there, and the monitor's
// connection carries it over to its own thread.
class MacReachabilityFlagsSource : public platform::ReachabilityFlagsSource
{
public:
    MacReachabilityFlagsSource(SCNetworkReachabilityRef target, QObject* parent)
        : platform::ReachabilityFlagsSource(parent)
        , m_target(target)
        , m_queue(dispatch_queue_create("com.mac.brevak.reachability.callbacks", DISPATCH_QUEUE_SERIAL))
        , m_context(CallbackContext::create(this))
    { }

    ~MacReachabilityFlagsSource() override
    {
        stop();
        dispatch_release(m_queue);
        CFRelease(m_target);
    }

    Reading read() override
    {
        SCNetworkReachabilityFlags flags = 0;
        if (!SCNetworkReachabilityGetFlags(m_target, &flags)) {
            return {std::nullopt, SCError()};
        }
        return {flags, 0};
    }

    int start() override
    {
        if (m_started) {
            return 0;
        }
        SCNetworkReachabilityContext context {
            0, m_context.get(), &CallbackContext::retain, &CallbackContext::release, nullptr};
        if (!SCNetworkReachabilitySetCallback(m_target, &reachabilityChanged, &context)) {
            return SCError();
        }
        if (!SCNetworkReachabilitySetDispatchQueue(m_target, m_queue)) {
            const int error = SCError();
            SCNetworkReachabilitySetCallback(m_target, nullptr, nullptr);
            return error;
        }
        m_started = true;
        return 0;
    }

    void stop() override
    {
        if (!m_started) {
            return;
        }
        SCNetworkReachabilitySetDispatchQueue(m_target, nullptr);
        SCNetworkReachabilitySetCallback(m_target, nullptr, nullptr);
        // The queue is serial: once this empty task has run, no callback is running or waiting.
        dispatch_sync_f(m_queue, nullptr, [](void*) {});
        m_started = false;
    }

    void report(quint32 flags) { Q_EMIT flagsChanged(flags); }

private:
    SCNetworkReachabilityRef m_target;
    dispatch_queue_t m_queue;
    CallbackContext::Reference m_context;
    bool m_started = false;
};

void reachabilityChanged(SCNetworkReachabilityRef, SCNetworkReachabilityFlags flags, void* info)
{
    if (MacReachabilityFlagsSource* source = CallbackContext::listener(info)) {
        source->report(flags);
    }
}

} // namespace

std::unique_ptr<platform::ReachabilityFlagsSource> platform::createReachabilityFlagsSource(QObject* parent)
{
    sockaddr_in address {};
    address.sin_len = static_cast<std::uint8_t>(sizeof(address));
    address.sin_family = AF_INET;
    SCNetworkReachabilityRef target = SCNetworkReachabilityCreateWithAddress(
        kCFAllocatorDefault, reinterpret_cast<const sockaddr*>(&address));
    if (!target) {
        qWarning("The reachability of 0.0.0.0 cannot be watched (SystemConfiguration error %d)", SCError());
        return nullptr;
    }
    return std::make_unique<MacReachabilityFlagsSource>(target, parent);
}
