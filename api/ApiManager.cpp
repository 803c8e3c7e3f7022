#include "ApiManager.h"

#include "Alert.h"
#include "CommonWS.h"
#include "Configuration.h"
#include "Diagnostics.h"
#include "JsonText.h"
#include "MessageTable.h"
#include "NotificationCenter.h"
#include "Reachability.h"
#include "RequestLog.h"
#include "SettingsStore.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

std::optional<int> httpStatus(const QNetworkReply& reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        return std::nullopt;
    }
    return status.toInt();
}

// The network manager also reports HTTP statuses of 4xx and 5xx as errors; those are answers. Errors
// of the network and proxy layers (connection, DNS, TLS, timeouts, a transfer cut off midway) are not,
// even when a status line had already arrived.
bool isTransportFailure(const QNetworkReply& reply)
{
    const QNetworkReply::NetworkError error = reply.error();
    return !httpStatus(reply)
        || (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied);
}

} // namespace

ApiManager::ApiManager(Reachability* reachability, QObject* parent)
    : QObject(parent)
    , m_reachability(reachability)
{ }

ApiManager::~ApiManager() = default;

ApiManager& ApiManager::shared()
{
    return SharedService<ApiManager>::get();
}

void ApiManager::setNetworkAccessManager(QNetworkAccessManager* manager)
{
    m_network = manager;
}

std::unique_ptr<ApiWindowHost> ApiManager::setWindowHost(std::unique_ptr<ApiWindowHost> host)
{
    return std::exchange(m_windowHost, std::move(host));
}

QNetworkAccessManager& ApiManager::network()
{
    if (m_network) {
        return *m_network;
    }
    if (!m_ownNetwork) {
        m_ownNetwork = new QNetworkAccessManager(this);
    }
    return *m_ownNetwork;
}

void ApiManager::startReachability()
{
    if (m_watchingReachability || !m_reachability) {
        return;
    }
    m_watchingReachability = true;
    NotificationCenter::shared().addObserver(
        this, QString::fromLatin1(notifications::reachabilityChanged),
        [this](const QVariant&) { reachabilityChanged(); }, m_reachability.data());
    if (m_reachability->startNotifications()) {
        return; // the monitor stays, reading its flags when asked
    }
    m_reachability->whenReachable = [](Reachability&) { diagnostics::printLine(QStringLiteral("reached")); };
    m_reachability->whenUnreachable
        = [](Reachability&) { diagnostics::printLine(QStringLiteral("not reachable")); };
}

void ApiManager::reachabilityChanged()
{
    CommonWS(*this).syncURL();
    diagnostics::printLine(QStringLiteral("reachability changed"));
}

bool ApiManager::networkAvailable() const
{
    return m_watchingReachability && m_reachability
        && m_reachability->currentConnection() != Reachability::Connection::unavailable;
}

ApiManager::Headers ApiManager::authHeaders()
{
    const SettingsStore& store = SettingsStore::shared();
    const QString storedToken = store.textValue(keys::loginToken).value_or(QString());
    const QString token = storedToken.isEmpty() ? configuration::defaultToken() : storedToken;
    return {
        {QStringLiteral("Authorization"), QStringLiteral("Bearer ") + token},
        {QStringLiteral("X-localization"), store.textValue(keys::currentLanguage).value_or(QString())},
    };
}

