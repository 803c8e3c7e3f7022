#pragma once

#include <QWidget>

#include <memory>

class MainWindowHost;
class SidebarViewController;

namespace Ui {
class SplitViewController;
}

// The home screen: the fixed sidebar on the left and the detail pane on the right, which shows the
// screen the sidebar chose. The sidebar is wider in French, whose labels are longer.
class SplitViewController : public QWidget
{
    Q_OBJECT

public:
    explicit SplitViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~SplitViewController() override;

    SidebarViewController* sidebar() const { return m_sidebar; }
    QWidget* detail() const;

    // The detail pane shows `screen`, which the pane keeps (hidden) when another is shown.
    void showDetail(QWidget* screen);

private:
    void updateSidebarWidth();

    std::unique_ptr<Ui::SplitViewController> m_ui;
    SidebarViewController* m_sidebar; // owned by this widget
};
