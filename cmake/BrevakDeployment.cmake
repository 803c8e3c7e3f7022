# Deployment constants compiled into the application. A release build sets them on the cmake command
# line; development builds may also override them at run time through the environment variable of the
# same name when BREVAK_ENVIRONMENT_OVERRIDES is on (see README.md).

file(READ ${CMAKE_CURRENT_LIST_DIR}/default-token.jwt _brevak_default_token)
string(STRIP "${_brevak_default_token}" _brevak_default_token)

set(BREVAK_API_BASE_URL "http://127.0.0.1:8080" CACHE STRING "Account server base URL (release builds use https)")
set(BREVAK_RESOLVER_ADDRESS "198.51.100.153" CACHE STRING "IPv4 address of the filtering DNS resolver")
# The address goes into shell commands: only a dotted IPv4 address is taken.
set(_brevak_octet "(25[0-5]|2[0-4][0-9]|1?[0-9]?[0-9])")
if(NOT BREVAK_RESOLVER_ADDRESS MATCHES "^${_brevak_octet}\\.${_brevak_octet}\\.${_brevak_octet}\\.${_brevak_octet}$")
    message(FATAL_ERROR "BREVAK_RESOLVER_ADDRESS must be a dotted IPv4 address, not \"${BREVAK_RESOLVER_ADDRESS}\"")
endif()
set(BREVAK_DEFAULT_TOKEN "${_brevak_default_token}" CACHE STRING "Bearer token sent while no user is signed in")
set(BREVAK_GOOGLE_CLIENT_ID "000000000000-brevakdevelopmentclient0000.apps.googleusercontent.com"
    CACHE STRING "Google OAuth client identifier")
# Google sign-in: the authorization-code flow with PKCE in the system browser, then the user's profile.
# Google gives desktop clients a secret that is not secret (it ships in every copy); leave it empty
# for a provider that does not ask for one.
set(BREVAK_GOOGLE_CLIENT_SECRET "" CACHE STRING "Google OAuth client secret of the desktop client")
set(BREVAK_GOOGLE_AUTHORIZATION_URL "https://accounts.google.com/o/oauth2/v2/auth"
    CACHE STRING "Google OAuth authorization endpoint")
set(BREVAK_GOOGLE_TOKEN_URL "https://oauth2.googleapis.com/token" CACHE STRING "Google OAuth token endpoint")
set(BREVAK_GOOGLE_USERINFO_URL "https://openidconnect.googleapis.com/v1/userinfo"
    CACHE STRING "Google user information endpoint")
set(BREVAK_FACEBOOK_APP_ID "000000000000000" CACHE STRING "Facebook application identifier")
set(BREVAK_FACEBOOK_DIALOG_URL "https://www.facebook.com/v7.0/dialog/oauth" CACHE STRING "Facebook OAuth dialog")
set(BREVAK_FACEBOOK_GRAPH_URL "https://graph.facebook.com/me" CACHE STRING "Facebook Graph API: the user's own node")
set(BREVAK_PUBLIC_WEBSITE "https://www.brevak.app" CACHE STRING "Public website (terms of use, privacy policy)")

if(APPLE)
    set(_brevak_overrides_default OFF)
else()
    set(_brevak_overrides_default ON)
endif()
option(BREVAK_ENVIRONMENT_OVERRIDES "Let environment variables replace the deployment constants"
       ${_brevak_overrides_default})