void ApiManager::request(
    WebService service, const Parameters& parameters, FailureHandler onFailure, SuccessHandler onSuccess)
{
    if (!networkAvailable()) {
        if (m_windowHost && m_windowHost->hasMainWindow()) {
            showAlert(messages::ooops(), messages::networkNotReachable());
        }
        if (onFailure) {
            // Later, as an answer would come: callers set their state after they asked.
            QMetaObject::invokeMethod(
                this,
                [onFailure = std::move(onFailure)] {
                    onFailure({ApiError::Kind::notReachable, messages::networkNotReachable()});
                },
                Qt::QueuedConnection);
        }
        return;
    }

    QNetworkRequest request(webServiceUrl(service));
    const Headers headers = authHeaders();
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        // A null value would remove the header; an empty language is still sent, empty.
        const QByteArray value = it.value().isEmpty() ? QByteArray("") : it.value().toUtf8();
        request.setRawHeader(it.key().toUtf8(), value);
    }
    request.setHeader(QNetworkRequest::ContentTypeHeader,
        QByteArrayLiteral("application/x-www-form-urlencoded; charset=utf-8"));
    QNetworkReply* reply = network().post(request, formEncode(parameters));

    // A transfer that stops moving fails instead of waiting forever; any progress restarts the clock.
    auto timedOut = std::make_shared<bool>(false);
    auto* watchdog = new QTimer(reply);
    watchdog->setSingleShot(true);
    watchdog->setInterval(m_transferTimeout);
    const auto restartWatchdog = [watchdog] { watchdog->start(); };
    connect(reply, &QNetworkReply::uploadProgress, watchdog, restartWatchdog);
    connect(reply, &QNetworkReply::downloadProgress, watchdog, restartWatchdog);
    connect(watchdog, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this,
        [this, reply, watchdog, timedOut, service, parameters, onFailure = std::move(onFailure),
            onSuccess = std::move(onSuccess)] {
            watchdog->stop();
            reply->deleteLater();
            complete(*reply, service, parameters, *timedOut, onFailure, onSuccess);
        });
    watchdog->start();
}

void ApiManager::complete(QNetworkReply& reply, WebService service, const Parameters& parameters,
    bool timedOut, const FailureHandler& onFailure, const SuccessHandler& onSuccess)
{
    std::optional<ApiError> error;
    QByteArray body;
    if (timedOut) {
        error = ApiError {ApiError::Kind::timedOut, QStringLiteral("The request timed out.")};
    } else if (isTransportFailure(reply)) {
        error = ApiError {ApiError::Kind::transport, reply.errorString()};
    } else {
        body = reply.readAll();
        QString notJsonReason;
        if (!json::parse(body, &notJsonReason)) {
            error = ApiError {
                ApiError::Kind::notJson, QStringLiteral("The answer is not JSON: ") + notJsonReason};
        }
    }

    diagnostics::printLine(request_log::separator());
    diagnostics::printLine(
        QStringLiteral("API: ") + reply.request().url().toString() + QStringLiteral(" \n"));
    diagnostics::printLine(QStringLiteral("Param: ") + request_log::parametersText(parameters) + '\n');
    diagnostics::printLine(QStringLiteral("Header: ") + request_log::headersText(authHeaders()) + '\n');

    if (error) {
        diagnostics::printLine(QStringLiteral("Error : ") + error->text);
        diagnostics::printLine(request_log::separator());
        if (onFailure) {
            onFailure(*error);
        }
        return;
    }

    diagnostics::printLine(QStringLiteral("Response Data - %1 bytes").arg(body.size()));
    const int status = httpStatus(reply).value_or(0);
    if (status >= 200 && status <= 299) {
        if (onSuccess) {
            onSuccess(body);
        }
    } else if (status == 401) {
        expireSession(service);
    } else {
        showAlert(messages::ooops(), messages::errorCode() + QString::number(status), [onSuccess, body] {
            if (onSuccess) {
                onSuccess(body);
            }
        });
    }
}

void ApiManager::expireSession(WebService service)
{
    SettingsStore& store = SettingsStore::shared();
    const bool wasLoggedOut = store.boolValue(keys::isLoggedOut);
    // A signed-out user has no session to lose; the status synchronisation still runs at every
    // reachability change and gets a 401 for it.
    if (wasLoggedOut && service == WebService::syncURL) {
        if (m_windowHost) {
            m_windowHost->raiseFrontWindow();
        }
        return;
    }
    if (!wasLoggedOut && m_windowHost) {
        m_windowHost->endAttachedSheet();
    }
    // The session ends; the device's protection does not: the wish for DNS protection and the
    // blocked applications stay, so the minute check and the blocker go on with nobody signed in.
    store.wipeExcept({keys::dnsLastStatus, keys::blockedAppDetails});
    if (m_windowHost) {
        m_windowHost->showStartScreen();
    }
    store.setBool(keys::isLogin, false);
    store.setBool(keys::isLoggedOut, true);
}
