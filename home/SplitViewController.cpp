#include "SplitViewController.h"

#include "NotificationCenter.h"
#include "SettingsStore.h"
#include "SidebarViewController.h"
#include "ui_SplitViewController.h"

#include <algorithm>

SplitViewController::SplitViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::SplitViewController>())
{
    setObjectName(QStringLiteral("SplitViewController"));
    m_ui->setupUi(this);
    m_sidebar = new SidebarViewController(host, this);
    m_sidebar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_ui->layoutSplit->insertWidget(0, m_sidebar);
    connect(m_sidebar, &SidebarViewController::detailChosen, this, &SplitViewController::showDetail);
    if (QWidget* first = m_sidebar->protectionVC()) {
        showDetail(first);
    }
    updateSidebarWidth();
    NotificationCenter::shared().addObserver(
        this, QString::fromLatin1(notifications::updateChooseLanguage), [this](const QVariant& object) {
            if (object.typeId() == QMetaType::QString) {
                updateSidebarWidth();
            }
        });
}

SplitViewController::~SplitViewController() = default;

QWidget* SplitViewController::detail() const
{
    return m_ui->detailPane->currentWidget();
}

void SplitViewController::showDetail(QWidget* screen)
{
    if (m_ui->detailPane->indexOf(screen) < 0) {
        m_ui->detailPane->addWidget(screen);
    }
    m_ui->detailPane->setCurrentWidget(screen);
}

void SplitViewController::updateSidebarWidth()
{
    // The language's width is the least the sidebar gets; labels wider than it widen the sidebar, so
    // that no label is cut off. Fixed as it is, the sidebar keeps this width in a narrow window.
    const std::optional<QString> language = SettingsStore::shared().textValue(keys::currentLanguage);
    const int languageWidth = language && *language == QLatin1String("fr") ? 210 : 140;
    m_sidebar->ensurePolished();
    m_sidebar->setMinimumWidth(std::max(languageWidth, m_sidebar->sizeHint().width()));
}
