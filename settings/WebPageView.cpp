#include "WebPageView.h"

#include "Localization.h"
#include "ui_WebPageView.h"

#include <QWebEnginePage>
#include <QWebEngineView>

WebPageView::WebPageView(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::WebPageView>())
{
    m_ui->setupUi(this);
    localization::followLanguage(this, [this] { setTexts(); });
    connect(m_ui->btnTryAgain, &QPushButton::clicked, this, [this] { load(m_url); });
}

WebPageView::~WebPageView() = default;

void WebPageView::setTexts()
{
    m_ui->lblPageNotLoaded->setText(localizedText(m_failureText));
    m_ui->btnTryAgain->setText(localizedText(QStringLiteral("Try Again")));
    m_ui->btnTryAgain->setAccessibleName(m_ui->btnTryAgain->text());
}

void WebPageView::setFailureText(const QString& text)
{
    m_failureText = text;
    setTexts();
}

void WebPageView::setPage(QWebEnginePage* page)
{
    m_page = page;
    if (m_webView) {
        page->setParent(m_webView);
        m_webView->setPage(page);
    }
}

bool WebPageView::showsFailure() const
{
    return m_ui->stack->currentWidget() == m_ui->failurePanel;
}

void WebPageView::createWebView()
{
    m_webView = new QWebEngineView(m_ui->pagePanel);
    m_webView->setObjectName(QStringLiteral("webEngineView"));
    if (m_page) {
        m_page->setParent(m_webView);
        m_webView->setPage(m_page);
    }
    m_ui->pageLayout->addWidget(m_webView);
    connect(m_webView, &QWebEngineView::loadFinished, this, &WebPageView::pageLoaded);
}

void WebPageView::load(const QUrl& url)
{
    m_url = url;
    if (!m_webView) {
        createWebView();
    }
    m_ui->stack->setCurrentWidget(m_ui->pagePanel);
    m_webView->load(url);
}

void WebPageView::pageLoaded(bool ok)
{
    m_ui->stack->setCurrentWidget(ok ? m_ui->pagePanel : m_ui->failurePanel);
    Q_EMIT loadFinished(ok);
}
