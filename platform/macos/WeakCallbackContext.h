#pragma once

#include <QPointer>

#include <atomic>
#include <memory>

namespace macos {

// What a SystemConfiguration callback context points to: the object that hears the callbacks, held
// weakly, so that a callback that arrives after the object is gone does nothing. SystemConfiguration
// retains and releases it through the context's two functions; the object holds one reference of its
// own (Reference), taken when it is made.
template<typename Listener>
class WeakCallbackContext
{
public:
    struct Release
    {
        void operator()(WeakCallbackContext* context) const { release(context); }
    };
    using Reference = std::unique_ptr<WeakCallbackContext, Release>;

    static Reference create(Listener* listener) { return Reference(new WeakCallbackContext(listener)); }

    // The listener, or null when it is gone; `info` is the context's pointer.
    static Listener* listener(const void* info)
    {
        return static_cast<const WeakCallbackContext*>(info)->m_listener.data();
    }

    static const void* retain(const void* info)
    {
        static_cast<const WeakCallbackContext*>(info)->m_references.fetch_add(1);
        return info;
    }

    static void release(const void* info)
    {
        const auto* context = static_cast<const WeakCallbackContext*>(info);
        if (context->m_references.fetch_sub(1) == 1) {
            delete context;
        }
    }

private:
    explicit WeakCallbackContext(Listener* listener)
        : m_listener(listener)
    { }

    QPointer<Listener> m_listener;
    mutable std::atomic<int> m_references {1};
};

} // namespace macos
