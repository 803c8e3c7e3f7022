#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace simulated {

// Turns SIGTERM into an orderly quit of the event loop, the way macOS's terminate request reaches an
// application as a quit. The signal handler only writes a byte to a socket; the quit happens in the
// event loop. The default handling comes back when the object goes.
class TerminationSignal : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

private:
    void quitApplication();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace simulated
