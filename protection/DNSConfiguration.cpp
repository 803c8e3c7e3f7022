#include "DNSConfiguration.h"

#include "CommandRunner.h"
#include "Configuration.h"
#include "Diagnostics.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

const QString listingHeader = QStringLiteral("An asterisk (*) denotes that a network service is disabled.");
const QString wifi = QStringLiteral("Wi-Fi");

// The services whose command texts are fixed, with the name the log gives them.
struct NamedService
{
    const char* name;
    const char* getCommand;
    const char* setCommand;
    const char* clearCommand;
    const char* logName;
};

constexpr NamedService namedServices[] = {
    {"Ethernet", "networksetup -getdnsservers Ethernet", "networksetup -setdnsservers Ethernet ",
        R"(networksetup -setdnsservers Ethernet "Empty")", "Ethernet"},
    {"Wi-Fi", "networksetup -getdnsservers Wi-Fi", "networksetup -setdnsservers Wi-Fi ",
        R"(networksetup -setdnsservers Wi-Fi "Empty")", "Wi-Fi"},
    {"Thunderbolt Bridge", R"(networksetup -getdnsservers "Thunderbolt Bridge")",
        R"(networksetup -setdnsservers "Thunderbolt Bridge" )",
        R"(networksetup -setdnsservers "Thunderbolt Bridge" "Empty")", "Thunderbolt"},
};

const NamedService* namedService(const QString& service)
{
    const auto it = std::find_if(std::begin(namedServices), std::end(namedServices),
        [&service](const NamedService& named) { return service == QLatin1String(named.name); });
    return it == std::end(namedServices) ? nullptr : it;
}

// Lines split at every kind of line break, empty lines dropped.
QStringList lines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("[\\n\\x0B\\f\\r\\x{0085}\\x{2028}\\x{2029}]"));
    return text.split(lineBreak, Qt::SkipEmptyParts);
}

// An IPv4 or IPv6 address as networksetup prints one (a zone may follow an IPv6 address).
bool isServerAddress(const QString& line)
{
    static const QRegularExpression address(
        QStringLiteral("^(\\d{1,3}(\\.\\d{1,3}){3}|[0-9A-Fa-f:]*:[0-9A-Fa-f:.]*(%\\w+)?)$"));
    return address.match(line).hasMatch();
}

} // namespace

DNSConfiguration& DNSConfiguration::shared()
{
    return SharedService<DNSConfiguration>::get();
}

DNSConfiguration::DNSConfiguration(Reachability* reachability, QObject* parent)
    : QObject(parent)
    , m_dnsIP(configuration::resolverAddress())
    , m_rechability(reachability)
{
    if (m_rechability) {
        // Running notifications keep the flags current; a monitor that cannot start reads them afresh
        // whenever asked.
        m_rechability->startNotifications();
    }
}

DNSConfiguration::~DNSConfiguration() = default;

QString DNSConfiguration::getCommand(const QString& service)
{
    const NamedService* named = namedService(service);
    return named ? QString::fromLatin1(named->getCommand)
                 : QStringLiteral("networksetup -getdnsservers ") + shellQuoted(service);
}

QString DNSConfiguration::setCommand(const QString& service)
{
    const NamedService* named = namedService(service);
    return named ? QString::fromLatin1(named->setCommand)
                 : QStringLiteral("networksetup -setdnsservers ") + shellQuoted(service) + ' ';
}

QString DNSConfiguration::clearCommand(const QString& service)
{
    const NamedService* named = namedService(service);
    return named ? QString::fromLatin1(named->clearCommand)
                 : QStringLiteral("networksetup -setdnsservers ") + shellQuoted(service)
            + QStringLiteral(" \"Empty\"");
}

QStringList DNSConfiguration::lastCheckServers() const
{
    QStringList servers;
    for (const ServiceStatus& status : m_lastCheck) {
        const NamedService* named = namedService(status.name);
        servers.append(status.statusText
            + QStringLiteral(" (%1)").arg(named ? QString::fromLatin1(named->logName) : status.name));
    }
    return servers;
}

void DNSConfiguration::enqueue(Step operation)
{
    if (m_chaining) {
        m_queue.insert(
            m_queue.begin() + static_cast<std::ptrdiff_t>(m_chainPosition++), std::move(operation));
    } else {
        m_queue.push_back(std::move(operation));
    }
    runNext();
}

void DNSConfiguration::finish(const Step& deliver)
{
    m_chaining = true;
    m_chainPosition = 0;
    deliver();
    m_chaining = false;
    m_busy = false;
    runNext();
}

void DNSConfiguration::runNext()
{
    if (m_busy || m_queue.empty()) {
        return;
    }
    m_busy = true;
    const Step operation = std::move(m_queue.front());
    m_queue.pop_front();
    operation();
}

void DNSConfiguration::run(const QString& command, std::function<void(const QString& output)> then)
{
    CommandRunner::shared().runShellCommand(command, this, std::move(then));
}

void DNSConfiguration::runEach(QStringList commands, Each each, Step then, qsizetype index)
{
    // Each command starts when the one before it has ended: networksetup changes one service at a time.
    if (index == commands.size()) {
        then();
        return;
    }
    const QString command = commands.at(index);
    run(command,
        [this, commands = std::move(commands), each = std::move(each), then = std::move(then), index](
            const QString& output) mutable {
            each(index, output);
            runEach(std::move(commands), std::move(each), std::move(then), index + 1);
        });
}

