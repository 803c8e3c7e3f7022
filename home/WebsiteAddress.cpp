#include "WebsiteAddress.h"

WebsiteAddress WebsiteAddress::fromInput(const QString& input)
{
    QString text = input.toLower();
    for (const QLatin1String scheme : {QLatin1String("https://"), QLatin1String("http://")}) {
        if (text.startsWith(scheme)) {
            text.remove(0, scheme.size());
            break;
        }
    }
    WebsiteAddress address;
    address.parts = text.split('/');
    address.domain = address.parts.first();
    return address;
}
