#include "GoogleSignInFlow.h"

#include "Configuration.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QRandomGenerator>

namespace {

// Random bytes as unpadded base64url: the PKCE verifier (32 bytes give the 43 characters RFC 7636
// asks for at least) and the state.
QString randomText(int bytes)
{
    QByteArray random(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(random.begin(), random.end());
    return QString::fromLatin1(
        random.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString codeChallenge(const QString& verifier)
{
    return QString::fromLatin1(QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256)
                                   .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString textOf(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
}

} // namespace

GoogleSignInFlow::Endpoints GoogleSignInFlow::Endpoints::configured()
{
    return {QUrl(configuration::googleAuthorizationUrl()), QUrl(configuration::googleTokenUrl()),
        QUrl(configuration::googleUserInfoUrl()), configuration::googleClientId(),
        configuration::googleClientSecret()};
}

GoogleSignInFlow::GoogleSignInFlow(Endpoints endpoints, BrowserOpener openBrowser, QObject* parent)
    : QObject(parent)
    , m_endpoints(std::move(endpoints))
    , m_openBrowser(std::move(openBrowser))
    , m_network(new QNetworkAccessManager(this))
{ }

GoogleSignInFlow::~GoogleSignInFlow()
{
    cancel();
}

QString GoogleSignInFlow::redirectUri() const
{
    return m_listener && m_listener->isListening() ? m_listener->callback() : QString();
}

void GoogleSignInFlow::start()
{
    cancel();
    for (QObject* previous :
        {static_cast<QObject*>(m_flow.data()), static_cast<QObject*>(m_listener.data())}) {
        if (previous) {
            previous->deleteLater();
        }
    }
    m_running = true;
    m_listener = new QOAuthHttpServerReplyHandler(QHostAddress(QHostAddress::LocalHost), 0, this);
    if (!m_listener->isListening()) {
        fail(QStringLiteral("no port on 127.0.0.1 to hear Google's answer"));
        return;
    }
    m_flow = new QOAuth2AuthorizationCodeFlow(
        m_endpoints.clientId, m_endpoints.authorization, m_endpoints.token, m_network, this);
    m_flow->setReplyHandler(m_listener);
    m_flow->setScope(QStringLiteral("openid email profile"));
    if (!m_endpoints.clientSecret.isEmpty()) {
        m_flow->setClientIdentifierSharedKey(m_endpoints.clientSecret);
    }
    // A state of URL-safe characters only comes back exactly as it was sent.
    m_state = randomText(24);
    m_flow->setState(m_state);
    m_codeVerifier = randomText(32);
    m_flow->setModifyParametersFunction(
        [verifier = m_codeVerifier](QAbstractOAuth::Stage stage, QMultiMap<QString, QVariant>* parameters) {
            if (stage == QAbstractOAuth::Stage::RequestingAuthorization) {
                parameters->insert(QStringLiteral("code_challenge"), codeChallenge(verifier));
                parameters->insert(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
            } else if (stage == QAbstractOAuth::Stage::RequestingAccessToken) {
                parameters->insert(QStringLiteral("code_verifier"), verifier);
                // Qt 6.4 escapes the code once itself and once more when it encodes the form, so a
                // code with a "/" (Google's have one) would reach the token endpoint mangled.
                const auto code = parameters->find(QStringLiteral("code"));
                if (code != parameters->end()) {
                    *code = QUrl::fromPercentEncoding(code->toString().toUtf8());
                }
            }
        });
    connect(m_flow, &QAbstractOAuth::authorizeWithBrowser, this, [this](const QUrl& url) {
        if (!m_openBrowser || !m_openBrowser(url)) {
            fail(QStringLiteral("the browser could not be opened"));
        }
    });
    // Qt checks the answer itself but reports some refusals only to its own log; they are read here.
    // The listener stays open until the exchange ends: Qt names its address again in the token request.
    connect(
        m_listener, &QAbstractOAuthReplyHandler::callbackReceived, this, &GoogleSignInFlow::callbackReceived);
    connect(m_network, &QNetworkAccessManager::finished, this, &GoogleSignInFlow::tokenRequestFinished);
    connect(m_flow, &QAbstractOAuth::granted, this, &GoogleSignInFlow::requestUserInfo);
    m_flow->grant();
}

void GoogleSignInFlow::callbackReceived(const QVariantMap& values)
{
    // A browser also asks the listener for other things, such as its icon: they carry none of these.
    const bool isAnswer = values.contains(QStringLiteral("state")) || values.contains(QStringLiteral("code"))
        || values.contains(QStringLiteral("error"));
    if (!m_running || !isAnswer) {
        return;
    }
    const QString error = values.value(QStringLiteral("error")).toString();
    if (!error.isEmpty()) {
        fail(QStringLiteral("Google refused: ") + error);
    } else if (values.value(QStringLiteral("state")).toString() != m_state) {
        fail(QStringLiteral("an answer for another sign-in reached the listener"));
    } else if (values.value(QStringLiteral("code")).toString().isEmpty()) {
        fail(QStringLiteral("Google's answer has no authorization code"));
    }
}

void GoogleSignInFlow::tokenRequestFinished(QNetworkReply* reply)
{
    if (!m_running || reply->url() != m_endpoints.token) {
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
        fail(QStringLiteral("the token request failed: ") + reply->errorString());
    }
}

void GoogleSignInFlow::requestUserInfo()
{
    if (!m_running || !m_flow) {
        return;
    }
    QNetworkRequest request(m_endpoints.userInfo);
    request.setRawHeader("Authorization", "Bearer " + m_flow->token().toUtf8());
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { userInfoFinished(reply); });
}

void GoogleSignInFlow::userInfoFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (!m_running || !m_flow) {
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
    if (reply->error() != QNetworkReply::NoError || !document.isObject()) {
        fail(QStringLiteral("the user information could not be read: ") + reply->errorString());
        return;
    }
    const QJsonObject info = document.object();
    const GoogleProfile profile {textOf(info, "sub"), textOf(info, "email"), textOf(info, "name"),
        textOf(info, "given_name"), textOf(info, "family_name"), textOf(info, "picture"), m_flow->token()};
    finish();
    Q_EMIT signedIn(profile);
}

void GoogleSignInFlow::cancel()
{
    finish();
}

void GoogleSignInFlow::finish()
{
    m_running = false;
    if (m_flow) {
        m_flow->disconnect(this);
    }
    // No new connection is taken; the browser's own still gets its page. Both go at the next start,
    // or with this flow.
    if (m_listener) {
        m_listener->close();
    }
}

void GoogleSignInFlow::fail(const QString& reason)
{
    if (!m_running) {
        return;
    }
    finish();
    Q_EMIT failed(reason);
}
