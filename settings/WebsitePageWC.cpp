#include "WebsitePageWC.h"

#include "Configuration.h"
#include "ui_WebsitePageWC.h"

#include <QScreen>

WebsitePageWC::WebsitePageWC(const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::WebsitePageWC>())
{
    m_ui->setupUi(this);
    QString website = configuration::publicWebsite();
    while (website.endsWith('/')) {
        website.chop(1);
    }
    m_pageUrl = QUrl(website + path);
}

WebsitePageWC::~WebsitePageWC() = default;

WebPageView* WebsitePageWC::webView() const
{
    return m_ui->webView;
}

void WebsitePageWC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        windowDidLoad();
    }
}

void WebsitePageWC::windowDidLoad()
{
    setWindowTitle(QStringLiteral("BREVAK"));
    // 400 points in from each side of the screen, never smaller than the window's minimum, centred.
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        resize((available.size() - QSize(800, 400)).expandedTo(minimumSize()));
        move(available.center() - rect().center());
    }
    m_ui->webView->load(m_pageUrl);
}
