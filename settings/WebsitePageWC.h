#pragma once

#include <QUrl>
#include <QWidget>

#include <memory>

class WebPageView;

namespace Ui {
class WebsitePageWC;
}

// A window that shows one page of the public website (BREVAK_PUBLIC_WEBSITE), titled "BREVAK" and
// centred on the screen. It loads its page when it is first shown.
class WebsitePageWC : public QWidget
{
    Q_OBJECT

public:
    // `path`: the page's path on the website, as "/conditions-dutilisation/".
    explicit WebsitePageWC(const QString& path, QWidget* parent = nullptr);
    ~WebsitePageWC() override;

    QUrl pageUrl() const { return m_pageUrl; }
    WebPageView* webView() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void windowDidLoad();

    std::unique_ptr<Ui::WebsitePageWC> m_ui;
    QUrl m_pageUrl;
    bool m_loaded = false;
};

// The terms of use.
class TermsWC : public WebsitePageWC
{
    Q_OBJECT

public:
    explicit TermsWC(QWidget* parent = nullptr)
        : WebsitePageWC(QStringLiteral("/conditions-dutilisation/"), parent)
    { }
};

// The privacy policy.
class PrivacyWC : public WebsitePageWC
{
    Q_OBJECT

public:
    explicit PrivacyWC(QWidget* parent = nullptr)
        : WebsitePageWC(QStringLiteral("/politique-de-confidentialite/"), parent)
    { }
};
