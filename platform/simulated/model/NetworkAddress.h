#pragma once

#include <QString>

namespace simulated {

// An IPv4 address in dotted-decimal form or an IPv6 address, as networksetup accepts for DNS servers.
bool isValidIpAddress(const QString& text);

} // namespace simulated
