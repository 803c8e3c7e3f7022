#pragma once

#include <QUrl>
#include <QWidget>

#include <memory>

class QWebEngineView;

namespace Ui {
class FAQWC;
}

// The help window: the FAQ in the interface language, or the block page right after a blocked
// application was quit. It chooses its page when it is first shown (the web engine starts then too),
// and shows the FAQ in another language as soon as the user chooses one.
class FAQWC : public QWidget
{
    Q_OBJECT

public:
    explicit FAQWC(QWidget* parent = nullptr);
    ~FAQWC() override;

    // The page for the current state: the block page when one was requested, else the French FAQ
    // for "fr" and the English FAQ for every other language.
    static QUrl pageForCurrentState();
    static QUrl blockPage();
    // The FAQ in the interface language: French for "fr", English for every other language. The
    // settings show it as the page about BREVAK too.
    static QUrl faqPage();

    QUrl faqPageURL() const { return m_faqPageURL; }
    QWebEngineView* webView() const { return m_webView; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void windowDidLoad();
    void updateLocalization();
    void searchAction();

    std::unique_ptr<Ui::FAQWC> m_ui;
    QWebEngineView* m_webView = nullptr; // created at the first show, owned by its container
    QUrl m_faqPageURL;
    bool m_loaded = false;
};
