#pragma once

#include <QUrl>
#include <QWidget>

#include <memory>

class QWebEnginePage;
class QWebEngineView;

namespace Ui {
class WebPageView;
}

// A web page, or in its place a clear message with a way to try again when it cannot be loaded (no
// network, no such host): never a blank view. The web engine starts at the first load.
class WebPageView : public QWidget
{
    Q_OBJECT

public:
    explicit WebPageView(QWidget* parent = nullptr);
    ~WebPageView() override;

    // Gives the view the page to show pages in, whose profile decides what it keeps (cookies, cache);
    // the default profile's page otherwise. The view takes it; before the first load only.
    void setPage(QWebEnginePage* page);
    void load(const QUrl& url);
    // What the message says (its English text, shown in the interface language) when the page cannot
    // be loaded; by default, to check the connection.
    void setFailureText(const QString& text);

    QUrl url() const { return m_url; }
    QWebEngineView* webView() const { return m_webView; }
    // The message stands in for the page.
    bool showsFailure() const;

Q_SIGNALS:
    void loadFinished(bool ok);

private:
    void setTexts();
    void createWebView();
    void pageLoaded(bool ok);

    std::unique_ptr<Ui::WebPageView> m_ui;
    QWebEngineView* m_webView = nullptr; // created at the first load, owned by its container
    QWebEnginePage* m_page = nullptr; // owned by the view once it has one
    QUrl m_url;
    QString m_failureText
        = QStringLiteral("This page could not be loaded. Check your connection and try again.");
};
