#include "ApplicationServices.h"

#include "platform.h"

namespace {

std::unique_ptr<Reachability> internetReachability(std::unique_ptr<platform::ReachabilityFlagsSource> flags)
{
    if (flags) {
        return std::make_unique<Reachability>(std::move(flags), true);
    }
    return Reachability::forInternetConnection(true);
}

} // namespace

ApplicationServices::ApplicationServices()
    : ApplicationServices(Parts {})
{ }

ApplicationServices::ApplicationServices(Parts parts)
    : m_settings(platform::createUserDefaults())
    , m_reachability(internetReachability(std::move(parts.reachabilityFlags)))
    , m_api(m_reachability.get())
{
    m_api.setNetworkAccessManager(parts.network);
}

ApplicationServices::~ApplicationServices() = default;

DNSConfiguration& ApplicationServices::dnsConfiguration()
{
    if (!m_dnsConfiguration) {
        m_dnsConfiguration = std::make_unique<DNSConfiguration>(m_reachability.get());
    }
    return *m_dnsConfiguration;
}
