#include "WebsiteEndpoints.h"

#include "Clock.h"
#include "FormData.h"
#include "PinEndpoints.h"
#include "Router.h"
#include "ServerRecords.h"
#include "Validation.h"

WebsiteEndpoints::WebsiteEndpoints(Database& db, const Clock& clock, PinLock& lock, QString listUrl)
    : m_websites(db)
    , m_clock(clock)
    , m_lock(lock)
    , m_listUrl(std::move(listUrl))
{ }

void WebsiteEndpoints::addRoutes(Router& router)
{
    router.addEndpoint("getblockwebsitebyuser", Router::Access::SignedIn, *this, &WebsiteEndpoints::list);
    router.addEndpoint("blockwesitebyuser", Router::Access::SignedIn, *this, &WebsiteEndpoints::block);
    router.addEndpoint("unblockwesitebyuser", Router::Access::SignedIn, *this, &WebsiteEndpoints::unblock);
}

ApiResponse WebsiteEndpoints::list(const Call& call)
{
    if (std::optional<ApiResponse> refused = validation::refuseForeignUserId(call))
        return *refused;
    qint64 page = 1;
    if (const std::optional<QString> asked = call.query.value(QStringLiteral("page"))) {
        const std::optional<qint64> number = validation::positiveId(*asked);
        if (!number || *number > 1000000)
            return answers::failure(422, QStringLiteral("The page must be a positive number."));
        page = *number;
    }
    const qint64 total = m_websites.count(call.userId());
    const QList<WebsiteRecord> rows = m_websites.page(call.userId(), (page - 1) * perPage, perPage);
    return answers::success(QStringLiteral("Your blocked websites."),
        records::websitePage(rows, page, perPage, total, m_listUrl));
}

ApiResponse WebsiteEndpoints::block(const Call& call)
{
    if (std::optional<ApiResponse> refused = validation::refuseForeignUserId(call))
        return *refused;
    const std::optional<QString> domain = call.form.value(QStringLiteral("domain"));
    if (!domain)
        return Call::missingField(QStringLiteral("domain"));
    if (!validation::isAcceptableDomain(*domain))
        return answers::refusal(resultcode::invalid, QStringLiteral("Please enter a valid website."));
    const std::optional<WebsiteRecord> added = m_websites.add(call.userId(), *domain, m_clock.now());
    if (!added)
        return answers::refusal(
            resultcode::conflict, QStringLiteral("This website is already in your blacklist."));
    return answers::success(QStringLiteral("The website has been blocked."), records::blockedWebsite(*added));
}

ApiResponse WebsiteEndpoints::unblock(const Call& call)
{
    const std::optional<QString> given = call.form.value(QStringLiteral("domain_id"));
    if (!given)
        return Call::missingField(QStringLiteral("domain_id"));
    const std::optional<qint64> id = validation::positiveId(*given);
    if (!id)
        return answers::failure(422, QStringLiteral("The domain_id field must be a number."));
    // Another account's website gets the same answer as one that does not exist.
    const std::optional<WebsiteRecord> website = m_websites.byId(*id);
    if (!website || website->userId != call.userId())
        return answers::refusal(
            resultcode::notFound, QStringLiteral("This website is not in your blacklist."), *id);
    if (!m_lock.allows(*call.session))
        return answers::refusal(
            resultcode::verifyPinFirst, QStringLiteral("Please verify your pin first."), *id);
    if (!m_websites.remove(*id, call.userId()))
        return answers::refusal(
            resultcode::notFound, QStringLiteral("This website is not in your blacklist."), *id);
    return answers::success(QStringLiteral("The website has been unblocked."), *id);
}
