#pragma once

#include "WebAuthenticationSession.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QWidget>

// Stands in for the Facebook window: instead of showing the dialog, it does what a user does with it,
// over HTTP against the fake providers: presses Continue or Cancel (and follows the dialog to its
// callback address, which it hands back), or closes the window.
class FakeWebSession : public QWidget, public WebAuthenticationSession
{
public:
    enum class User {
        pressesContinue,
        pressesCancel,
        closesTheWindow,
    };

    explicit FakeWebSession(User user)
        : QWidget(nullptr, Qt::Window)
        , m_user(user)
    {
        m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }

    void start(const QUrl& url, const QString& callbackScheme, Completion completion) override
    {
        startedWith = url;
        scheme = callbackScheme;
        m_completion = std::move(completion);
        if (m_user == User::closesTheWindow) {
            QTimer::singleShot(0, this, [this] { m_completion(std::nullopt); });
            return;
        }
        QUrl button = url;
        button.setPath(url.path() + (m_user == User::pressesContinue ? "/confirm" : "/cancel"));
        QNetworkReply* reply = m_network.get(QNetworkRequest(button));
        connect(reply, &QNetworkReply::finished, this, [this, reply] {
            reply->deleteLater();
            m_completion(QUrl::fromEncoded(reply->rawHeader("Location")));
        });
    }

    QUrl startedWith;
    QString scheme;

private:
    User m_user;
    QNetworkAccessManager m_network;
    Completion m_completion;
};
