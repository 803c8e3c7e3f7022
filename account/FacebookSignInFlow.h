#pragma once

#include "Records.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class WebAuthenticationSession;

// Facebook sign-in: Facebook's OAuth dialog in a web authentication session, the access token read
// from the address the dialog sends the user to ("fb<app id>://authorize#access_token=..."), then the
// user's id and e-mail from the Graph API. One flow serves one sign-in; finished() follows start()
// once, unless the flow is destroyed first.
class FacebookSignInFlow : public QObject
{
    Q_OBJECT

public:
    struct Endpoints
    {
        QUrl dialog; // the OAuth dialog
        QUrl graphMe; // the Graph API's "me"
        QString appId;

        // The deployment's (app/Configuration.h).
        static Endpoints configured();
    };

    enum class Outcome {
        signedIn, // the record holds the token, the id and the e-mail
        noToken, // the user closed the dialog, refused, or the dialog gave no token
        unreadable, // the Graph API could not be reached or its answer could not be decoded
        missingId, // an empty token or id
        missingEmail, // the Facebook account has no e-mail address
    };
    Q_ENUM(Outcome)

    explicit FacebookSignInFlow(Endpoints endpoints, QObject* parent = nullptr);

    // The dialog's address for one sign-in, `state` being its fresh random text.
    QUrl dialogUrl(const QString& state) const;
    // "fb" followed by the app id: the scheme of the address the dialog ends on.
    QString callbackScheme() const;

    // The access token in a callback address's fragment, wherever it stands among the other
    // parameters; nothing when there is none or it is empty.
    static std::optional<QString> accessToken(const QUrl& callbackUrl);

    // Opens the dialog in `session`, which must outlive the flow's use of it.
    void start(WebAuthenticationSession& session);

Q_SIGNALS:
    void finished(FacebookSignInFlow::Outcome outcome, const FacebookData& data);

private:
    void dialogEnded(const std::optional<QUrl>& callbackUrl);
    void graphAnswered(QNetworkReply* reply, const QString& accessToken);

    Endpoints m_endpoints;
    QNetworkAccessManager* m_network; // child
};
