#pragma once

#include <QString>

#include <chrono>

// The deployment constants of this build: where the account server is, which resolver filters DNS,
// the bearer token sent before sign-in, the OAuth identifiers and the public website. Development
// builds let the environment variable of the same name replace each one.
namespace configuration {

QString apiBaseUrl(); // BREVAK_API_BASE_URL
QString resolverAddress(); // BREVAK_RESOLVER_ADDRESS
QString defaultToken(); // BREVAK_DEFAULT_TOKEN
QString googleClientId(); // BREVAK_GOOGLE_CLIENT_ID
QString googleClientSecret(); // BREVAK_GOOGLE_CLIENT_SECRET
QString googleAuthorizationUrl(); // BREVAK_GOOGLE_AUTHORIZATION_URL
QString googleTokenUrl(); // BREVAK_GOOGLE_TOKEN_URL
QString googleUserInfoUrl(); // BREVAK_GOOGLE_USERINFO_URL
QString facebookAppId(); // BREVAK_FACEBOOK_APP_ID
QString facebookDialogUrl(); // BREVAK_FACEBOOK_DIALOG_URL
QString facebookGraphUrl(); // BREVAK_FACEBOOK_GRAPH_URL
QString publicWebsite(); // BREVAK_PUBLIC_WEBSITE
// Development builds only: the storyboard identifier of a window to open at start (BREVAK_OPEN_WINDOW).
QString developmentWindow();

// How often DNS protection is checked: 60 seconds. Development builds may shorten it (never lengthen
// it) with BREVAK_PROTECTION_CHECK_SECONDS, as the end-to-end test does.
std::chrono::seconds protectionCheckPeriod();

} // namespace configuration
