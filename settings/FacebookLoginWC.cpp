#include "FacebookLoginWC.h"

#include "ui_FacebookLoginWC.h"

#include <QCloseEvent>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {

// A page that hands back, instead of following, any navigation to the callback scheme: a link, a
// script or the server's redirect.
class CallbackCatchingPage : public QWebEnginePage
{
public:
    CallbackCatchingPage(QWebEngineProfile* profile, QString scheme, std::function<void(const QUrl&)> caught)
        : QWebEnginePage(profile)
        , m_scheme(std::move(scheme))
        , m_caught(std::move(caught))
    {
        // The dialog reaches the callback by a redirect, which carries no user gesture: without
        // this the web engine drops it before asking the page.
        settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        if (url.scheme().compare(m_scheme, Qt::CaseInsensitive) == 0) {
            m_caught(url);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }

private:
    QString m_scheme;
    std::function<void(const QUrl&)> m_caught;
};

} // namespace

FacebookLoginWC::FacebookLoginWC(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::FacebookLoginWC>())
    // A profile without a storage name is off the record.
    , m_profile(new QWebEngineProfile(this))
{
    m_ui->setupUi(this);
}

FacebookLoginWC::~FacebookLoginWC()
{
    // The page must go before its profile.
    delete m_ui->webView;
}

WebPageView* FacebookLoginWC::webView() const
{
    return m_ui->webView;
}

void FacebookLoginWC::start(const QUrl& url, const QString& callbackScheme, Completion completion)
{
    m_completion = std::move(completion);
    m_ui->webView->setPage(new CallbackCatchingPage(
        m_profile, callbackScheme, [this](const QUrl& callbackUrl) { finish(callbackUrl); }));
    m_ui->webView->load(url);
    show();
    raise();
    activateWindow();
}

void FacebookLoginWC::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    finish(std::nullopt);
}

void FacebookLoginWC::finish(const std::optional<QUrl>& callbackUrl)
{
    if (!m_completion) {
        return;
    }
    hide();
    // Taken first: the completion may destroy this window.
    const Completion completion = std::exchange(m_completion, {});
    completion(callbackUrl);
}
