#include "SidebarViewController.h"

#include "ApiManager.h"
#include "ApplicationListBuilder.h"
#include "BlockAppsViewController.h"
#include "CommonWS.h"
#include "CustomWindow.h"
#include "Diagnostics.h"
#include "HomeSupport.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "NotificationCenter.h"
#include "ProcessState.h"
#include "SettingsStore.h"
#include "SidebarRow.h"
#include "Storyboard.h"
#include "ui_SidebarViewController.h"
#include "windowing.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

struct RowDescription
{
    SidebarViewController::Tag tag;
    const char* icon;
    const char* selectedIcon;
    const char* labelName;
    const char* text;
};

// arrImages and arrSelectedImages, with the rows' labels.
const RowDescription rowDescriptions[] = {
    {SidebarViewController::protectionTag, "shield", "shieldSelected", "firstOptionLbl", "Protection On/Off"},
    {SidebarViewController::blockAppsTag, "appBlockList", "appBlockListSelected", "lblAppBlockList",
        "App Block List"},
    {SidebarViewController::websitesTag, "websiteBlockList", "websiteBlockListSelected",
        "lblWebsiteBlockList", "Website Black List"},
    {SidebarViewController::settingsTag, "settings", "settingsSelected", "lblSetting", "Settings"},
    {SidebarViewController::faqTag, "faq", "faq", "lblFAQ", "FAQ"},
    {SidebarViewController::logoutTag, "logout", "logout", "lblLogout", "Logout"},
};

} // namespace

SidebarViewController::SidebarViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::SidebarViewController>())
    , m_host(host)
    , m_shared(platform::createWorkspace())
    , m_windowController(Storyboard::main().instantiate<QDialog>(QStringLiteral("PinProtectionWC"), this))
{
    setObjectName(QStringLiteral("SidebarViewController"));
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    m_ui->imgLogo->setPixmap(QIcon(QStringLiteral(":/icons/brevak-logo.svg")).pixmap(QSize(28, 28)));
    m_ui->lblAppName->setText(QStringLiteral("BREVAK"));
    for (const RowDescription& description : rowDescriptions) {
        auto* row = new SidebarRow(description.tag, QString::fromLatin1(description.icon),
            QString::fromLatin1(description.selectedIcon), QString::fromLatin1(description.labelName),
            m_ui->backViewOfSideBarButtons);
        row->setObjectName(QStringLiteral("btnRow%1").arg(description.tag));
        m_ui->layoutRows->addWidget(row);
        connect(row, &SidebarRow::clicked, this, [this, row] { btnProtectionOnOffTapped(row->tag()); });
        m_rows.append(row);
    }
    m_rows.first()->imageView()->setObjectName(QStringLiteral("firstOptionImgView"));
    setTexts();

    connect(m_ui->pinSwitch, &QAbstractButton::clicked, this, &SidebarViewController::pinSwitched);
    NotificationCenter& center = NotificationCenter::shared();
    center.addObserver(this, QString::fromLatin1(notifications::pinProtectionOff),
        [this](const QVariant& object) { buttonToggle(object); });
    center.addObserver(
        this, QString::fromLatin1(notifications::updateChooseLanguage), [this](const QVariant& object) {
            if (object.typeId() == QMetaType::QString) {
                setTexts();
            }
        });

    m_applicationList = buildApplicationList(*m_shared, this);
    connect(m_applicationList, &ApplicationListBuilder::finished, this,
        &SidebarViewController::applicationListFinished);

    btnProtectionOnOffTapped(protectionTag);
}

SidebarViewController::~SidebarViewController() = default;

BlockAppsViewController* SidebarViewController::blockAppsVC() const
{
    return qobject_cast<BlockAppsViewController*>(m_blockAppsVC.data());
}

void SidebarViewController::setTexts()
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_rows.at(i)->setLabelText(localizedText(QString::fromLatin1(rowDescriptions[i].text)));
    }
    const QString pinProtection = localizedText(QStringLiteral("Pin Protection"));
    m_ui->lblPinProtection->setText(pinProtection);
    m_ui->pinSwitch->setAccessibleName(pinProtection);
}

void SidebarViewController::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Through the sidebar's own observer this sets the switch and isPinEnable.
    NotificationCenter::shared().post(QString::fromLatin1(notifications::pinProtectionOff),
        SettingsStore::shared().boolValue(keys::isPinSeted));
}

void SidebarViewController::select(SidebarRow* row)
{
    if (m_previouslySelected) {
        m_previouslySelected->setSelected(false);
    }
    row->setSelected(true);
    m_previouslySelected = row;
    m_previouslySelectedBtnTag = row->tag();
}

