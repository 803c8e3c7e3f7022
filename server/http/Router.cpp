#include "Router.h"

#include "Authenticator.h"
#include "Database.h"
#include "Diagnostics.h"
#include "FormData.h"
#include "PasswordHasher.h"

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

Router::Router(Authenticator& authenticator)
    : m_authenticator(authenticator)
{ }

void Router::addEndpoint(const QByteArray& name, Access access, Handler handler)
{
    m_routes.insert(name, {access, std::move(handler)});
}

void Router::setHealthCheck(std::function<QString()> problem)
{
    m_healthProblem = std::move(problem);
}

void Router::addPage(const QByteArray& path, PageHandler show, PageHandler submit)
{
    m_pages.insert(path, {std::move(show), std::move(submit)});
}

void Router::addRequestHandler(const QByteArray& path, RequestHandler handler)
{
    m_requestHandlers.insert(path, std::move(handler));
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
        // Nothing was acknowledged: the client may try again once the database takes writes again.
        diagnostics::printLine(QStringLiteral("storage failure on ") + QString::fromUtf8(request.path)
            + QStringLiteral(": ") + QString::fromStdString(error.what()));
        return answers::failure(
            503, QStringLiteral("The server could not save or read your data. Please try again later."));
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
        const QString problem = m_healthProblem ? m_healthProblem() : QString();
        return problem.isEmpty() ? answers::success(QStringLiteral("ok")) : answers::failure(503, problem);
    }

    const auto handler = m_requestHandlers.constFind(request.path);
    if (handler != m_requestHandlers.cend())
        return (*handler)(request);

    const auto page = m_pages.constFind(request.path);
    if (page != m_pages.cend())
        return handlePage(request, *page);

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

ApiResponse Router::handlePage(const ApiRequest& request, const Page& page)
{
    QString error;
    if (request.method == "GET") {
        const std::optional<FormData> query = FormData::parse(request.query, error);
        return query ? page.show(*query) : answers::failure(422, error);
    }
    if (request.method == "POST") {
        if (!request.body.isEmpty() && !isFormContent(request.contentType))
            return answers::failure(
                422, QStringLiteral("Send the form as application/x-www-form-urlencoded."));
        const std::optional<FormData> form = FormData::parse(request.body, error);
        return form ? page.submit(*form) : answers::failure(422, error);
    }
    return answers::failure(405, QStringLiteral("Use GET or POST."));
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
