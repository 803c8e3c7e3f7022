#include "ProtectionKeeper.h"

#include "Alert.h"
#include "DNSConfiguration.h"
#include "Diagnostics.h"
#include "MessageTable.h"
#include "SettingsStore.h"

#include <QPointer>

namespace {

const QString separator(71, '=');

bool protectionWanted()
{
    return SettingsStore::shared().boolValue(keys::dnsLastStatus);
}

QString serversText()
{
    return diagnostics::arrayText(DNSConfiguration::shared().lastCheckServers());
}

// A later success closes the alert of an earlier failure: protection holds again.
void dismissFailureAlert()
{
    dismissAlert(messages::ooops(), messages::requiresAdminPrivileges());
}

} // namespace

ProtectionKeeper::ProtectionKeeper(std::function<void()> onApplied,
    std::unique_ptr<platform::NetworkConfigurationWatcher> watcher, QObject* parent)
    : QObject(parent)
    , m_onApplied(std::move(onApplied))
    , m_watcher(watcher ? std::move(watcher) : platform::createNetworkConfigurationWatcher())
{
    connect(&m_timer, &QTimer::timeout, this, &ProtectionKeeper::check);
    connect(m_watcher.get(), &platform::NetworkConfigurationWatcher::changed, this, [this] {
        if (protectionWanted()) {
            check();
        }
    });
}

void ProtectionKeeper::applyAtLaunch(std::function<void()> done)
{
    if (!protectionWanted()) {
        if (done) {
            done();
        }
        return;
    }
    DNSConfiguration::shared().startProtection([self = QPointer(this), done = std::move(done)](bool success) {
        if (!self) {
            return;
        }
        if (success) {
            dismissFailureAlert();
            self->m_onApplied();
        } else {
            self->reportFailure();
        }
        if (done) {
            done();
        }
    });
}

void ProtectionKeeper::check()
{
    if (m_checking) {
        m_checkPending = true;
        return;
    }
    runCheck();
}

void ProtectionKeeper::start(std::chrono::milliseconds period)
{
    m_timer.start(period);
    m_watcher->start();
}

void ProtectionKeeper::runCheck()
{
    if (!protectionWanted()) {
        Q_EMIT checkFinished();
        return;
    }
    m_checking = true;
    DNSConfiguration::shared().isProtectionActive([self = QPointer(this)](bool active) {
        if (!self) {
            return;
        }
        // Protection was turned off while the servers were read.
        if (!protectionWanted()) {
            self->checkEnded();
            return;
        }
        diagnostics::printLine(separator);
        if (active) {
            diagnostics::printLine("NO CHANGE, Current DNS IP - " + serversText());
            dismissFailureAlert();
            self->checkEnded();
            return;
        }
        diagnostics::printLine("Current DNS IP - " + serversText());
        self->restore();
    });
}

void ProtectionKeeper::restore()
{
    // Asked for from the check's completion, so it runs before anything asked for meanwhile.
    DNSConfiguration::shared().startProtection([self = QPointer(this)](bool success) {
        if (!self) {
            return;
        }
        if (success) {
            dismissFailureAlert();
            self->m_onApplied();
            diagnostics::printLine("SET THE DNS IP - " + serversText());
            diagnostics::printLine(separator);
        } else {
            self->reportFailure();
        }
        self->checkEnded();
    });
}

void ProtectionKeeper::checkEnded()
{
    m_checking = false;
    Q_EMIT checkFinished();
    if (std::exchange(m_checkPending, false)) {
        runCheck();
    }
}

void ProtectionKeeper::reportFailure()
{
    showAlert(messages::ooops(), messages::requiresAdminPrivileges());
    diagnostics::printLine("found error in starting protaction");
}
