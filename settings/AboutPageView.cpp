#include "AboutPageView.h"

#include "FAQWC.h"
#include "Localization.h"
#include "WebPageView.h"

#include <QVBoxLayout>

AboutPageView::AboutPageView(QWidget* parent)
    : QWidget(parent)
    , m_webView(new WebPageView(this))
{
    m_webView->setObjectName(QStringLiteral("webView"));
    m_webView->setFailureText(QStringLiteral("The page about BREVAK cannot be shown."));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(QMargins());
    layout->addWidget(m_webView);
    localization::followLanguage(this, [this] { updateLocalization(); });
}

void AboutPageView::updateLocalization()
{
    // The page about BREVAK is the help page of the language.
    m_webURL = FAQWC::faqPage();
    m_webView->load(m_webURL);
}
