#pragma once

#include "ApiWindowHost.h"
#include "FormEncoding.h"
#include "SharedService.h"
#include "WebService.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class Reachability;

// Why a request failed before an answer could be used.
struct ApiError
{
    enum class Kind {
        transport, // no HTTP answer: connection, DNS, TLS, proxy, aborted transfer
        timedOut, // no progress for the transfer time limit
        notJson, // an answer whose body is not JSON
        notReachable, // not sent: the network is unreachable, and the user has been told so
    };

    Kind kind;
    QString text;
};

// The one way to talk to the account server. A request is named by its WebService, posted with
// form-encoded parameters and the session headers, and answered on the main thread through one of
// two callbacks: the failure callback with an ApiError, or the success callback with the raw body.
// Exactly one of them runs, except after a 401.
// A 401 answer ends the session instead; any other status outside 2xx is shown to the user and the
// body still goes to the success callback, so the caller reads the server's message.
class ApiManager : public QObject
{
    Q_OBJECT

public:
    using FailureHandler = std::function<void(const ApiError& error)>;
    using SuccessHandler = std::function<void(const QByteArray& body)>;
    using Headers = QMap<QString, QString>;
    using Registration = SharedService<ApiManager>::Registration;

    // `reachability` is the process's monitor of the internet route, shared with the DNS
    // configuration and not owned; null when the platform cannot watch the route.
    explicit ApiManager(Reachability* reachability, QObject* parent = nullptr);
    ~ApiManager() override;

    // The registered client: the application's (ApplicationServices), or a test's own.
    static ApiManager& shared();

    // The network access manager requests go through; not owned. Null restores the client's own.
    void setNetworkAccessManager(QNetworkAccessManager* manager);
    // Installs the application's windows; returns the previous host.
    std::unique_ptr<ApiWindowHost> setWindowHost(std::unique_ptr<ApiWindowHost> host);
    // A transfer that makes no progress for this long (30 s unless set) fails as timed out.
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }

    // Starts watching the internet route: every change runs a status synchronisation, the monitor's
    // first report included. Until then, and for good without a monitor, every request is refused as
    // unreachable. Later calls (each new start screen makes one) change nothing: the process has one
    // monitor and hears it once.
    void startReachability();

    // Sends the request unless the network is unreachable: then the user is told (an alert, when
    // there is a main window) and the failure callback runs later with `notReachable`, so that the
    // screen that asked can give back its controls.
    void request(
        WebService service, const Parameters& parameters, FailureHandler onFailure, SuccessHandler onSuccess);

    // "Authorization": "Bearer " and the session token (the built-in default token while none is
    // stored); "X-localization": the stored interface language, or the empty text.
    static Headers authHeaders();

private:
    void reachabilityChanged();
    bool networkAvailable() const;
    QNetworkAccessManager& network();
    void complete(QNetworkReply& reply, WebService service, const Parameters& parameters, bool timedOut,
        const FailureHandler& onFailure, const SuccessHandler& onSuccess);
    void expireSession(WebService service);

    QPointer<QNetworkAccessManager> m_network;
    QNetworkAccessManager* m_ownNetwork = nullptr; // child, created on first use
    std::unique_ptr<ApiWindowHost> m_windowHost;
    QPointer<Reachability> m_reachability;
    bool m_watchingReachability = false;
    std::chrono::milliseconds m_transferTimeout = std::chrono::seconds(30);
};
