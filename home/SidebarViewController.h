#pragma once

#include "ApplicationDetail.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

class ApplicationListBuilder;
class BlockAppsViewController;
class MainWindowHost;
class QDialog;
class SidebarRow;

namespace platform {
class Workspace;
}

namespace Ui {
class SidebarViewController;
}

// The fixed sidebar of the home screen: its rows choose the detail screen (protection, application
// blocking, website blacklist, settings), open the FAQ and log out; its switch turns PIN protection
// on and off. Each detail screen is made when its row is first chosen and kept. When the sidebar
// loads it starts building the list of installed applications for the blocking screen.
class SidebarViewController : public QWidget
{
    Q_OBJECT

public:
    enum Tag { protectionTag = 1, blockAppsTag, websitesTag, settingsTag, faqTag, logoutTag };

    explicit SidebarViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~SidebarViewController() override;

    // What a click on the row `tag` does (the rows' one action).
    void btnProtectionOnOffTapped(int tag);
    int previouslySelectedBtnTag() const { return m_previouslySelectedBtnTag; }

    QWidget* protectionVC() const { return m_protectionVC; }
    BlockAppsViewController* blockAppsVC() const;
    QWidget* blackListWebsiteVC() const { return m_blackListWebsiteVC; }
    QWidget* settingsVC() const { return m_settingsVC; }
    QWidget* faqWindow() const { return m_wc.get(); }
    ApplicationListBuilder* applicationList() const { return m_applicationList; }
    const QList<ApplicationDetail>& wholeData() const { return m_wholeData; }

Q_SIGNALS:
    // The detail pane is to show `screen` (made by this sidebar, not yet owned by anyone).
    void detailChosen(QWidget* screen);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setTexts();
    void select(SidebarRow* row);
    QWidget* detailScreen(QPointer<QWidget>& screen, const char* identifier);
    void openFAQ();
    void confirmLogout();
    void logout();
    void pinSwitched(bool on);
    void buttonToggle(const QVariant& object);
    void applicationListFinished(const QList<ApplicationDetail>& list);

    std::unique_ptr<Ui::SidebarViewController> m_ui;
    MainWindowHost& m_host;
    std::unique_ptr<platform::Workspace> m_shared;
    QList<SidebarRow*> m_rows; // owned by the rows' container
    SidebarRow* m_previouslySelected = nullptr;
    int m_previouslySelectedBtnTag = 0;
    std::unique_ptr<QWidget> m_wc; // the FAQ window
    QPointer<QDialog> m_window; // the PIN-disable sheet
    QPointer<QDialog> m_windowController; // the PIN setup sheet
    QPointer<QWidget> m_protectionVC;
    QPointer<QWidget> m_blockAppsVC;
    QPointer<QWidget> m_blackListWebsiteVC;
    QPointer<QWidget> m_settingsVC;
    ApplicationListBuilder* m_applicationList; // owned by this sidebar
    QList<ApplicationDetail> m_wholeData;
};
