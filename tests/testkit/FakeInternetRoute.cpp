#include "FakeInternetRoute.h"

#include <QThread>

// A reachability flags source that answers from the route's state.
class FakeFlagsSource : public platform::ReachabilityFlagsSource
{
    Q_OBJECT

public:
    explicit FakeFlagsSource(std::shared_ptr<FakeInternetRoute::State> state)
        : m_state(std::move(state))
    { }

    Reading read() override
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->readThread = QThread::currentThread();
        return m_state->reading;
    }

    int start() override
    {
        QMutexLocker lock(&m_state->mutex);
        ++m_state->starts;
        return m_state->startError;
    }

    void stop() override { }

    void report(quint32 flags)
    {
        QMetaObject::invokeMethod(
            this, [this, flags] { Q_EMIT flagsChanged(flags); }, Qt::QueuedConnection);
    }

private:
    std::shared_ptr<FakeInternetRoute::State> m_state;
};

FakeInternetRoute::FakeInternetRoute(std::optional<quint32> flags, int startError)
{
    m_state->reading = {flags, flags ? 0 : 5};
    m_state->startError = startError;
}

std::unique_ptr<platform::ReachabilityFlagsSource> FakeInternetRoute::source()
{
    auto source = std::make_unique<FakeFlagsSource>(m_state);
    m_source = source.get();
    return source;
}

std::unique_ptr<Reachability> FakeInternetRoute::monitor()
{
    return std::make_unique<Reachability>(source(), true);
}

void FakeInternetRoute::report(quint32 flags)
{
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->reading = {flags, 0};
    }
    if (m_source) {
        m_source->report(flags);
    }
}

int FakeInternetRoute::starts() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->starts;
}

QThread* FakeInternetRoute::readThread() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->readThread;
}

#include "FakeInternetRoute.moc"
