#include "Configuration.h"

#include "Deployment.h"

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

} // namespace

QString apiBaseUrl()
{
    return value("BREVAK_API_BASE_URL", deployment::apiBaseUrl);
}

QString resolverAddress()
{
    return value("BREVAK_RESOLVER_ADDRESS", deployment::resolverAddress);
}

QString defaultToken()
{
    return value("BREVAK_DEFAULT_TOKEN", deployment::defaultToken);
}

QString googleClientId()
{
    return value("BREVAK_GOOGLE_CLIENT_ID", deployment::googleClientId);
}

QString facebookAppId()
{
    return value("BREVAK_FACEBOOK_APP_ID", deployment::facebookAppId);
}

QString publicWebsite()
{
    return value("BREVAK_PUBLIC_WEBSITE", deployment::publicWebsite);
}

} // namespace configuration
