#include "BlockAppsViewController.h"

#include "ApplicationListBuilder.h"
#include "AppsTableCell.h"
#include "BlockPage.h"
#include "CommandRunner.h"
#include "Diagnostics.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "PinState.h"
#include "ProcessState.h"
#include "SettingsStore.h"
#include "Storyboard.h"
#include "Switch.h"
#include "ui_BlockAppsViewController.h"
#include "windowing.h"

#include <QLabel>

namespace {

// The row of the list a switch stands for.
const char* const rowProperty = "tag";

} // namespace

BlockAppsViewController::BlockAppsViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::BlockAppsViewController>())
    , m_host(host)
    , m_shared(platform::createWorkspace())
    , m_verifyPinWC(Storyboard::main().instantiate<VerifyPin>(QStringLiteral("VerifyPin"), this))
{
    setObjectName(QStringLiteral("BlockAppsViewController"));
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    NotificationCenter::shared().addObserver(this, QString::fromLatin1(notifications::blockAppSwitchState),
        [this](const QVariant& object) { updateSwitchState(object); });
    m_blockedAppDetails = SettingsStore::shared().blockedApplications();
    home::styleRowTable(m_ui->blockAppsTableView, cellHeight);
    m_ui->tableBox->setFixedHeight(MaxRows * cellHeight + 2);
    m_ui->lblLoadingApplications->hide();
    m_ui->progressApplications->hide();
    connect(
        m_shared.get(), &platform::Workspace::applicationActivated, this, &BlockAppsViewController::printMe);
    if (m_verifyPinWC.get()) {
        m_verifyPinWC.get()->setApplicationUnblock(this);
    }
}

BlockAppsViewController::~BlockAppsViewController() = default;

void BlockAppsViewController::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_ui->lblBlockApps->setText(localizedText(QStringLiteral("Block Apps")));
    m_ui->blockAppsTableView->setAccessibleName(localizedText(QStringLiteral("Block Apps")));
    m_ui->progressApplications->setAccessibleName(localizedText(QStringLiteral("Looking for applications…")));
}

void BlockAppsViewController::setWholeData(const QList<ApplicationDetail>& list)
{
    m_wholeData = list;
    for (ApplicationDetail& detail : m_wholeData) {
        detail.state = false;
    }
    reloadData();
}

void BlockAppsViewController::followApplicationList(ApplicationListBuilder* builder)
{
    if (!builder || builder == m_followed) {
        return;
    }
    m_followed = builder;
    connect(builder, &ApplicationListBuilder::progressChanged, this, &BlockAppsViewController::showProgress);
    if (!builder->isFinished()) {
        showProgress(0, 0);
    }
}

void BlockAppsViewController::showProgress(int done, int total)
{
    const bool building = total == 0 || done < total;
    m_ui->lblLoadingApplications->setVisible(building);
    m_ui->progressApplications->setVisible(building);
    m_ui->lblLoadingApplications->setText(localizedText(QStringLiteral("Looking for applications…")));
    m_ui->progressApplications->setRange(0, total);
    m_ui->progressApplications->setValue(done);
}

void BlockAppsViewController::reloadData()
{
    QTableWidget* table = m_ui->blockAppsTableView;
    table->clearContents();
    table->setRowCount(int(m_wholeData.size()));
    for (int row = 0; row < m_wholeData.size(); ++row) {
        const ApplicationDetail& detail = m_wholeData.at(row);
        auto* cell = new AppsTableCell();
        cell->imgAppLogo()->setPixmap(detail.icon.pixmap(QSize(32, 32), devicePixelRatioF()));
        cell->appName()->setText(detail.name);
        cell->setAccessibleName(detail.name);
        Switch* appSwitch = cell->appSwitch();
        appSwitch->setAccessibleName(detail.name);
        // The switch shows the stored list, not the state flag.
        appSwitch->setChecked(m_blockedAppDetails.contains(detail.name));
        appSwitch->setProperty(rowProperty, row);
        connect(appSwitch, &Switch::clicked, this, [this, appSwitch] { switchAppBlockUnblock(appSwitch); });
        table->setCellWidget(row, 0, cell);
    }
}

void BlockAppsViewController::switchAppBlockUnblock(Switch* appSwitch)
{
    pendingPinAction = PinAction::unblockApplication;
    m_blockAppSwitch = appSwitch;
    diagnostics::printLine(
        QStringLiteral("Switch Tapped - %1").arg(appSwitch->property(rowProperty).toInt()));
    if (appSwitch->isChecked()) {
        m_blockStatus = true;
        apply(appSwitch, true);
        return;
    }
    m_blockStatus = false;
    if (!SettingsStore::shared().boolValue(keys::isPinEnable)) {
        apply(appSwitch, false);
        return;
    }
    // The switch stays off while the gate is open; nothing is stored until the PIN is accepted.
    home::beginSheet(m_host, m_verifyPinWC.get());
}

void BlockAppsViewController::applyPendingSwitch()
{
    if (m_blockAppSwitch) {
        apply(m_blockAppSwitch, m_blockStatus);
    }
}

void BlockAppsViewController::updateSwitchState(const QVariant& object)
{
    if (object.typeId() == QMetaType::Bool && object.toBool() && m_blockAppSwitch) {
        apply(m_blockAppSwitch, true);
    }
}

void BlockAppsViewController::apply(QAbstractButton* appSwitch, bool block)
{
    if (block) {
        appSwitch->setChecked(true);
    }
    const int row = appSwitch->property(rowProperty).toInt();
    diagnostics::printLine(QStringLiteral("Switch Tapped - %1").arg(row));
    if (row < 0 || row >= m_wholeData.size()) {
        return;
    }
    ApplicationDetail& detail = m_wholeData[row];
    if (!block) {
        m_blockedAppDetails.removeAll(detail.name);
    } else if (!m_blockedAppDetails.contains(detail.name)) {
        m_blockedAppDetails.append(detail.name);
    }
    SettingsStore& settings = SettingsStore::shared();
    settings.setObject(keys::blockedAppDetails, m_blockedAppDetails);
    settings.flush();
    detail.state = block;
    CommandRunner::shared().runAppleScript(quitApplicationScript(detail.name), this);
    diagnostics::printLine(detail.description());
}

void BlockAppsViewController::printMe(const QString& localizedName)
{
    // Several rows may carry the name; the application is still asked to quit once.
    for (const ApplicationDetail& detail : std::as_const(m_wholeData)) {
        if (detail.state && detail.name == localizedName) {
            CommandRunner::shared().runAppleScript(quitApplicationScript(detail.name), this);
            blockPageRequested = true;
            showBlockPage();
            return;
        }
    }
}

void BlockAppsViewController::showBlockPage()
{
    ::showBlockPage(m_wc);
}
