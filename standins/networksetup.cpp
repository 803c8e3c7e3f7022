// networksetup of the simulated Mac: lists the network services and reads and sets their DNS
// servers, with the texts and exit statuses of macOS's own tool, errors included.
#include "NetworkAddress.h"
#include "StandIn.h"

#include <QCoreApplication>
#include <QThread>

#include <unistd.h>

using simulated::MacState;
using simulated::NetworkService;
using standin::printOut;

namespace {

constexpr int invalidParameters = 4;
constexpr int needsAdministrator = 14;
const QString program = QStringLiteral("networksetup");

int parametersNotValid(const QString& reason = {})
{
    printOut(reason + QStringLiteral("** Error: The parameters were not valid.\n"));
    return invalidParameters;
}

int usage(const QString& line)
{
    printOut(QStringLiteral("Usage: networksetup %1\n").arg(line));
    return parametersNotValid();
}

int unrecognizedService(const QString& name)
{
    return parametersNotValid(name + QStringLiteral(" is not a recognized network service.\n"));
}

int listAllNetworkServices(const MacState& state)
{
    QString listing = QStringLiteral("An asterisk (*) denotes that a network service is disabled.\n");
    for (const NetworkService& service : state.networkServices) {
        listing += (service.enabled ? QString() : QStringLiteral("*")) + service.name + '\n';
    }
    printOut(listing);
    return 0;
}

int getDnsServers(const MacState& state, const QString& serviceName)
{
    const NetworkService* service = state.findService(serviceName);
    if (!service) {
        return unrecognizedService(serviceName);
    }
    if (service->dnsServers.isEmpty()) {
        printOut(QStringLiteral("There aren't any DNS Servers set on %1.\n").arg(serviceName));
    } else {
        printOut(service->dnsServers.join('\n') + '\n');
    }
    return 0;
}

int setDnsServers(simulated::StateFile& file, const QString& serviceName, const QStringList& addresses)
{
    // "Empty" alone clears the list; any other word must be an address.
    const bool clear = addresses.size() == 1 && addresses.first().compare("empty", Qt::CaseInsensitive) == 0;
    int status = 0;
    QString error;
    const bool written = file.modify(
        [&](MacState& state) {
            NetworkService* service = state.findService(serviceName);
            if (!service) {
                status = unrecognizedService(serviceName);
                return false;
            }
            for (const QString& address : addresses) {
                if (!clear && !simulated::isValidIpAddress(address)) {
                    status = parametersNotValid(address + QStringLiteral(" is not a valid IP address.\n"));
                    return false;
                }
            }
            if (state.denyNetworkChanges) {
                printOut(QStringLiteral("** Error: Command requires admin privileges.\n"));
                status = needsAdministrator;
                return false;
            }
            service->dnsServers = clear ? QStringList() : addresses;
            return true;
        },
        &error);
    if (!written) {
        standin::printError(program + QStringLiteral(": ") + error + '\n');
        return 1;
    }
    return status;
}

// While the hang switch is on, networksetup does what a program that never answers does. It goes on
// when the switch is off, and ends when whoever started it is gone (stopped at a time limit, say).
bool waitWhileHanging(const simulated::StateFile& file)
{
    const pid_t parent = ::getppid();
    for (;;) {
        const std::optional<MacState> state = file.read();
        if (!state || !state->hangNetworkSetup) {
            return true;
        }
        // Left to init, at once or later: nobody waits for the answer any more.
        if (::getppid() != parent || parent == 1) {
            return false;
        }
        QThread::msleep(20);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString command = arguments.value(0).toLower();
    simulated::StateFile file;
    if (!waitWhileHanging(file)) {
        return 1;
    }

    if (command == "-listallnetworkservices" || command == "-getdnsservers") {
        const std::optional<MacState> state = standin::readState(file, program);
        if (!state) {
            return 1;
        }
        if (command == "-listallnetworkservices") {
            return arguments.size() == 1 ? listAllNetworkServices(*state) : usage("-listallnetworkservices");
        }
        return arguments.size() == 2 ? getDnsServers(*state, arguments.at(1))
                                     : usage("-getdnsservers <networkservice>");
    }
    if (command == "-setdnsservers") {
        return arguments.size() >= 3 ? setDnsServers(file, arguments.at(1), arguments.mid(2))
                                     : usage("-setdnsservers <networkservice> <dns1> [dns2] [...]");
    }
    printOut(QStringLiteral("Usage: networksetup -listallnetworkservices\n"
                            "       networksetup -getdnsservers <networkservice>\n"
                            "       networksetup -setdnsservers <networkservice> <dns1> [dns2] [...]\n"
                            "(The simulated Mac's networksetup knows these commands only.)\n"));
    return command.isEmpty() || command == "-help" ? 0 : invalidParameters;
}
