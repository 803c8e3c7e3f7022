#pragma once

#include "ApiManager.h"
#include "CommandRunner.h"
#include "CommonWS.h"
#include "DNSConfiguration.h"
#include "NotificationCenter.h"
#include "Reachability.h"
#include "SettingsStore.h"

#include <memory>

class QNetworkAccessManager;

// The services of the process and their one owner: created in main() right after the QApplication
// and destroyed before it, so that no service outlives the event loop's objects. While it lives,
// each service is what its shared() accessor hands out. There is one reachability monitor for the
// whole process, shared by the API client and the DNS configuration.
//
// Tests build their own over fakes: the network parts below, and, registered after the services
// and so in their place, a settings store or a command runner of their own.
class ApplicationServices
{
public:
    // The parts that reach the network; each one left empty is the real one.
    struct Parts
    {
        std::unique_ptr<platform::ReachabilityFlagsSource> reachabilityFlags; // the platform's
        QNetworkAccessManager* network = nullptr; // not owned; the API client's own when null
    };

    ApplicationServices();
    explicit ApplicationServices(Parts parts);
    ~ApplicationServices();
    ApplicationServices(const ApplicationServices&) = delete;
    ApplicationServices& operator=(const ApplicationServices&) = delete;

    SettingsStore& settings() { return m_settings; }
    NotificationCenter& notifications() { return m_notifications; }
    CommandRunner& commandRunner() { return m_commandRunner; }
    // Null when the platform cannot watch the internet route.
    Reachability* reachability() const { return m_reachability.get(); }
    ApiManager& api() { return m_api; }
    CommonWS& commonWS() { return m_commonWS; }
    // Made on first use, as it lists the network services then.
    DNSConfiguration& dnsConfiguration();

private:
    SettingsStore m_settings;
    SettingsStore::Registration m_settingsRegistration {m_settings};
    NotificationCenter m_notifications;
    NotificationCenter::Registration m_notificationsRegistration {m_notifications};
    ProcessCommandRunner m_commandRunner;
    CommandRunner::Registration m_commandRunnerRegistration {m_commandRunner};
    std::unique_ptr<Reachability> m_reachability;
    ApiManager m_api;
    ApiManager::Registration m_apiRegistration {m_api};
    CommonWS m_commonWS {m_api};
    CommonWS::Registration m_commonWSRegistration {m_commonWS};
    std::unique_ptr<DNSConfiguration> m_dnsConfiguration;
    DNSConfiguration::Registration m_dnsConfigurationRegistration {
        [this]() -> DNSConfiguration& { return dnsConfiguration(); }};
};
