#pragma once

#include "ApiTypes.h"
#include "ResetStore.h"
#include "SessionStore.h"
#include "UserStore.h"

class Clock;
class Database;
class FormData;
class PasswordHasher;
class Router;

// The small page the reset mail links to: GET shows the form for a usable link, POST sets the new
// password, uses the link up and signs out every session of the account.
class ResetPage
{
public:
    ResetPage(Database& db, const Clock& clock, PasswordHasher& hasher);
    void addRoutes(Router& router); // at /password/reset

    ApiResponse show(const FormData& query);
    ApiResponse submit(const FormData& form);

private:
    UserStore m_users;
    SessionStore m_sessions;
    ResetStore m_resets;
    const Clock& m_clock;
    PasswordHasher& m_hasher;
};