void DNSConfiguration::takeListing(const QString& listing)
{
    const QStringList listed = lines(listing);
    if (listed.value(0) != listingHeader) {
        // Not a listing but an error (networksetup missing, stopped at the time limit...): the
        // services last listed stay the ones handled.
        diagnostics::printLine(
            QStringLiteral("The network services could not be listed: ") + listing.trimmed());
        return;
    }
    if (listing != m_availableServicesString) {
        for (const QString& line : listed) {
            diagnostics::printLine(line);
            if (line == listingHeader || line.startsWith('*')) {
                diagnostics::printLine(QStringLiteral("This network does not have any services"));
            }
        }
    }
    m_availableServicesString = listing;
    m_services.clear();
    std::copy_if(listed.cbegin() + 1, listed.cend(), std::back_inserter(m_services),
        [](const QString& line) { return !line.startsWith('*'); });
}

void DNSConfiguration::readServices(Step then)
{
    run(QStringLiteral("networksetup -listallnetworkservices"),
        [this, then = std::move(then)](const QString& listing) {
            takeListing(listing);
            then();
        });
}

DNSConfiguration::ServiceStatus DNSConfiguration::statusOf(
    const QString& service, const QString& statusText) const
{
    const QStringList listed = lines(statusText);
    const bool allAddresses
        = !listed.isEmpty() && std::all_of(listed.cbegin(), listed.cend(), isServerAddress);
    const QStringList servers = allAddresses ? listed : QStringList();
    const bool resolverAlone = !servers.isEmpty()
        && std::all_of(
            servers.cbegin(), servers.cend(), [this](const QString& server) { return server == m_dnsIP; });
    return {service, statusText, servers, resolverAlone};
}

void DNSConfiguration::readStatuses(Step then)
{
    QStringList commands;
    for (const QString& service : std::as_const(m_services)) {
        commands.append(getCommand(service));
    }
    auto reading = std::make_shared<QList<ServiceStatus>>();
    const QStringList services = m_services;
    runEach(
        commands,
        [this, reading, services](qsizetype index, const QString& output) {
            reading->append(statusOf(services.at(index), output));
        },
        [this, reading, then = std::move(then)] {
            m_lastCheck = *reading;
            Q_EMIT lastCheckChanged();
            then();
        });
}

void DNSConfiguration::refresh(Step then)
{
    readServices([this, then = std::move(then)] { readStatuses(then); });
}

void DNSConfiguration::setResolverOnEveryService(Step then)
{
    QStringList commands;
    for (const QString& service : std::as_const(m_services)) {
        commands.append(setCommand(service) + m_dnsIP);
    }
    runEach(
        commands, [](qsizetype, const QString& output) { diagnostics::printLine(output); },
        [this, then = std::move(then)] { readStatuses(then); });
}

bool DNSConfiguration::verificationRuleHolds() const
{
    return !m_lastCheck.isEmpty()
        && std::all_of(m_lastCheck.cbegin(), m_lastCheck.cend(),
            [](const ServiceStatus& status) { return status.isProtected; });
}

bool DNSConfiguration::listsResolver(const ServiceStatus& status) const
{
    return status.servers.contains(m_dnsIP);
}

void DNSConfiguration::startProtection(Completion completion)
{
    enqueue([this, completion = std::move(completion)] {
        const auto report
            = [this, completion] { finish([this, completion] { completion(verificationRuleHolds()); }); };
        if (!verificationRuleHolds()) {
            readServices([this, report] { setResolverOnEveryService(report); });
            return;
        }
        diagnostics::printLine(QStringLiteral("already cinfigured"));
        refresh([this, report] {
            if (verificationRuleHolds()) {
                report();
            } else {
                // The servers were changed since they were last read: set them again.
                setResolverOnEveryService(report);
            }
        });
    });
}

void DNSConfiguration::closeProtection(Completion completion)
{
    enqueue([this, completion = std::move(completion)] {
        readServices([this, completion] {
            QStringList commands;
            for (const QString& service : std::as_const(m_services)) {
                commands.append(clearCommand(service));
            }
            const QStringList services = m_services;
            runEach(
                commands,
                [services](qsizetype index, const QString& output) {
                    if (services.at(index) == QLatin1String("Ethernet")) {
                        diagnostics::printLine(output);
                    }
                },
                [this, completion] {
                    readStatuses([this, completion] {
                        const bool stillShown = std::any_of(m_lastCheck.cbegin(), m_lastCheck.cend(),
                            [this](const ServiceStatus& status) { return listsResolver(status); });
                        finish([completion, stillShown] { completion(!stillShown); });
                    });
                });
        });
    });
}

void DNSConfiguration::isProtectionActive(Completion completion)
{
    enqueue([this, completion = std::move(completion)] {
        refresh([this, completion] { finish([this, completion] { completion(verificationRuleHolds()); }); });
    });
}

void DNSConfiguration::isProtectionActiveForConnection(Completion completion)
{
    enqueue([this, completion = std::move(completion)] {
        refresh([this, completion] {
            const auto wifiStatus = std::find_if(m_lastCheck.cbegin(), m_lastCheck.cend(),
                [](const ServiceStatus& status) { return status.name == wifi; });
            const bool onWifi = m_rechability && wifiStatus != m_lastCheck.cend()
                && m_rechability->currentConnection() == Reachability::Connection::wifi;
            const bool active = onWifi ? wifiStatus->isProtected : verificationRuleHolds();
            finish([completion, active] { completion(active); });
        });
    });
}

void DNSConfiguration::currentDNSServers(ServersCompletion completion)
{
    enqueue([this, completion = std::move(completion)] {
        refresh([this, completion] { finish([this, completion] { completion(lastCheckServers()); }); });
    });
}
