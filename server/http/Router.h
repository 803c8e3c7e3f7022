#pragma once

#include "ApiTypes.h"

#include <QHash>

#include <functional>

class Authenticator;
class FormData;

// Turns a request into an answer: finds the endpoint, reads the form, checks the bearer token, and
// makes sure every failure still leaves as a JSON envelope (never an HTML page or a stack trace).
// Endpoint groups add their own routes (see their addRoutes).
class Router
{
public:
    static constexpr qsizetype maxBodyBytes = 64 * 1024;

    enum class Access {
        Anyone, // the application's token, or one of our session tokens, live or ended
        SignedInOrApplication, // signed in; the application's token gets status false, not 401
        SignedIn,
    };
    using Handler = std::function<ApiResponse(const Call&)>;
    // A page outside the API: GET reads the query, POST the form.
    using PageHandler = std::function<ApiResponse(const FormData&)>;
    // An address outside the API that reads the request itself (any method, its cookie).
    using RequestHandler = std::function<ApiResponse(const ApiRequest&)>;

    explicit Router(Authenticator& authenticator);

    // POST /api/v3/<name>.
    void addEndpoint(const QByteArray& name, Access access, Handler handler);
    template<typename Endpoints>
    void addEndpoint(const QByteArray& name, Access access, Endpoints& endpoints,
        ApiResponse (Endpoints::*method)(const Call&))
    {
        addEndpoint(
            name, access, [&endpoints, method](const Call& call) { return (endpoints.*method)(call); });
    }
    void addPage(const QByteArray& path, PageHandler show, PageHandler submit);
    void addRequestHandler(const QByteArray& path, RequestHandler handler);
    // What /health asks: empty when all is well, else the problem (answered with 503).
    void setHealthCheck(std::function<QString()> problem);

    ApiResponse handle(const ApiRequest& request);

private:
    struct Route
    {
        Access access;
        Handler handler;
    };
    struct Page
    {
        PageHandler show;
        PageHandler submit;
    };

    ApiResponse dispatch(const ApiRequest& request);
    ApiResponse handlePage(const ApiRequest& request, const Page& page);
    ApiResponse handleApi(const ApiRequest& request, const Route& route);

    Authenticator& m_authenticator;
    QHash<QByteArray, Route> m_routes;
    QHash<QByteArray, Page> m_pages;
    QHash<QByteArray, RequestHandler> m_requestHandlers;
    std::function<QString()> m_healthProblem;
};
