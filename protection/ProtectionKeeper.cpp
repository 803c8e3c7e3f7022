#include "ProtectionKeeper.h"

#include "Alert.h"
#include "DNSConfiguration.h"
#include "Diagnostics.h"
#include "MessageTable.h"
#include "SettingsStore.h"

namespace {

const QString separator(71, '=');

} // namespace

ProtectionKeeper::ProtectionKeeper(std::function<void()> onApplied, QObject* parent)
    : QObject(parent)
    , m_onApplied(std::move(onApplied))
{
    connect(&m_timer, &QTimer::timeout, this, &ProtectionKeeper::check);
}

void ProtectionKeeper::applyAtLaunch()
{
    if (!SettingsStore::shared().boolValue(keys::dnsLastStatus)) {
        return;
    }
    DNSConfiguration::shared().startProtection([this](bool success) {
        if (success) {
            m_onApplied();
        } else {
            reportFailure();
        }
    });
}

void ProtectionKeeper::check()
{
    if (!SettingsStore::shared().boolValue(keys::dnsLastStatus)) {
        return;
    }
    DNSConfiguration& dns = DNSConfiguration::shared();
    const bool active = dns.isProtectionActive();
    diagnostics::printLine(separator);
    if (active) {
        diagnostics::printLine(
            "NO CHANGE, Current DNS IP - " + diagnostics::arrayText(dns.currentDNSServers()));
        return;
    }
    diagnostics::printLine("Current DNS IP - " + diagnostics::arrayText(dns.currentDNSServers()));
    dns.startProtection([this, &dns](bool success) {
        if (!success) {
            reportFailure();
            return;
        }
        m_onApplied();
        diagnostics::printLine("SET THE DNS IP - " + diagnostics::arrayText(dns.currentDNSServers()));
        diagnostics::printLine(separator);
    });
}

void ProtectionKeeper::start(std::chrono::milliseconds period)
{
    m_timer.start(period);
}

void ProtectionKeeper::reportFailure()
{
    if (!m_alertOpen) {
        m_alertOpen = true;
        showAlert(messages::ooops(), messages::requiresAdminPrivileges(), [this] { m_alertOpen = false; });
    }
    diagnostics::printLine("found error in starting protaction");
}
