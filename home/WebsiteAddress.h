#pragma once

#include <QStringList>

// The typed website as the blacklist sends it: lower-cased, one leading "https://" or "http://"
// dropped, and everything from the first "/" on left out. Nothing else is checked or trimmed.
struct WebsiteAddress
{
    QStringList parts; // the text without its scheme, split at every "/"
    QString domain; // the first part

    static WebsiteAddress fromInput(const QString& input);
};
