#include "Router.h"

#include "AccountEndpoints.h"
#include "Authenticator.h"
#include "Database.h"
#include "Diagnostics.h"
#include "FormData.h"
#include "PasswordHasher.h"
#include "PinEndpoints.h"
#include "ResetPage.h"
#include "WebsiteEndpoints.h"

namespace {

const QByteArray apiPrefix = "/api/v3/";

bool isFormContent(const QByteArray& contentType)
{
    const QByteArray type = contentType.split(';').first().trimmed().toLower();
    if (type != "application/x-www-form-urlencoded")
        return false;
    const qsizetype charset = contentType.toLower().indexOf("charset=");
    if (charset < 0)
        return true;
    const QByteArray name
        = contentType.mid(charset + 8).split(';').first().trimmed().toLower().replace('"', "");
    return name == "utf-8" || name == "utf8";
}

} // namespace

Router::Router(Authenticator& authenticator, AccountEndpoints& accounts, PinEndpoints& pins,
    WebsiteEndpoints& websites, ResetPage& resetPage)
    : m_authenticator(authenticator)
    , m_resetPage(resetPage)
{
    auto on = [](auto& endpoints, auto method) {
        return [&endpoints, method](const Call& call) { return (endpoints.*method)(call); };
    };
    m_routes = {
        {"signup", {Access::Anyone, on(accounts, &AccountEndpoints::signup)}},
        {"login", {Access::Anyone, on(accounts, &AccountEndpoints::login)}},
        {"forgot-password", {Access::Anyone, on(accounts, &AccountEndpoints::forgotPassword)}},
        {"update-profile", {Access::SignedIn, on(accounts, &AccountEndpoints::updateProfile)}},
        {"logout", {Access::SignedIn, on(accounts, &AccountEndpoints::logout)}},
        {"sync-url", {Access::SignedInOrApplication, on(accounts, &AccountEndpoints::sync)}},
        {"setupPin", {Access::SignedIn, on(pins, &PinEndpoints::setupPin)}},
        {"checkPin", {Access::SignedIn, on(pins, &PinEndpoints::checkPin)}},
        {"retrievePin", {Access::SignedIn, on(pins, &PinEndpoints::retrievePin)}},
        {"updatePin", {Access::SignedIn, on(pins, &PinEndpoints::updatePin)}},
        {"removepin", {Access::SignedIn, on(pins, &PinEndpoints::removePin)}},
        {"getblockwebsitebyuser", {Access::SignedIn, on(websites, &WebsiteEndpoints::list)}},
        {"blockwesitebyuser", {Access::SignedIn, on(websites, &WebsiteEndpoints::block)}},
        {"unblockwesitebyuser", {Access::SignedIn, on(websites, &WebsiteEndpoints::unblock)}},
    };
}

ApiResponse Router::handle(const ApiRequest& request)
{
    try {
        return dispatch(request);
    } catch (const ServerBusy&) {
        ApiResponse busy
            = answers::failure(503, QStringLiteral("The server is busy. Please try again in a moment."));
        busy.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray("5")));
        return busy;
    } catch (const StorageError& error) {
        diagnostics::printLine(QStringLiteral("storage failure on ") + QString::fromUtf8(request.path)
            + QStringLiteral(": ") + QString::fromStdString(error.what()));
    } catch (const std::exception& error) {
        diagnostics::printLine(QStringLiteral("failure on ") + QString::fromUtf8(request.path)
            + QStringLiteral(": ") + QString::fromStdString(error.what()));
    }
    return answers::failure(
        500, QStringLiteral("The server could not complete the request. Please try again later."));
}

ApiResponse Router::dispatch(const ApiRequest& request)
{
    if (request.body.size() > maxBodyBytes)
        return answers::failure(413, QStringLiteral("The request is larger than 64 KiB."));

    if (request.path == "/health") {
        if (request.method != "GET" && request.method != "HEAD")
            return answers::failure(405, QStringLiteral("Use GET."));
        return answers::success(QStringLiteral("ok"));
    }

    QString error;
    if (request.path == "/password/reset") {
        if (request.method == "GET") {
            const std::optional<FormData> query = FormData::parse(request.query, error);
            return query ? m_resetPage.show(*query) : answers::failure(422, error);
        }
        if (request.method == "POST") {
            if (!request.body.isEmpty() && !isFormContent(request.contentType))
                return answers::failure(
                    415, QStringLiteral("Send the form as application/x-www-form-urlencoded."));
            const std::optional<FormData> form = FormData::parse(request.body, error);
            return form ? m_resetPage.submit(*form) : answers::failure(422, error);
        }
        return answers::failure(405, QStringLiteral("Use GET or POST."));
    }

    if (request.path.startsWith(apiPrefix)) {
        const auto route = m_routes.constFind(request.path.mid(apiPrefix.size()));
        if (route != m_routes.cend()) {
            if (request.method != "POST")
                return answers::failure(405, QStringLiteral("Use POST."));
            return handleApi(request, *route);
        }
    }
    return answers::failure(404, QStringLiteral("There is nothing at this address."));
}

ApiResponse Router::handleApi(const ApiRequest& request, const Route& route)
{
    QString error;
    if (!request.body.isEmpty() && !isFormContent(request.contentType))
        return answers::failure(
            422, QStringLiteral("Send the fields as application/x-www-form-urlencoded (UTF-8)."));
    const std::optional<FormData> form = FormData::parse(request.body, error);
    if (!form)
        return answers::failure(422, QStringLiteral("The request is malformed: ") + error + u'.');
    const std::optional<FormData> query = FormData::parse(request.query, error);
    if (!query)
        return answers::failure(422, QStringLiteral("The address is malformed: ") + error + u'.');

    const Identity identity = m_authenticator.identify(request.authorization);
    auto unauthenticated = [] { return answers::failure(401, QStringLiteral("Unauthenticated.")); };
    Call call {*form, *query, nullptr, request.remoteAddress};
    switch (route.access) {
    case Access::Anyone:
        // Signing in needs no session: the application may still send one this server has forgotten
        // (after a logout, or a database restored from a backup), and a 401 would wipe its settings.
        if (identity.kind == Identity::Kind::Missing)
            return unauthenticated();
        break;
    case Access::SignedInOrApplication:
        // A first launch asks before anybody signed in; 401 would make the application wipe its settings.
        if (identity.kind == Identity::Kind::Application)
            return answers::refusal(resultcode::badCredentials, QStringLiteral("Nobody is signed in."));
        [[fallthrough]];
    case Access::SignedIn:
        if (identity.kind != Identity::Kind::SignedIn)
            return unauthenticated();
        call.session = &*identity.session;
        break;
    }
    if (call.session)
        m_authenticator.keepAlive(*call.session);
    return route.handler(call);
}
