#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

// Keeps DNS protection in force while the user wants it (dnsLastStatus): it re-applies it at launch
// and checks it on a repeating timer, re-applying it when something changed the DNS servers.
class ProtectionKeeper : public QObject
{
    Q_OBJECT

public:
    // `onApplied` runs after protection was applied successfully (the status synchronisation).
    explicit ProtectionKeeper(std::function<void()> onApplied, QObject* parent = nullptr);

    // At launch: applies protection when the user wants it.
    void applyAtLaunch();
    // One check of the timer.
    void check();
    // Starts the repeating check; it is never stopped.
    void start(std::chrono::milliseconds period);

    const QTimer& timer() const { return m_timer; }

private:
    void reportFailure();

    std::function<void()> m_onApplied;
    QTimer m_timer;
    // One failure alert at a time: a check that fails while one is open only prints its line.
    bool m_alertOpen = false;
};
