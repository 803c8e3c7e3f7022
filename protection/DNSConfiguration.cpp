#include "DNSConfiguration.h"

#include "CommandRunner.h"
#include "Configuration.h"
#include "Diagnostics.h"
#include "Reachability.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr DNSConfiguration::networkservices allServices[] = {DNSConfiguration::networkservices::Ethernet,
    DNSConfiguration::networkservices::WiFi, DNSConfiguration::networkservices::Thunderbolt};

// Lines split at every kind of line break, empty lines dropped.
QStringList lines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("[\\n\\x0B\\f\\r\\x{0085}\\x{2028}\\x{2029}]"));
    return text.split(lineBreak, Qt::SkipEmptyParts);
}

QString run(const QString& command)
{
    return CommandRunner::shared().runShellCommand(command);
}

} // namespace

DNSConfiguration& DNSConfiguration::shared()
{
    return SharedService<DNSConfiguration>::get();
}

DNSConfiguration::DNSConfiguration(Reachability* reachability)
    : m_dnsIP(configuration::resolverAddress())
    , m_rechability(reachability)
{
    m_availableServicesString = run(QStringLiteral("networksetup -listallnetworkservices"));
    for (const QString& line : lines(m_availableServicesString)) {
        diagnostics::printLine(line);
        const auto handled = std::find_if(std::begin(allServices), std::end(allServices),
            [&line](networkservices service) { return listingName(service) == line; });
        if (handled != std::end(allServices)) {
            m_availableServices.append(*handled);
        } else {
            diagnostics::printLine(QStringLiteral("This network does not have any services"));
        }
    }
    if (m_rechability) {
        // Running notifications keep the flags current; a monitor that cannot start still answers
        // from a reading taken when asked.
        m_rechability->startNotifications();
    }
}

DNSConfiguration::~DNSConfiguration() = default;

QString DNSConfiguration::listingName(networkservices service)
{
    switch (service) {
    case networkservices::Ethernet:
        return QStringLiteral("Ethernet");
    case networkservices::WiFi:
        return QStringLiteral("Wi-Fi");
    case networkservices::Thunderbolt:
        return QStringLiteral("Thunderbolt Bridge");
    }
    return {};
}

QString DNSConfiguration::getCommand(networkservices service)
{
    switch (service) {
    case networkservices::Ethernet:
        return QStringLiteral("networksetup -getdnsservers Ethernet");
    case networkservices::WiFi:
        return QStringLiteral("networksetup -getdnsservers Wi-Fi");
    case networkservices::Thunderbolt:
        return QStringLiteral("networksetup -getdnsservers \"Thunderbolt Bridge\"");
    }
    return {};
}

QString DNSConfiguration::setCommand(networkservices service)
{
    switch (service) {
    case networkservices::Ethernet:
        return QStringLiteral("networksetup -setdnsservers Ethernet ");
    case networkservices::WiFi:
        return QStringLiteral("networksetup -setdnsservers Wi-Fi ");
    case networkservices::Thunderbolt:
        return QStringLiteral("networksetup -setdnsservers \"Thunderbolt Bridge\" ");
    }
    return {};
}

QString DNSConfiguration::clearCommand(networkservices service)
{
    switch (service) {
    case networkservices::Ethernet:
        return QStringLiteral("networksetup -setdnsservers Ethernet \"Empty\"");
    case networkservices::WiFi:
        return QStringLiteral("networksetup -setdnsservers Wi-Fi \"Empty\"");
    case networkservices::Thunderbolt:
        return QStringLiteral("networksetup -setdnsservers \"Thunderbolt Bridge\" \"Empty\"");
    }
    return {};
}

const QString& DNSConfiguration::statusString(networkservices service) const
{
    switch (service) {
    case networkservices::Ethernet:
        return m_ethernetStatusString;
    case networkservices::WiFi:
        return m_wifiStatusString;
    case networkservices::Thunderbolt:
        break;
    }
    return m_thunderboltStatusString;
}

QString& DNSConfiguration::storedStatusString(networkservices service)
{
    return const_cast<QString&>(std::as_const(*this).statusString(service));
}

void DNSConfiguration::refreshServiceStatus()
{
    for (networkservices service : std::as_const(m_availableServices)) {
        storedStatusString(service) = run(getCommand(service));
    }
}

bool DNSConfiguration::protects(const QString& statusText) const
{
    const QStringList servers = lines(statusText);
    return !servers.isEmpty() && std::all_of(servers.cbegin(), servers.cend(), [this](const QString& server) {
        return server == m_dnsIP;
    });
}

bool DNSConfiguration::listsResolver(const QString& statusText) const
{
    return lines(statusText).contains(m_dnsIP);
}

bool DNSConfiguration::verificationRuleHolds() const
{
    return !m_availableServices.isEmpty()
        && std::all_of(m_availableServices.begin(), m_availableServices.end(),
            [this](networkservices service) { return protects(statusString(service)); });
}

bool DNSConfiguration::isProtectionActive()
{
    refreshServiceStatus();
    return verificationRuleHolds();
}

bool DNSConfiguration::isProtectionActiveForConnection()
{
    refreshServiceStatus();
    if (m_rechability && m_availableServices.contains(networkservices::WiFi)
        && m_rechability->currentConnection() == Reachability::Connection::wifi) {
        return protects(m_wifiStatusString);
    }
    return verificationRuleHolds();
}

QStringList DNSConfiguration::currentDNSServers()
{
    refreshServiceStatus();
    QStringList servers {m_ethernetStatusString + QStringLiteral(" (Ethernet)"),
        m_wifiStatusString + QStringLiteral(" (Wi-Fi)")};
    if (m_availableServices.contains(networkservices::Thunderbolt)) {
        servers.append(m_thunderboltStatusString + QStringLiteral(" (Thunderbolt)"));
    }
    return servers;
}

void DNSConfiguration::startProtection(const Completion& completion)
{
    const bool seemsConfigured = std::all_of(std::begin(allServices), std::end(allServices),
        [this](networkservices service) { return protects(statusString(service)); });
    if (seemsConfigured) {
        diagnostics::printLine(QStringLiteral("already cinfigured"));
        refreshServiceStatus();
        if (verificationRuleHolds()) {
            completion(true);
            return;
        }
        // The servers were changed since they were last read: set them again.
    }
    for (networkservices service : std::as_const(m_availableServices)) {
        diagnostics::printLine(run(setCommand(service) + m_dnsIP));
    }
    refreshServiceStatus();
    completion(verificationRuleHolds());
}

void DNSConfiguration::closeProtection(const Completion& completion)
{
    for (networkservices service : std::as_const(m_availableServices)) {
        const QString output = run(clearCommand(service));
        if (service == networkservices::Ethernet) {
            diagnostics::printLine(output);
        }
    }
    refreshServiceStatus();
    const bool stillShown = std::any_of(m_availableServices.begin(), m_availableServices.end(),
        [this](networkservices service) { return listsResolver(statusString(service)); });
    completion(!stillShown);
}
