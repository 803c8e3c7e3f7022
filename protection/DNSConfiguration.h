#pragma once

#include "Reachability.h"
#include "SharedService.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// The one object that changes DNS settings. At every operation it reads the list of network services
// again with the system's networksetup, points the DNS servers of every enabled service at the
// filtering resolver or clears them, and decides from the servers it reads back whether protection is
// in force. It keeps no state on disk: what networksetup reports is the truth.
//
// Operations return at once and call their completion later, on the main thread. They run one after
// another in the order they were asked for, so the commands of two operations never interleave; an
// operation asked for from within a completion runs right after the operation that completed, before
// the others waiting. Main thread only.
class DNSConfiguration : public QObject
{
    Q_OBJECT

public:
    using Completion = std::function<void(bool)>;
    using ServersCompletion = std::function<void(const QStringList&)>;
    using Registration = SharedService<DNSConfiguration>::Registration;

    // What the last reading found for one enabled network service.
    struct ServiceStatus
    {
        QString name; // as networksetup lists it
        QString statusText; // the output of its get command, as returned
        QStringList servers; // the addresses in it, in order; empty when none is set or it was unreadable
        bool isProtected = false; // the resolver alone: a second server would let look-ups around the filter
    };

    // The registered instance: the application's (ApplicationServices makes it on first use), or a
    // test's own.
    static DNSConfiguration& shared();

    // `reachability` is the process's monitor of the internet route, not owned (null: none); its
    // notifications are started, so that its flags stay current.
    explicit DNSConfiguration(Reachability* reachability = nullptr, QObject* parent = nullptr);
    ~DNSConfiguration() override;

    // Sets the resolver on every enabled service, unless the last reading showed protection in force
    // and a new one still does, then reads the servers back. `completion` gets true when protection
    // holds.
    void startProtection(Completion completion);
    // Clears the servers of every enabled service and reads them back. `completion` gets true when no
    // enabled service shows the resolver any more.
    void closeProtection(Completion completion);
    // Reads the servers; `completion` gets whether protection holds: every enabled service, and one
    // at least, shows the resolver alone.
    void isProtectionActive(Completion completion);
    // As isProtectionActive, but on a Wi-Fi kind of connection only the Wi-Fi service counts.
    void isProtectionActiveForConnection(Completion completion);
    // Reads the servers; `completion` gets them as the log prints them (lastCheckServers).
    void currentDNSServers(ServersCompletion completion);

    const QString& dnsIP() const { return m_dnsIP; }
    // The output of the last service listing.
    const QString& availableServicesString() const { return m_availableServicesString; }
    // The last reading: every enabled service, in listing order; empty before the first.
    const QList<ServiceStatus>& lastCheck() const { return m_lastCheck; }
    // The last reading as the log prints it: each service's status text followed by its name in
    // brackets, " (Ethernet)", " (Wi-Fi)", " (Thunderbolt)" for Thunderbolt Bridge, " (<name>)" for
    // any other.
    QStringList lastCheckServers() const;
    Reachability* rechability() const { return m_rechability; }

    // A service's commands. "Ethernet", "Wi-Fi" and "Thunderbolt Bridge" have fixed texts; any other
    // name is one quoted shell word. The resolver address follows the set command directly.
    static QString getCommand(const QString& service);
    static QString setCommand(const QString& service);
    static QString clearCommand(const QString& service);

Q_SIGNALS:
    // A reading of the servers completed; lastCheck() holds it.
    void lastCheckChanged();

private:
    using Step = std::function<void()>;

    void enqueue(Step operation);
    // Ends the running operation: `deliver` calls its completion, then the next operation starts.
    void finish(const Step& deliver);
    void runNext();

    void run(const QString& command, std::function<void(const QString& output)> then);
    using Each = std::function<void(qsizetype index, const QString& output)>;
    // Runs the commands one after another, handing each output to `each`, then runs `then`.
    void runEach(QStringList commands, Each each, Step then, qsizetype index = 0);
    // Reads the service listing, then the servers of every enabled service.
    void refresh(Step then);
    void readServices(Step then);
    void readStatuses(Step then);
    void setResolverOnEveryService(Step then);
    void takeListing(const QString& listing);

    bool verificationRuleHolds() const;
    bool listsResolver(const ServiceStatus& status) const;
    ServiceStatus statusOf(const QString& service, const QString& statusText) const;

    QString m_dnsIP;
    QString m_availableServicesString;
    QStringList m_services; // the enabled services of the last listing that could be read
    QList<ServiceStatus> m_lastCheck;
    QPointer<Reachability> m_rechability;

    std::deque<Step> m_queue;
    bool m_busy = false;
    // While a completion runs, operations it asks for go to the front of the queue, in order.
    bool m_chaining = false;
    std::size_t m_chainPosition = 0;
};
