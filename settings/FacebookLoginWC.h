#pragma once

#include "WebAuthenticationSession.h"

#include <QWidget>

#include <memory>

class QWebEngineProfile;
class WebPageView;

namespace Ui {
class FacebookLoginWC;
}

// Facebook's sign-in dialog in a window of its own, off the record: its profile keeps no cookies,
// cache or storage, and shares none with the other web pages, as the platform's ephemeral web
// authentication session does. It ends when the dialog sends the browser to the callback scheme
// ("fb<app id>://authorize#access_token=..."), which is caught instead of followed, or when the user
// closes the window.
class FacebookLoginWC : public QWidget, public WebAuthenticationSession
{
    Q_OBJECT

public:
    explicit FacebookLoginWC(QWidget* parent = nullptr);
    ~FacebookLoginWC() override;

    void start(const QUrl& url, const QString& callbackScheme, Completion completion) override;

    WebPageView* webView() const;
    QWebEngineProfile* profile() const { return m_profile; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void finish(const std::optional<QUrl>& callbackUrl);

    std::unique_ptr<Ui::FacebookLoginWC> m_ui;
    QWebEngineProfile* m_profile; // child; outlives the page, which the view deletes first
    Completion m_completion;
};
