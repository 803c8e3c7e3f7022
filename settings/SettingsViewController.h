#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class MainWindowHost;
class QDialog;

namespace Ui {
class SettingsViewController;
}

// The settings screen in the home screen's detail pane: the account's e-mail address with Edit, which
// opens the account-editing sheet; the page about BREVAK; and the language choice, the one place where
// the user switches the interface between English and French.
//
// The page about BREVAK is a web page. Its view comes from the web pages' plug-in ("AboutPageView"),
// built the first time the "About Us" section is shown, so that opening the settings to edit the
// account or change the language never starts the web engine.
class SettingsViewController : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsViewController(MainWindowHost& host, QWidget* parent = nullptr);
    ~SettingsViewController() override;

    enum Segment { account = 0, aboutUs = 1 };

private:
    void viewDidLoad();
    void updateLocalization();
    void segmentChanged(int segment);
    void btnEditTapped();
    void languageChosen(int item);
    void showAboutPage();

    std::unique_ptr<Ui::SettingsViewController> m_ui;
    MainWindowHost& m_host;
    QPointer<QDialog> m_editAccountSheet;
    QWidget* m_aboutPage = nullptr; // built at the first show of its section, owned by its box
};
