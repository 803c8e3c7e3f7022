#include "WebsiteTableCell.h"

#include "Theme.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>

WebsiteTableCell::WebsiteTableCell(QWidget* parent)
    : QFrame(parent)
    , m_websiteName(new QLabel(this))
    , m_websiteCheckBox(new QCheckBox(this))
{
    setObjectName(QStringLiteral("WebsiteTableCell"));
    setProperty("role", "row");
    m_websiteName->setObjectName(QStringLiteral("websiteName"));
    m_websiteCheckBox->setObjectName(QStringLiteral("websiteCheckBox"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(theme::spacing(2), 0, theme::spacing(2), 0);
    layout->setSpacing(theme::spacing(1));
    layout->addWidget(m_websiteCheckBox);
    layout->addWidget(m_websiteName, 1);
}

QString WebsiteTableCell::shownName(const QString& domain)
{
    return domain.startsWith(QLatin1String("www.")) ? domain.mid(4) : domain;
}
