#pragma once

#include "ApiWindowHost.h"
#include "FormEncoding.h"
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
    };

    Kind kind;
    QString text;
};

// The one way to talk to the account server. A request is named by its WebService, posted with
// form-encoded parameters and the session headers, and answered on the main thread through one of
// two callbacks: the failure callback with an ApiError, or the success callback with the raw body.
// A 401 answer ends the session instead; any other status outside 2xx is shown to the user and the
// body still goes to the success callback, so the caller reads the server's message.
class ApiManager : public QObject
{
    Q_OBJECT

public:
    using FailureHandler = std::function<void(const ApiError& error)>;
    using SuccessHandler = std::function<void(const QByteArray& body)>;
    using Headers = QMap<QString, QString>;

    explicit ApiManager(QObject* parent = nullptr);
    ~ApiManager() override;

    // The client of this process, created on first use as a child of the application object.
    static ApiManager& shared();

    // The network access manager requests go through; not owned. Null restores the client's own.
    void setNetworkAccessManager(QNetworkAccessManager* manager);
    // Installs the application's windows; returns the previous host.
    std::unique_ptr<ApiWindowHost> setWindowHost(std::unique_ptr<ApiWindowHost> host);
    // A transfer that makes no progress for this long (30 s unless set) fails as timed out.
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }

    // Starts watching the internet route: every change runs a status synchronisation. A monitor that
    // cannot be created stays absent, and every request is then refused as unreachable.
    void startReachability();
    // The same with a monitor of the caller's (tests give one over a fake flags source).
    void startReachability(std::unique_ptr<Reachability> monitor);

    // Sends the request unless the network is unreachable (then an alert, when there is a main
    // window, and neither callback runs).
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
    std::unique_ptr<Reachability> m_reachability;
    std::chrono::milliseconds m_transferTimeout = std::chrono::seconds(30);
};
