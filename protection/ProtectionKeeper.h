#pragma once

#include "platform.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

// Keeps DNS protection in force while the user wants it (dnsLastStatus): it applies it at launch,
// checks it as soon as the network configuration changes and, as a backstop, on a repeating timer,
// and applies it again when something changed the DNS servers. Checks never overlap: one asked for
// while another runs is made once, after it, however many were asked for.
class ProtectionKeeper : public QObject
{
    Q_OBJECT

public:
    // `onApplied` runs after protection was applied successfully (the status synchronisation).
    // `watcher` hears the network configuration change; the platform's when none is given.
    explicit ProtectionKeeper(std::function<void()> onApplied,
        std::unique_ptr<platform::NetworkConfigurationWatcher> watcher = {}, QObject* parent = nullptr);

    // At launch: applies protection when the user wants it; `done` runs when that is over.
    void applyAtLaunch(std::function<void()> done = {});
    // One check: at once, or after the one that runs.
    void check();
    // Starts the repeating check and the watch on the network configuration; neither is stopped.
    void start(std::chrono::milliseconds period);

    const QTimer& timer() const { return m_timer; }

Q_SIGNALS:
    // A check has ended, whatever it found and did.
    void checkFinished();

private:
    void runCheck();
    void restore();
    void checkEnded();
    void reportFailure();

    std::function<void()> m_onApplied;
    std::unique_ptr<platform::NetworkConfigurationWatcher> m_watcher;
    QTimer m_timer;
    bool m_checking = false;
    bool m_checkPending = false;
};
