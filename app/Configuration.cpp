#include "Configuration.h"

#include "Deployment.h"
#include "Diagnostics.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace configuration {

namespace {

QString value(const char* environmentName, const char* builtIn)
{
    if constexpr (deployment::environmentOverrides) {
        const QString overridden = qEnvironmentVariable(environmentName);
        if (!overridden.isEmpty()) {
            return overridden;
        }
    }
    return QString::fromUtf8(builtIn);
}

// The resolver address goes into shell commands, so only a dotted IPv4 address is taken.
bool isIPv4Address(const QString& text)
{
    static const QRegularExpression octet(QStringLiteral("^(25[0-5]|2[0-4][0-9]|1?[0-9]?[0-9])$"));
    const QStringList parts = text.split('.');
    return parts.size() == 4 && std::all_of(parts.cbegin(), parts.cend(), [](const QString& part) {
        return octet.match(part).hasMatch();
    });
}

} // namespace

QString apiBaseUrl()
{
    return value("BREVAK_API_BASE_URL", deployment::apiBaseUrl);
}

QString resolverAddress()
{
    const QString address = value("BREVAK_RESOLVER_ADDRESS", deployment::resolverAddress);
    if (!isIPv4Address(address)) {
        diagnostics::printLine("BREVAK_RESOLVER_ADDRESS \"" + address
            + "\" is not an IPv4 address; the built-in resolver is used");
        return QString::fromLatin1(deployment::resolverAddress);
    }
    return address;
}

QString defaultToken()
{
    return value("BREVAK_DEFAULT_TOKEN", deployment::defaultToken);
}

QString developmentWindow()
{
    return value("BREVAK_OPEN_WINDOW", "");
}

QString googleClientId()
{
    return value("BREVAK_GOOGLE_CLIENT_ID", deployment::googleClientId);
}

QString googleClientSecret()
{
    return value("BREVAK_GOOGLE_CLIENT_SECRET", deployment::googleClientSecret);
}

QString googleAuthorizationUrl()
{
    return value("BREVAK_GOOGLE_AUTHORIZATION_URL", deployment::googleAuthorizationUrl);
}

QString googleTokenUrl()
{
    return value("BREVAK_GOOGLE_TOKEN_URL", deployment::googleTokenUrl);
}

QString googleUserInfoUrl()
{
    return value("BREVAK_GOOGLE_USERINFO_URL", deployment::googleUserInfoUrl);
}

QString facebookAppId()
{
    return value("BREVAK_FACEBOOK_APP_ID", deployment::facebookAppId);
}

QString facebookDialogUrl()
{
    return value("BREVAK_FACEBOOK_DIALOG_URL", deployment::facebookDialogUrl);
}

QString facebookGraphUrl()
{
    return value("BREVAK_FACEBOOK_GRAPH_URL", deployment::facebookGraphUrl);
}

QString publicWebsite()
{
    return value("BREVAK_PUBLIC_WEBSITE", deployment::publicWebsite);
}

std::chrono::seconds protectionCheckPeriod()
{
    constexpr std::chrono::seconds standard(60);
    if constexpr (deployment::environmentOverrides) {
        bool ok = false;
        const int seconds = qEnvironmentVariableIntValue("BREVAK_PROTECTION_CHECK_SECONDS", &ok);
        if (ok && seconds > 0 && seconds < standard.count()) {
            return std::chrono::seconds(seconds);
        }
    }
    return standard;
}

} // namespace configuration
