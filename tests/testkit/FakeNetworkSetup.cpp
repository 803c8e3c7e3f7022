#include "FakeNetworkSetup.h"

#include <QRegularExpression>

FakeNetworkSetup::FakeNetworkSetup()
    : listing(typicalListing)
{
    runner.setResponder([this](const QString& command) { return respond(command); });
}

void FakeNetworkSetup::setAll(const QString& value)
{
    for (const char* name : {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"}) {
        servers.insert(QString::fromLatin1(name), value);
    }
}

QString FakeNetworkSetup::respond(const QString& command)
{
    // The three fixed names, or any name as one single-quoted shell word.
    static const QRegularExpression known(
        R"(^networksetup -(get|set)dnsservers )"
        R"((Ethernet|Wi-Fi|"Thunderbolt Bridge"|'(?:[^']|'\\'')*')( "Empty"| \d+\.\d+\.\d+\.\d+)?$)");
    if (command == QLatin1String("networksetup -listallnetworkservices")) {
        return listing;
    }
    const QRegularExpressionMatch match = known.match(command);
    QString name = match.captured(2);
    if (name.startsWith('\'')) {
        name = name.mid(1, name.size() - 2).replace(QLatin1String("'\\''"), QLatin1String("'"));
    } else {
        name.remove('"');
    }
    const QString value = match.captured(3).trimmed();
    if (match.hasMatch() && match.captured(1) == QLatin1String("get") && value.isEmpty()) {
        const QString current = servers.value(name);
        return current.isEmpty() ? "There aren't any DNS Servers set on " + name + ".\n" : current;
    }
    if (match.hasMatch() && match.captured(1) == QLatin1String("set") && !value.isEmpty()) {
        if (refusing.contains(name)) {
            return adminError;
        }
        servers.insert(name, value == QLatin1String("\"Empty\"") ? QString() : value + '\n');
        return {};
    }
    unexpected.append(command);
    return QStringLiteral("unexpected command\n");
}
