#pragma once

#include "ApiTypes.h"
#include "WebsiteStore.h"

class Clock;
class Database;
class PinLock;
class Router;

// The account's own blacklist of websites: one page of it, adding a website, and removing one (which
// the PIN lock guards).
class WebsiteEndpoints
{
public:
    static constexpr int perPage = 500;

    WebsiteEndpoints(Database& db, const Clock& clock, PinLock& lock, QString listUrl);
    void addRoutes(Router& router);

    ApiResponse list(const Call& call);
    ApiResponse block(const Call& call);
    ApiResponse unblock(const Call& call);

private:
    WebsiteStore m_websites;
    const Clock& m_clock;
    PinLock& m_lock;
    QString m_listUrl;
};
