#pragma once

#include "GatedActions.h"
#include "HomeSupport.h"
#include "Records.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class MainWindowHost;
class QAbstractButton;
class QCheckBox;

namespace Ui {
class BlackListWebsitesViewController;
}

// The user's own blacklist, as the account server keeps it; the process holds it in memory only.
inline QList<BlockData> blockedWebsites;

// The website blacklist: the list fetched from the account server, a field to add a website, and a
// ticked box on each row that, unticked, unblocks the website, behind the PIN gate while PIN
// protection is on.
class BlackListWebsitesViewController : public QWidget, public GatedWebsiteRemoval
{
    Q_OBJECT

public:
    static constexpr int cellHeight = 47;
    static constexpr int MaxRows = 8;

    explicit BlackListWebsitesViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~BlackListWebsitesViewController() override;

    std::optional<qint64> pendingDomainId() const override { return m_domainID; }
    void removePendingRow() override;

    // Removes the row holding `checkBox` from the list, after the server has removed it.
    void removeRow(QAbstractButton* checkBox);

private:
    void fetchList();
    void reloadData();
    void applyVisibilityRule();
    void btnAddAction();
    void checkBoxAction(QCheckBox* checkBox);
    void updateCheckboxState(const QVariant& object);
    void putBoxBack(const QPointer<QCheckBox>& checkBox);

    std::unique_ptr<Ui::BlackListWebsitesViewController> m_ui;
    MainWindowHost& m_host;
    OwnedGate m_verifyPinWC;
    std::optional<qint64> m_domainID;
    QPointer<QCheckBox> m_websiteCheckbox; // the box whose removal is pending
};
