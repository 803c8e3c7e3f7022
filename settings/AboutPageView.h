#pragma once

#include <QUrl>
#include <QWidget>

class WebPageView;

// The page about BREVAK in the settings: the help page in the interface language, shown in the other
// language as soon as the user chooses it. A page that cannot be shown leaves a message in its place,
// never a blank view.
class AboutPageView : public QWidget
{
    Q_OBJECT

public:
    explicit AboutPageView(QWidget* parent = nullptr);

    QUrl webURL() const { return m_webURL; }
    WebPageView* webView() const { return m_webView; }

private:
    void updateLocalization();

    WebPageView* m_webView; // child
    QUrl m_webURL;
};
