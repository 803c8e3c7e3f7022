#include "BlackListWebsitesViewController.h"

#include "Alert.h"
#include "CommonWS.h"
#include "Diagnostics.h"
#include "Localization.h"
#include "MessageTable.h"
#include "NotificationCenter.h"
#include "PinRequests.h"
#include "PinState.h"
#include "SettingsStore.h"
#include "Storyboard.h"
#include "WebsiteAddress.h"
#include "WebsiteTableCell.h"
#include "ui_BlackListWebsitesViewController.h"

#include <QCheckBox>
#include <QLabel>

namespace {

const QString undecodedLine = QStringLiteral("============ Error decoding model response ==============");

} // namespace

BlackListWebsitesViewController::BlackListWebsitesViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::BlackListWebsitesViewController>())
    , m_host(host)
    , m_verifyPinWC(Storyboard::main().instantiate<VerifyPin>(QStringLiteral("VerifyPin"), this))
{
    setObjectName(QStringLiteral("BlackListWebsitesViewController"));
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    NotificationCenter::shared().addObserver(this, QString::fromLatin1(notifications::blackListWebsiteState),
        [this](const QVariant& object) { updateCheckboxState(object); });
    if (m_verifyPinWC.get()) {
        m_verifyPinWC.get()->setWebsiteRemoval(this);
    }
    m_ui->lblBlockListWebsite->setText(localizedText(QStringLiteral("Blacklist Website")));
    m_ui->lblAddWebsiteURL->setText(localizedText(QStringLiteral("Add Website URL")));
    m_ui->btnADD->setText(localizedText(QStringLiteral("Add")));
    m_ui->websiteTF->setPlaceholderText(localizedText(QStringLiteral("Enter Website")));
    m_ui->websiteTF->setAccessibleName(localizedText(QStringLiteral("Add Website URL")));
    m_ui->blackListWebsiteTableView->setAccessibleName(localizedText(QStringLiteral("Blacklist Website")));
    m_ui->lblAddWebsiteURL->setBuddy(m_ui->websiteTF);
    home::styleRowTable(m_ui->blackListWebsiteTableView, cellHeight);
    connect(m_ui->btnADD, &QPushButton::clicked, this, &BlackListWebsitesViewController::btnAddAction);
    connect(m_ui->websiteTF, &QLineEdit::returnPressed, this, &BlackListWebsitesViewController::btnAddAction);
    reloadData();
    fetchList();
}

BlackListWebsitesViewController::~BlackListWebsitesViewController() = default;

void BlackListWebsitesViewController::fetchList()
{
    const QPointer self(this);
    CommonWS::shared().getBlockWebsiteByUser(
        [self](const std::optional<BaseModel<BlockWebsiteModel>>& record, bool decoded) {
            if (!decoded) {
                diagnostics::printLine(undecodedLine);
                return;
            }
            diagnostics::printLine(QStringLiteral("Model Response - ") + describe(*record));
            if (!record->status) {
                showAlert(messages::ooops(), record->msg);
                return;
            }
            if (!record->data) {
                return;
            }
            blockedWebsites = record->data->data;
            if (self) {
                self->reloadData();
            }
        });
}

void BlackListWebsitesViewController::applyVisibilityRule()
{
    const qsizetype rows = blockedWebsites.size();
    m_ui->tableBox->setVisible(rows > 0);
    if (rows > 0) {
        m_ui->tableBox->setFixedHeight(
            int(rows * cellHeight < MaxRows * cellHeight ? rows * cellHeight + 2 : MaxRows * cellHeight + 2));
    }
}

void BlackListWebsitesViewController::reloadData()
{
    QTableWidget* table = m_ui->blackListWebsiteTableView;
    table->clearContents();
    table->setRowCount(int(blockedWebsites.size()));
    for (int row = 0; row < blockedWebsites.size(); ++row) {
        const BlockData& website = blockedWebsites.at(row);
        auto* cell = new WebsiteTableCell();
        const QString shown = WebsiteTableCell::shownName(website.domain);
        cell->websiteName()->setText(shown);
        cell->setAccessibleName(shown);
        QCheckBox* box = cell->websiteCheckBox();
        box->setAccessibleName(shown);
        box->setChecked(true);
        box->setProperty("tag", website.id);
        connect(box, &QCheckBox::clicked, this, [this, box] { checkBoxAction(box); });
        diagnostics::printLine(QStringLiteral("Index Passed - %1").arg(row));
        diagnostics::printLine(shown + ' ' + QString::number(website.id));
        table->setCellWidget(row, 0, cell);
    }
    applyVisibilityRule();
}

