#include "NetworkAddress.h"

#include <arpa/inet.h>

namespace simulated {

bool isValidIpAddress(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    if (bytes.isEmpty() || QString::fromLatin1(bytes) != text) {
        return false;
    }
    unsigned char address[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, bytes.constData(), address) == 1
        || ::inet_pton(AF_INET6, bytes.constData(), address) == 1;
}

} // namespace simulated
