#pragma once

#include "RecordingCommandRunner.h"

#include <QHash>
#include <QStringList>

// networksetup as a test scripts it, answered by a recording runner that is the registered one while
// it lives. Only the exact command texts of macOS are understood; anything else is kept as unexpected.
class FakeNetworkSetup
{
public:
    FakeNetworkSetup();

    // Every handled service showing `servers` (one a line).
    void setAll(const QString& servers);

    RecordingCommandRunner runner;
    QString listing; // the output of -listallnetworkservices
    QHash<QString, QString> servers; // service name -> servers, one a line
    QStringList refusing; // services whose changes fail as without admin rights
    QStringList unexpected;

    static inline const QString header
        = QStringLiteral("An asterisk (*) denotes that a network service is disabled.");
    static inline const QString typicalListing
        = header + QStringLiteral("\nEthernet\nWi-Fi\nThunderbolt Bridge\n*Bluetooth PAN\n");
    static inline const QString adminError = QStringLiteral("** Error: Command requires admin privileges.\n");

private:
    QString respond(const QString& command);
};