void BlackListWebsitesViewController::btnAddAction()
{
    const QString text = m_ui->websiteTF->text();
    if (text.isEmpty()) {
        showAlert(messages::ooops(), messages::pleaseEnterWebsite());
        return;
    }
    const WebsiteAddress address = WebsiteAddress::fromInput(text);
    diagnostics::printLine(QStringLiteral("Parts - [") + address.parts.join(QStringLiteral(", ")) + ']');
    diagnostics::printLine(QStringLiteral("Domain - ") + address.domain);
    m_ui->btnADD->setEnabled(false);
    const QPointer self(this);
    const auto giveBack = [self] {
        if (self) {
            self->m_ui->btnADD->setEnabled(true);
        }
    };
    CommonWS::shared().blockWebsite(
        address.domain,
        [self, giveBack](const std::optional<BaseModel<BlockData>>& record, bool decoded) {
            giveBack();
            if (!decoded) {
                diagnostics::printLine(undecodedLine);
                return;
            }
            diagnostics::printLine(QStringLiteral("Block Website Model Response - ") + describe(*record));
            if (!record->status) {
                showAlert(messages::ooops(), record->msg);
                return;
            }
            if (!record->data) {
                return;
            }
            blockedWebsites.append(*record->data);
            if (self) {
                self->reloadData();
                self->m_ui->websiteTF->clear();
            }
        },
        [giveBack](const ApiError& error) {
            CommonWS::alertFailure(error);
            giveBack();
        });
}

void BlackListWebsitesViewController::checkBoxAction(QCheckBox* checkBox)
{
    const qint64 id = checkBox->property("tag").toLongLong();
    m_domainID = id;
    m_websiteCheckbox = checkBox;
    diagnostics::printLine(QStringLiteral("Checkbox Tag - %1").arg(id));
    if (checkBox->isChecked()) {
        diagnostics::printLine(QStringLiteral("Checkbox ON"));
        return;
    }
    diagnostics::printLine(QStringLiteral("Checkbox OFF"));
    pendingPinAction = PinAction::unblockWebsite;
    if (SettingsStore::shared().boolValue(keys::isPinEnable)) {
        home::beginSheet(m_host, m_verifyPinWC.get());
        return;
    }
    const QPointer self(this);
    const QPointer box(checkBox);
    pin_requests::unblockWebsite(
        id,
        [self, box](const std::optional<UnblockWebsiteModel>& record, bool decoded) {
            if (decoded && record->status) {
                if (self) {
                    self->removeRow(box);
                }
                return;
            }
            if (!decoded) {
                diagnostics::printLine(
                    QStringLiteral("========= Error decoding model response ============"));
            } else {
                showAlert(messages::ooops(), record->msg);
            }
            // The website is still blocked, and its box says so again.
            if (self) {
                self->putBoxBack(box);
            }
        },
        [self, box](const ApiError& error) {
            CommonWS::alertFailure(error);
            if (self) {
                self->putBoxBack(box);
            }
        });
}

void BlackListWebsitesViewController::putBoxBack(const QPointer<QCheckBox>& checkBox)
{
    if (checkBox) {
        checkBox->setChecked(true);
    }
}

void BlackListWebsitesViewController::updateCheckboxState(const QVariant& object)
{
    if (object.typeId() == QMetaType::Bool && object.toBool()) {
        putBoxBack(m_websiteCheckbox);
    }
}

void BlackListWebsitesViewController::removePendingRow()
{
    removeRow(m_websiteCheckbox);
}

void BlackListWebsitesViewController::removeRow(QAbstractButton* checkBox)
{
    const int row = home::rowContaining(m_ui->blackListWebsiteTableView, checkBox);
    if (row < 0 || row >= blockedWebsites.size()) {
        // The row is gone from the table (it was reloaded meanwhile): the server's list says what is left.
        fetchList();
        return;
    }
    blockedWebsites.removeAt(row);
    reloadData();
}
