#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QOAuth2AuthorizationCodeFlow;
class QOAuthHttpServerReplyHandler;

// What Google tells about the user who signed in.
struct GoogleProfile
{
    QString userID; // empty when Google gave none
    QString email; // empty when Google gave none
    QString fullName;
    QString givenName;
    QString familyName;
    QString profilePicURL;
    QString accessToken;
};

// Google sign-in in the system browser: the authorization-code flow with PKCE (S256), whose answer
// comes back to a listener on 127.0.0.1, then the user-information request. One flow serves one
// sign-in; exactly one of signedIn() and failed() follows start(), unless cancel() comes first.
class GoogleSignInFlow : public QObject
{
    Q_OBJECT

public:
    struct Endpoints
    {
        QUrl authorization;
        QUrl token;
        QUrl userInfo;
        QString clientId;
        QString clientSecret; // sent only when not empty

        // The deployment's (app/Configuration.h).
        static Endpoints configured();
    };
    // Shows a URL in the user's browser; false when no browser could be started.
    using BrowserOpener = std::function<bool(const QUrl& url)>;

    GoogleSignInFlow(Endpoints endpoints, BrowserOpener openBrowser, QObject* parent = nullptr);
    ~GoogleSignInFlow() override;

    // Starts listening for Google's answer and opens the browser at Google's consent page.
    void start();
    // Stops listening and drops the exchange; nothing is reported afterwards.
    void cancel();
    bool isRunning() const { return m_running; }

    // The loopback address Google sends the browser back to; empty before start().
    QString redirectUri() const;

Q_SIGNALS:
    void signedIn(const GoogleProfile& profile);
    // `reason` is for the log: the user refused, the browser did not start, an endpoint failed.
    void failed(const QString& reason);

private:
    void callbackReceived(const QVariantMap& values);
    void tokenRequestFinished(QNetworkReply* reply);
    void requestUserInfo();
    void userInfoFinished(QNetworkReply* reply);
    void finish();
    void fail(const QString& reason);

    Endpoints m_endpoints;
    BrowserOpener m_openBrowser;
    QNetworkAccessManager* m_network; // child
    QPointer<QOAuth2AuthorizationCodeFlow> m_flow;
    QPointer<QOAuthHttpServerReplyHandler> m_listener;
    QString m_codeVerifier;
    QString m_state;
    bool m_running = false;
};
