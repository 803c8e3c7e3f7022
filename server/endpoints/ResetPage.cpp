#include "ResetPage.h"

#include "Clock.h"
#include "FormData.h"
#include "PasswordHasher.h"
#include "Router.h"
#include "Tokens.h"
#include "Validation.h"

namespace {

ApiResponse page(int status, const QString& body)
{
    ApiResponse response;
    response.httpStatus = status;
    response.contentType = "text/html; charset=utf-8";
    response.body
        = QStringLiteral(
              "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
              "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
              "<title>BREVAK password</title><style>"
              "body{font-family:-apple-system,Helvetica,Arial,sans-serif;max-width:26rem;margin:4rem auto;"
              "padding:0 1rem;color:#222}h1{font-size:1.4rem}label{display:block;margin-top:1rem}"
              "input{width:100%;padding:.5rem;font-size:1rem;box-sizing:border-box}"
              "button{margin-top:1.5rem;padding:.6rem 1.2rem;font-size:1rem;background:#ff885a;"
              "border:0;border-radius:6px;color:#fff}.error{color:#b00020}</style></head><body>")
              .toUtf8()
        + body.toUtf8() + "</body></html>\n";
    // The link's token is in the address: keep the page out of caches, frames and referrers.
    response.headers
        = {{"Cache-Control", "no-store"}, {"Referrer-Policy", "no-referrer"}, {"X-Frame-Options", "DENY"},
            {"Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'"}};
    return response;
}

ApiResponse invalidLink()
{
    return page(404,
        QStringLiteral("<h1>This link does not work any more</h1><p>Reset links work once and for 60 "
                       "minutes. Ask BREVAK for a new one with \"Forgot?\" on the sign-in window.</p>"));
}

ApiResponse form(const QString& token, const QString& error = {})
{
    const QString message = error.isEmpty()
        ? QString()
        : QStringLiteral("<p class=\"error\">") + error.toHtmlEscaped() + QStringLiteral("</p>");
    return page(error.isEmpty() ? 200 : 422,
        QStringLiteral("<h1>Choose a new BREVAK password</h1>") + message
            + QStringLiteral("<form method=\"post\" action=\"/password/reset\">"
                             "<input type=\"hidden\" name=\"token\" value=\"")
            + token.toHtmlEscaped()
            + QStringLiteral(
                "\"><label>New password<input type=\"password\" name=\"password\" "
                "autocomplete=\"new-password\" minlength=\"%1\" required></label>"
                "<label>New password again<input type=\"password\" name=\"password_confirmation\" "
                "autocomplete=\"new-password\" required></label>"
                "<button type=\"submit\">Save the new password</button></form>")
                  .arg(validation::minPasswordLength));
}

} // namespace

ResetPage::ResetPage(Database& db, const Clock& clock, PasswordHasher& hasher)
    : m_users(db)
    , m_sessions(db)
    , m_resets(db)
    , m_clock(clock)
    , m_hasher(hasher)
{ }

void ResetPage::addRoutes(Router& router)
{
    router.addPage(
        "/password/reset", [this](const FormData& query) { return show(query); },
        [this](const FormData& form) { return submit(form); });
}

ApiResponse ResetPage::show(const FormData& query)
{
    const QString token = query.valueOr(QStringLiteral("token"));
    if (!m_resets.peek(tokens::digest(token.toUtf8()), m_clock.now()))
        return invalidLink();
    return form(token);
}

ApiResponse ResetPage::submit(const FormData& fields)
{
    const QString token = fields.valueOr(QStringLiteral("token"));
    const QString password = fields.valueOr(QStringLiteral("password"));
    if (!m_resets.peek(tokens::digest(token.toUtf8()), m_clock.now()))
        return invalidLink();
    if (password != fields.valueOr(QStringLiteral("password_confirmation")))
        return form(token, QStringLiteral("The two passwords are not the same."));
    if (const std::optional<QString> refusal = validation::passwordRefusal(password))
        return form(token, *refusal);
    const QString hash = m_hasher.hash(password);
    const qint64 now = m_clock.now();
    const std::optional<qint64> userId = m_resets.consume(tokens::digest(token.toUtf8()), now);
    if (!userId) // used by another request in the meantime
        return invalidLink();
    m_users.setPasswordHash(*userId, hash, now);
    // Whoever knew the old password may hold a session: every one of them ends now. Following the
    // mailed link also proves the address.
    m_sessions.revokeAllOf(*userId, now);
    m_users.markEmailVerified(*userId, now);
    return page(200,
        QStringLiteral("<h1>Your password has been changed</h1><p>Sign in to BREVAK with your new "
                       "password. Every device that was signed in has been signed out.</p>"));
}
