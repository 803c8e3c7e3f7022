#include "FormEncoding.h"

#include <QUrl>

QByteArray formEncode(const Parameters& parameters)
{
    QByteArray body;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        if (!body.isEmpty()) {
            body += '&';
        }
        body += QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
    }
    return body;
}
