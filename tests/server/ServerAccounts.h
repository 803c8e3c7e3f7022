#pragma once

#include "Configuration.h"
#include "ServerHarness.h"

// Accounts made over HTTP as the application makes them, for the tests that need one on a real server.

inline const QString testPassword = QStringLiteral("correct horse battery");

// A password sign-up with the application's own token; `extra` fields go after the usual ones.
inline HttpReply signUpOver(HttpClient& http, const QString& email, const QString& password = testPassword,
    const QString& device = QStringLiteral("Mac"), const Fields& extra = {})
{
    return http.post("signup",
        Fields {{"social_media", "0"}, {"device_name", device}, {"email", email}, {"password", password},
            {"profile_id", "0"}}
            + extra,
        configuration::defaultToken());
}

// The session token of a sign-up or sign-in answer, empty when it was refused.
inline QString sessionOf(const HttpReply& reply)
{
    return at(reply, "data.token").toString();
}
