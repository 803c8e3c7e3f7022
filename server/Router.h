#pragma once

#include "ApiTypes.h"

#include <QHash>

#include <functional>

class AccountEndpoints;

class Authenticator;

class PinEndpoints;
class ResetPage;
class WebsiteEndpoints;

// Turns a request into an answer: finds the endpoint, reads the form, checks the bearer token, and
// makes sure every failure still leaves as a JSON envelope (never an HTML page or a stack trace).
class Router
{
public:
    static constexpr qsizetype maxBodyBytes = 64 * 1024;

    Router(Authenticator& authenticator, AccountEndpoints& accounts, PinEndpoints& pins,
        WebsiteEndpoints& websites, ResetPage& resetPage);

    ApiResponse handle(const ApiRequest& request);

private:
    enum class Access {
        Anyone, // the application's token, or one of our session tokens, live or ended
        SignedInOrApplication, // signed in; the application's token gets status false, not 401
        SignedIn,
    };
    struct Route
    {
        Access access;
        std::function<ApiResponse(const Call&)> handler;
    };

    ApiResponse dispatch(const ApiRequest& request);
    ApiResponse handleApi(const ApiRequest& request, const Route& route);

    Authenticator& m_authenticator;

    ResetPage& m_resetPage;
    QHash<QByteArray, Route> m_routes;
};
