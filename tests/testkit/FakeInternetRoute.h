#pragma once

#include "Reachability.h"
#include "platform.h"

#include <QMutex>
#include <QPointer>

#include <memory>
#include <optional>

class FakeFlagsSource;

// The internet route as a test wants it: reachable unless told otherwise. It makes the flags sources
// that reachability monitors read on their own threads, and reports new flags through them as the
// platform would. Its state is shared with those threads, hence guarded.
class FakeInternetRoute
{
public:
    struct State
    {
        QMutex mutex;
        platform::ReachabilityFlagsSource::Reading reading;
        int startError = 0;
        int starts = 0;
        QThread* readThread = nullptr;
    };

    explicit FakeInternetRoute(std::optional<quint32> flags = Reachability::Reachable, int startError = 0);

    // A flags source over this route, for ApplicationServices or a monitor of the test's own.
    std::unique_ptr<platform::ReachabilityFlagsSource> source();
    // A monitor over a new source, reporting on the main thread.
    std::unique_ptr<Reachability> monitor();
    // New flags from the platform, delivered through the latest source on its own thread.
    void report(quint32 flags);

    int starts() const;
    QThread* readThread() const;

private:
    std::shared_ptr<State> m_state = std::make_shared<State>();
    QPointer<FakeFlagsSource> m_source;
};
