#include "AppsTableCell.h"

#include "Switch.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QLabel>

AppsTableCell::AppsTableCell(QWidget* parent)
    : QFrame(parent)
    , m_imgAppLogo(new QLabel(this))
    , m_appName(new QLabel(this))
    , m_appSwitch(new Switch(this))
{
    setObjectName(QStringLiteral("AppsTableCell"));
    setProperty("role", "row");
    m_imgAppLogo->setObjectName(QStringLiteral("imgAppLogo"));
    m_appName->setObjectName(QStringLiteral("appName"));
    m_appSwitch->setObjectName(QStringLiteral("appSwitch"));
    m_imgAppLogo->setFixedSize(32, 32);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(theme::spacing(2), 0, theme::spacing(2), 0);
    layout->setSpacing(theme::spacing(1) + theme::spacing(1) / 2);
    layout->addWidget(m_imgAppLogo);
    layout->addWidget(m_appName, 1);
    layout->addWidget(m_appSwitch);
}
