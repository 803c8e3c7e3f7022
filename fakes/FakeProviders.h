#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <mutex>

namespace httplib {
class Server;
}

// Google and Facebook as BREVAK meets them, on 127.0.0.1, for tests and for trying BREVAK without the
// real providers:
// - Google: the authorization endpoint (it agrees at once and sends the browser back with a code),
//   the token endpoint (which checks the PKCE verifier), the user information, and the token
//   information that brevak-server asks;
// - Facebook: the OAuth dialog (a page with "Continue" and "Cancel"), which ends on
//   fb<app id>://authorize with the token in the fragment, and the Graph API's "me" and "app";
// - the public website's terms and privacy pages.
// The user each provider signs in is a JSON text that the Google user information or the Graph API's
// "me" answers as it stands (so a test can leave out the e-mail or the id, or send something that does
// not decode); PUT /control/google-profile and /control/facebook-profile replace it.
class FakeProviders
{
public:
    struct Identities
    {
        QString googleClientId;
        QString facebookAppId;
    };

    explicit FakeProviders(Identities identities);
    ~FakeProviders();
    FakeProviders(const FakeProviders&) = delete;
    FakeProviders& operator=(const FakeProviders&) = delete;

    // Binds `host`:`port` (0: any free port); the port, or -1 when it is taken.
    int bind(const QString& host, int port);
    // Serves until stop(), on the calling thread.
    void serve();
    void stop();

    static QByteArray defaultGoogleProfile();
    static QByteArray defaultFacebookProfile();

private:
    struct Grant
    {
        QString clientId;
        QString redirectUri;
        QString codeChallenge;
        QByteArray profile;
    };

    void addGoogleRoutes();
    void addFacebookRoutes();
    void addOtherRoutes();
    QString issueToken(const QString& prefix, QHash<QString, QByteArray>& tokens, const QByteArray& profile);

    Identities m_identities;
    std::unique_ptr<httplib::Server> m_server;
    std::mutex m_mutex; // guards everything below: the server answers on several threads
    QByteArray m_googleProfile;
    QByteArray m_facebookProfile;
    QHash<QString, Grant> m_codes; // authorization code -> what it was issued for, used once
    QHash<QString, QByteArray> m_googleTokens; // access token -> the profile it was issued for
    QHash<QString, QByteArray> m_facebookTokens;
};
