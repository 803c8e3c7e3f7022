#pragma once

#include <QtGlobal>

#include <functional>
#include <utility>

// The instance of a process-wide service that its `shared()` accessor hands out. Whoever owns the
// service registers it for as long as it lives, through a Registration declared after the service
// (ApplicationServices for the application; a test for its own fakes, in a scope of its own). The
// most recent registration that still lives is the one handed out; when it ends, the one before it
// comes back. A registration unlinks itself whatever the order in which registrations end, so an
// accessor never reaches an object that is gone. Main thread only.
template<typename Service>
class SharedService
{
public:
    class Registration
    {
    public:
        explicit Registration(Service& service)
            : Registration([&service]() -> Service& { return service; })
        { }
        // For a service that its owner makes on first use: `provider` makes it when first asked.
        explicit Registration(std::function<Service&()> provider)
            : m_provider(std::move(provider))
            , m_previous(std::exchange(top(), this))
        { }
        ~Registration()
        {
            for (Registration** link = &top(); *link; link = &(*link)->m_previous) {
                if (*link == this) {
                    *link = m_previous;
                    return;
                }
            }
        }
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        friend class SharedService;
        std::function<Service&()> m_provider;
        Registration* m_previous;
    };

    static bool isRegistered() { return top() != nullptr; }

    // The registered service. A program that asks for a service nobody registered stops here, with
    // the service's name, instead of working on an object that does not exist.
    static Service& get()
    {
        if (!top()) {
            qFatal("%s: no instance is registered", Q_FUNC_INFO);
        }
        return top()->m_provider();
    }

private:
    // The most recent registration; each links to the one before it.
    static Registration*& top()
    {
        static Registration* registration = nullptr;
        return registration;
    }
};