QWidget* SidebarViewController::detailScreen(QPointer<QWidget>& screen, const char* identifier)
{
    if (!screen) {
        screen = Storyboard::main().instantiate(QString::fromLatin1(identifier));
    }
    return screen;
}

void SidebarViewController::btnProtectionOnOffTapped(int tag)
{
    if (tag < protectionTag || tag > logoutTag) {
        return;
    }
    select(m_rows.at(tag - 1));
    QWidget* screen = nullptr;
    switch (Tag(tag)) {
    case protectionTag:
        screen = detailScreen(m_protectionVC, "ProtectionViewController");
        break;
    case blockAppsTag:
        screen = detailScreen(m_blockAppsVC, "BlockAppsViewController");
        if (BlockAppsViewController* blockApps = blockAppsVC()) {
            blockApps->followApplicationList(m_applicationList);
            if (!m_wholeData.isEmpty()) {
                blockApps->setWholeData(m_wholeData);
            }
        }
        break;
    case websitesTag:
        screen = detailScreen(m_blackListWebsiteVC, "BlackListWebsitesViewController");
        break;
    case settingsTag:
        screen = detailScreen(m_settingsVC, "SettingsViewController");
        break;
    case faqTag:
        openFAQ();
        return;
    case logoutTag:
        confirmLogout();
        return;
    }
    if (screen) {
        Q_EMIT detailChosen(screen);
    }
}

void SidebarViewController::openFAQ()
{
    blockPageRequested = false;
    m_wc.reset(Storyboard::main().instantiate(QStringLiteral("FAQWC")));
    if (m_wc) {
        m_wc->show();
        m_wc->raise();
        m_wc->activateWindow();
    }
}

void SidebarViewController::confirmLogout()
{
    auto* alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("BREVAK"),
        localizedText(QStringLiteral("Are you sure?")), QMessageBox::NoButton, window());
    alert->setObjectName(QStringLiteral("logoutAlert"));
    alert->setInformativeText(
        localizedText(QStringLiteral("Any changes done while logged out will not be synced")));
    QPushButton* ok = alert->addButton(localizedText(QStringLiteral("Ok")), QMessageBox::AcceptRole);
    QPushButton* cancel = alert->addButton(localizedText(QStringLiteral("Cancel")), QMessageBox::RejectRole);
    ok->setObjectName(QStringLiteral("btnLogoutOk"));
    cancel->setObjectName(QStringLiteral("btnLogoutCancel"));
    alert->setDefaultButton(cancel);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert, &QMessageBox::buttonClicked, this, [this, ok, cancel](QAbstractButton* button) {
        if (button == ok) {
            diagnostics::printLine(QStringLiteral("OK Tapped"));
            logout();
        } else if (button == cancel) {
            diagnostics::printLine(QStringLiteral("Cancel Tapped"));
        } else {
            diagnostics::printLine(QStringLiteral("No option"));
        }
    });
    alert->open();
}

void SidebarViewController::logout()
{
    MainWindowHost* host = &m_host;
    const QPointer self(this);
    ApiManager::shared().request(
        WebService::logout, {}, &CommonWS::alertFailure, [self, host](const QByteArray& body) {
            CommonWS::handleLogoutResponse(body, [self, host](bool loggedOut) {
                if (!loggedOut || !self) {
                    return;
                }
                diagnostics::printLine(QStringLiteral("User logged out"));
                // The home screen, this sidebar with it, goes with the old content.
                home::showStartScreen(*host);
            });
        });
}

void SidebarViewController::pinSwitched(bool on)
{
    if (!on) {
        if (m_window) {
            m_window->deleteLater();
        }
        m_window = Storyboard::main().instantiate<QDialog>(QStringLiteral("PinProtectionOff"), this);
        home::beginSheet(m_host, m_window);
        return;
    }
    if (SettingsStore::shared().boolValue(keys::isPinSeted)) {
        SettingsStore::shared().setBool(keys::isPinEnable, true);
        return;
    }
    m_ui->pinSwitch->setChecked(false);
    home::beginSheet(m_host, m_windowController);
}

void SidebarViewController::buttonToggle(const QVariant& object)
{
    const bool on = object.toInt() == 1;
    m_ui->pinSwitch->setChecked(on);
    SettingsStore::shared().setBool(keys::isPinEnable, on);
}

void SidebarViewController::applicationListFinished(const QList<ApplicationDetail>& list)
{
    m_wholeData = list;
    if (BlockAppsViewController* blockApps = blockAppsVC()) {
        blockApps->setWholeData(m_wholeData);
    }
}
