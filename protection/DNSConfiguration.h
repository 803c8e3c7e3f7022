#pragma once

#include "Reachability.h"
#include "SharedService.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

// The one object that changes DNS settings. It learns at creation which of the three handled network
// services exist, points their DNS servers at the filtering resolver or clears them with the system's
// networksetup, and decides from the servers it reads back whether protection is in force. It keeps
// no state on disk: what networksetup reports is the truth. Main thread only.
class DNSConfiguration
{
public:
    // The handled services, in this order.
    enum class networkservices { Ethernet, WiFi, Thunderbolt };

    using Completion = std::function<void(bool)>;
    using Registration = SharedService<DNSConfiguration>::Registration;

    // The registered instance: the application's (ApplicationServices makes it on first use), or a
    // test's own.
    static DNSConfiguration& shared();

    // Takes the service listing, printing each of its lines. `reachability` is the process's monitor
    // of the internet route, not owned (null: none); its notifications are started, so that its
    // flags stay current.
    explicit DNSConfiguration(Reachability* reachability = nullptr);
    ~DNSConfiguration();
    DNSConfiguration(const DNSConfiguration&) = delete;
    DNSConfiguration& operator=(const DNSConfiguration&) = delete;

    // Sets the resolver on every listed service, unless the servers last read already show it, then
    // reads them back. Calls `completion` once, before returning, with true when protection holds.
    void startProtection(const Completion& completion);
    // Clears the servers of every listed service and reads them back. Calls `completion` once, before
    // returning, with true when no listed service shows the resolver any more.
    void closeProtection(const Completion& completion);
    // Reads the servers back and tells whether protection holds.
    bool isProtectionActive();
    // As isProtectionActive, but on a Wi-Fi kind of connection only the Wi-Fi service counts.
    bool isProtectionActiveForConnection();
    // The servers read back, each service's text followed by " (Ethernet)", " (Wi-Fi)" and, when that
    // service is listed, " (Thunderbolt)".
    QStringList currentDNSServers();

    const QString& dnsIP() const { return m_dnsIP; }
    const QString& availableServicesString() const { return m_availableServicesString; }
    const QList<networkservices>& availableServices() const { return m_availableServices; }
    // The last output of the service's get command, as returned; empty before the first read.
    const QString& statusString(networkservices service) const;
    Reachability* rechability() const { return m_rechability; }

    // The service's fixed texts.
    static QString listingName(networkservices service);
    static QString getCommand(networkservices service);
    static QString setCommand(networkservices service); // the resolver address follows directly
    static QString clearCommand(networkservices service);

private:
    QString& storedStatusString(networkservices service);
    void refreshServiceStatus();
    // Whether the servers of a status text are the resolver alone: a second server would let look-ups
    // go around the filter.
    bool protects(const QString& statusText) const;
    // Whether one of the servers of a status text is the resolver.
    bool listsResolver(const QString& statusText) const;
    // Protection holds when every listed service shows the resolver, and at least one is listed.
    bool verificationRuleHolds() const;

    QString m_dnsIP;
    QString m_ethernetStatusString;
    QString m_wifiStatusString;
    QString m_thunderboltStatusString;
    QString m_availableServicesString;
    QPointer<Reachability> m_rechability;
    QList<networkservices> m_availableServices;
};
