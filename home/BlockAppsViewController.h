#pragma once

#include "ApplicationDetail.h"
#include "GatedActions.h"
#include "HomeSupport.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>

class ApplicationListBuilder;
class MainWindowHost;
class QAbstractButton;
class Switch;

namespace platform {
class Workspace;
}

namespace Ui {
class BlockAppsViewController;
}

// Application blocking: the applications of the Applications folder, each with a switch. A switch
// turned on stores the name in `blockedAppDetails` and quits the application; turning it off unblocks,
// behind the PIN gate while PIN protection is on. While this screen lives it also quits the
// applications switched on in it as they come to the front, and shows the block page.
class BlockAppsViewController : public QWidget, public GatedApplicationUnblock
{
    Q_OBJECT

public:
    static constexpr int cellHeight = 47;
    static constexpr int MaxRows = 8;

    explicit BlockAppsViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~BlockAppsViewController() override;

    // The rows, replaced by the sidebar's list (every state false again).
    void setWholeData(const QList<ApplicationDetail>& list);
    const QList<ApplicationDetail>& wholeData() const { return m_wholeData; }
    // Shows the progress of the list being built, until it is ready.
    void followApplicationList(ApplicationListBuilder* builder);
    const QStringList& blockedAppDetails() const { return m_blockedAppDetails; }

    // Records the new state of the switch's row: stores the list, quits the application.
    void apply(QAbstractButton* appSwitch, bool block);
    void applyPendingSwitch() override;

    // An application came to the front.
    void printMe(const QString& localizedName);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reloadData();
    void switchAppBlockUnblock(Switch* appSwitch);
    void updateSwitchState(const QVariant& object);
    void showProgress(int done, int total);
    void showBlockPage();

    std::unique_ptr<Ui::BlockAppsViewController> m_ui;
    MainWindowHost& m_host;
    std::unique_ptr<platform::Workspace> m_shared;
    QList<ApplicationDetail> m_wholeData;
    QStringList m_blockedAppDetails;
    OwnedGate m_verifyPinWC;
    bool m_blockStatus = false;
    QPointer<QAbstractButton> m_blockAppSwitch; // the switch whose change waits for the PIN
    QPointer<ApplicationListBuilder> m_followed;
    std::unique_ptr<QWidget> m_wc; // the help window that shows the block page
};
