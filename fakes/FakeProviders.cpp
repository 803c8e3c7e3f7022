#include "FakeProviders.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QUrl>
#include <QUrlQuery>

#include <cstdio>
#include <httplib.h>

namespace {

QString parameter(const httplib::Request& request, const char* name)
{
    return QString::fromStdString(request.get_param_value(name));
}

QString randomText(int bytes)
{
    QByteArray random(bytes, Qt::Uninitialized);
    QRandomGenerator::global()->generate(random.begin(), random.end());
    return QString::fromLatin1(
        random.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

void answerJson(httplib::Response& response, int status, const QJsonObject& object)
{
    response.status = status;
    response.set_content(
        QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(), "application/json");
}

void answerRaw(httplib::Response& response, const QByteArray& body)
{
    response.status = 200;
    response.set_content(body.toStdString(), "application/json");
}

void redirect(httplib::Response& response, const QString& location)
{
    response.status = 302;
    response.set_header("Location", location.toStdString());
}

void page(httplib::Response& response, int status, const QString& title, const QString& body)
{
    response.status = status;
    response.set_content(
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                       "<style>body{font-family:sans-serif;margin:48px;color:#222}"
                       "a.button{display:inline-block;padding:10px 20px;margin-right:12px;"
                       "border-radius:8px;background:#1877f2;color:#fff;text-decoration:none}"
                       "a.secondary{background:#e4e6eb;color:#222}</style></head>"
                       "<body><h1>%1</h1>%2</body></html>")
            .arg(title.toHtmlEscaped(), body)
            .toStdString(),
        "text/html; charset=utf-8");
}

// The BASE64URL(SHA256(verifier)) that PKCE's S256 compares with the challenge.
QString s256(const QString& verifier)
{
    return QString::fromLatin1(QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256)
                                   .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString displayName(const QByteArray& profile)
{
    const QJsonObject object = QJsonDocument::fromJson(profile).object();
    const QString name = object.value(QStringLiteral("name")).toString();
    return name.isEmpty() ? QStringLiteral("the test user") : name;
}

} // namespace

FakeProviders::FakeProviders(Identities identities)
    : m_identities(std::move(identities))
    , m_server(std::make_unique<httplib::Server>())
    , m_googleProfile(defaultGoogleProfile())
    , m_facebookProfile(defaultFacebookProfile())
{
    m_server->set_logger([](const httplib::Request& request, const httplib::Response& response) {
        std::printf(
            "fake-providers %s %s %d\n", request.method.c_str(), request.path.c_str(), response.status);
        std::fflush(stdout);
    });
    addGoogleRoutes();
    addFacebookRoutes();
    addOtherRoutes();
}

FakeProviders::~FakeProviders() = default;

QByteArray FakeProviders::defaultGoogleProfile()
{
    return R"({"sub":"108000000000000000001","email":"ann.google@example.org","email_verified":true,)"
           R"("name":"Ann Google","given_name":"Ann","family_name":"Google",)"
           R"("picture":"https://example.org/ann-google.png"})";
}

QByteArray FakeProviders::defaultFacebookProfile()
{
    return R"({"id":"10200000000000001","email":"ann.facebook@example.org","name":"Ann Facebook"})";
}

int FakeProviders::bind(const QString& host, int port)
{
    if (port == 0) {
        return m_server->bind_to_any_port(host.toStdString());
    }
    return m_server->bind_to_port(host.toStdString(), port) ? port : -1;
}

void FakeProviders::serve()
{
    m_server->listen_after_bind();
}

void FakeProviders::stop()
{
    m_server->stop();
}

QString FakeProviders::issueToken(
    const QString& prefix, QHash<QString, QByteArray>& tokens, const QByteArray& profile)
{
    const QString token = prefix + randomText(32);
    tokens.insert(token, profile);
    return token;
}

void FakeProviders::addGoogleRoutes()
{
    // Agrees at once, as a user who is signed in to Google and has agreed before, and sends the
    // browser back to the application's loopback address with a code (with a "/", as Google's have).
    m_server->Get("/google/authorize", [this](const httplib::Request& request, httplib::Response& response) {
        const QUrl redirectUri(parameter(request, "redirect_uri"));
        if (parameter(request, "client_id") != m_identities.googleClientId || !redirectUri.isValid()
            || redirectUri.scheme() != u"http" || redirectUri.host() != u"127.0.0.1") {
            page(response, 400, QStringLiteral("Error 400: invalid_request"),
                QStringLiteral("<p>Unknown client or a redirect that is not a loopback address.</p>"));
            return;
        }
        QUrlQuery answer;
        if (parameter(request, "response_type") != u"code" || parameter(request, "code_challenge").isEmpty()
            || parameter(request, "code_challenge_method") != u"S256") {
            answer.addQueryItem(QStringLiteral("error"), QStringLiteral("invalid_request"));
        } else {
            const QString code = QStringLiteral("4/") + randomText(24);
            std::lock_guard lock(m_mutex);
            m_codes.insert(code,
                {m_identities.googleClientId, redirectUri.toString(), parameter(request, "code_challenge"),
                    m_googleProfile});
            answer.addQueryItem(QStringLiteral("code"), QString::fromLatin1(QUrl::toPercentEncoding(code)));
            answer.addQueryItem(QStringLiteral("scope"), QStringLiteral("openid%20email%20profile"));
        }
        answer.addQueryItem(QStringLiteral("state"),
            QString::fromLatin1(QUrl::toPercentEncoding(parameter(request, "state"))));
        QUrl back = redirectUri;
        back.setQuery(answer.query(QUrl::FullyEncoded), QUrl::StrictMode);
        redirect(response, back.toString(QUrl::FullyEncoded));
    });

    m_server->Post("/google/token", [this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(m_mutex);
        const Grant grant = m_codes.take(parameter(request, "code"));
        const bool valid = !grant.clientId.isEmpty()
            && parameter(request, "grant_type") == u"authorization_code"
            && parameter(request, "client_id") == grant.clientId
            && parameter(request, "redirect_uri") == grant.redirectUri
            && s256(parameter(request, "code_verifier")) == grant.codeChallenge;
        if (!valid) {
            answerJson(response, 400,
                {{"error", "invalid_grant"}, {"error_description", "Bad code, redirect or code verifier."}});
            return;
        }
        const QString token = issueToken(QStringLiteral("ya29."), m_googleTokens, grant.profile);
        answerJson(response, 200,
            {{"access_token", token}, {"expires_in", 3599}, {"token_type", "Bearer"},
                {"scope", "openid https://www.googleapis.com/auth/userinfo.email"}});
    });

    m_server->Get("/google/userinfo", [this](const httplib::Request& request, httplib::Response& response) {
        const QString authorization = QString::fromStdString(request.get_header_value("Authorization"));
        std::lock_guard lock(m_mutex);
        const auto found = m_googleTokens.constFind(authorization.mid(QStringLiteral("Bearer ").size()));
        if (!authorization.startsWith(QLatin1String("Bearer ")) || found == m_googleTokens.cend()) {
            answerJson(response, 401, {{"error", "invalid_token"}});
            return;
        }
        answerRaw(response, *found);
    });

    // What brevak-server asks about a token.
    m_server->Get("/google/tokeninfo", [this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(m_mutex);
        const auto found = m_googleTokens.constFind(parameter(request, "access_token"));
        const QJsonObject profile
            = found == m_googleTokens.cend() ? QJsonObject() : QJsonDocument::fromJson(*found).object();
        if (profile.isEmpty()) {
            answerJson(response, 400, {{"error", "invalid_token"}});
            return;
        }
        const bool verified = profile.value(QStringLiteral("email_verified")).toBool(true);
        answerJson(response, 200,
            {{"azp", m_identities.googleClientId}, {"aud", m_identities.googleClientId},
                {"sub", profile.value(QStringLiteral("sub"))},
                {"email", profile.value(QStringLiteral("email"))},
                {"email_verified", verified ? "true" : "false"}, {"expires_in", "3599"}});
    });
}

void FakeProviders::addFacebookRoutes()
{
    const auto dialogProblem = [this](const httplib::Request& request) -> QString {
        if (parameter(request, "client_id") != m_identities.facebookAppId) {
            return QStringLiteral("Unknown application.");
        }
        if (parameter(request, "redirect_uri")
            != QStringLiteral("fb%1://authorize").arg(m_identities.facebookAppId)) {
            return QStringLiteral("The redirect is not the application's.");
        }
        return {};
    };
    const auto queryOf = [](const httplib::Request& request) {
        QUrlQuery query;
        for (const auto& [name, value] : request.params) {
            query.addQueryItem(QString::fromStdString(name), QString::fromStdString(value));
        }
        return query.query(QUrl::FullyEncoded);
    };

    m_server->Get("/facebook/dialog",
        [this, dialogProblem, queryOf](const httplib::Request& request, httplib::Response& response) {
            const QString problem = dialogProblem(request);
            if (!problem.isEmpty()) {
                page(response, 400, QStringLiteral("Facebook"), QStringLiteral("<p>%1</p>").arg(problem));
                return;
            }
            std::lock_guard lock(m_mutex);
            const QString query = queryOf(request).toHtmlEscaped();
            page(response, 200, QStringLiteral("Log in with Facebook"),
                QStringLiteral("<p>BREVAK is asking for your name and e-mail address.</p><p>"
                               "<a class=\"button\" id=\"continue\" "
                               "href=\"/facebook/dialog/confirm?%1\">Continue as %2</a>"
                               "<a class=\"button secondary\" id=\"cancel\" "
                               "href=\"/facebook/dialog/cancel?%1\">Cancel</a>"
                               "</p>")
                    .arg(query, displayName(m_facebookProfile).toHtmlEscaped()));
        });

    // The token comes back in the fragment among other parameters, not first.
    m_server->Get("/facebook/dialog/confirm",
        [this, dialogProblem](const httplib::Request& request, httplib::Response& response) {
            if (!dialogProblem(request).isEmpty()) {
                response.status = 400;
                return;
            }
            std::lock_guard lock(m_mutex);
            const QString token = issueToken(QStringLiteral("EAAB"), m_facebookTokens, m_facebookProfile);
            QUrlQuery fragment;
            fragment.addQueryItem(
                QStringLiteral("data_access_expiration_time"), QStringLiteral("1807776000"));
            fragment.addQueryItem(QStringLiteral("access_token"), token);
            fragment.addQueryItem(QStringLiteral("expires_in"), QStringLiteral("5183944"));
            fragment.addQueryItem(QStringLiteral("granted_scopes"), QStringLiteral("email"));
            fragment.addQueryItem(QStringLiteral("state"),
                QString::fromLatin1(QUrl::toPercentEncoding(parameter(request, "state"))));
            redirect(response,
                parameter(request, "redirect_uri") + QStringLiteral("/#")
                    + fragment.query(QUrl::FullyEncoded));
        });

    m_server->Get("/facebook/dialog/cancel",
        [dialogProblem](const httplib::Request& request, httplib::Response& response) {
            if (!dialogProblem(request).isEmpty()) {
                response.status = 400;
                return;
            }
            redirect(response,
                parameter(request, "redirect_uri")
                    + QStringLiteral(
                        "/?error=access_denied&error_code=200&error_description=Permissions+error"
                        "&error_reason=user_denied&state=%1#_=_")
                          .arg(QString::fromLatin1(QUrl::toPercentEncoding(parameter(request, "state")))));
        });

    m_server->Get("/facebook/me", [this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(m_mutex);
        const auto found = m_facebookTokens.constFind(parameter(request, "access_token"));
        if (found == m_facebookTokens.cend()) {
            answerJson(response, 400, {{"error", QJsonObject {{"message", "Invalid OAuth access token."}}}});
            return;
        }
        answerRaw(response, *found);
    });

    m_server->Get("/facebook/app", [this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(m_mutex);
        if (!m_facebookTokens.contains(parameter(request, "access_token"))) {
            answerJson(response, 400, {{"error", QJsonObject {{"message", "Invalid OAuth access token."}}}});
            return;
        }
        answerJson(response, 200, {{"id", m_identities.facebookAppId}, {"name", "BREVAK"}});
    });
}

void FakeProviders::addOtherRoutes()
{
    m_server->Put(
        "/control/google-profile", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(m_mutex);
            m_googleProfile = QByteArray::fromStdString(request.body);
            response.status = 204;
        });
    m_server->Put(
        "/control/facebook-profile", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(m_mutex);
            m_facebookProfile = QByteArray::fromStdString(request.body);
            response.status = 204;
        });
    m_server->Get(
        "/website/conditions-dutilisation/", [](const httplib::Request&, httplib::Response& response) {
            page(response, 200, QStringLiteral("Conditions d’utilisation"),
                QStringLiteral("<p>The terms of use of the public website stand here.</p>"));
        });
    m_server->Get(
        "/website/politique-de-confidentialite/", [](const httplib::Request&, httplib::Response& response) {
            page(response, 200, QStringLiteral("Politique de confidentialité"),
                QStringLiteral("<p>The privacy policy of the public website stands here.</p>"));
        });
}
