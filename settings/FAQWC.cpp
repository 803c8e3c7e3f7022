#include "FAQWC.h"

#include "Diagnostics.h"
#include "Localization.h"
#include "ProcessState.h"
#include "ui_FAQWC.h"

#include <QAction>
#include <QWebEngineView>

FAQWC::FAQWC(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::FAQWC>())
{
    m_ui->setupUi(this);
    localization::followLanguage(this, [this] { updateLocalization(); });
    connect(m_ui->search, &QLineEdit::returnPressed, this, &FAQWC::searchAction);
}

FAQWC::~FAQWC() = default;

QUrl FAQWC::blockPage()
{
    return QUrl(QStringLiteral("qrc:/pages/bv_blockpage.html"));
}

QUrl FAQWC::pageForCurrentState()
{
    return blockPageRequested ? blockPage() : faqPage();
}

QUrl FAQWC::faqPage()
{
    if (localization::currentLanguageCode() == QLatin1String("fr")) {
        return QUrl(QStringLiteral("qrc:/pages/bv_faq_fr.html"));
    }
    return QUrl(QStringLiteral("qrc:/pages/bv_faq_en.html"));
}

void FAQWC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        windowDidLoad();
    }
}

void FAQWC::windowDidLoad()
{
    m_faqPageURL = pageForCurrentState();

    // A rounded, lightly shaded search field without focus ring or button frames.
    m_ui->search->setStyleSheet(
        QStringLiteral("QLineEdit#search { border: none; border-radius: 7px; background: rgba(0, 0, 0, 26);"
                       " padding: 3px 6px; }"
                       "QLineEdit#search:focus { border: none; outline: none; }"));
    m_ui->search->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_ui->search->setClearButtonEnabled(true);
    m_ui->search->addAction(QIcon(QStringLiteral(":/icons/magnifyingglass.svg")), QLineEdit::LeadingPosition);

    m_webView = new QWebEngineView(m_ui->webViewContainer);
    m_webView->setObjectName(QStringLiteral("webView"));
    m_ui->webViewLayout->addWidget(m_webView);
    m_webView->load(m_faqPageURL);
}

void FAQWC::updateLocalization()
{
    m_ui->search->setPlaceholderText(localizedText(QStringLiteral("Search")));
    m_ui->search->setAccessibleName(m_ui->search->placeholderText());
    // The FAQ follows the language; the block page stays what it is about.
    if (m_webView && m_faqPageURL != blockPage()) {
        m_faqPageURL = faqPage();
        m_webView->load(m_faqPageURL);
    }
}

void FAQWC::searchAction()
{
    diagnostics::printLine(m_ui->search->text());
}
