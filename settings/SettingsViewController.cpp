#include "SettingsViewController.h"

#include "CustomWindow.h"
#include "Diagnostics.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "NotificationCenter.h"
#include "SettingsStore.h"
#include "Storyboard.h"
#include "ui_SettingsViewController.h"

#include <QDialog>

#include <array>

namespace {

struct Language
{
    const char* title; // shown as it stands: each language by the same name whatever the interface's
    const char* code;
    const char* diagnostic;
};

constexpr std::array<Language, 2> languages {{
    {"English", "en", "English Selected"},
    {"French", "fr", "French Selected"},
}};

} // namespace

SettingsViewController::SettingsViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::SettingsViewController>())
    , m_host(host)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    viewDidLoad();
    connect(
        m_ui->segmentedControl, &QTabWidget::currentChanged, this, &SettingsViewController::segmentChanged);
    connect(m_ui->btnEdit, &QPushButton::clicked, this, &SettingsViewController::btnEditTapped);
    // Every choice counts, the language already in force too: it is stored and announced again.
    connect(m_ui->popUpLanguage, &QComboBox::activated, this, &SettingsViewController::languageChosen);
}

SettingsViewController::~SettingsViewController() = default;

void SettingsViewController::viewDidLoad()
{
    m_ui->segmentedControl->setCurrentIndex(account);
    m_ui->popUpLanguage->clear();
    for (const Language& language : languages) {
        m_ui->popUpLanguage->addItem(QString::fromLatin1(language.title), QString::fromLatin1(language.code));
    }
    m_ui->emailTF->setText(SettingsStore::shared().textValue(keys::userEmail).value_or(QString()));
    localization::followLanguage(this, [this] { updateLocalization(); });
}

void SettingsViewController::updateLocalization()
{
    m_ui->lblSetting->setText(localizedText(QStringLiteral("Settings")));
    setWindowTitle(m_ui->lblSetting->text());
    m_ui->segmentedControl->setTabText(account, localizedText(QStringLiteral("Account")));
    m_ui->segmentedControl->setTabText(aboutUs, localizedText(QStringLiteral("About Us")));
    m_ui->segmentedControl->setAccessibleName(localizedText(QStringLiteral("Settings")));
    m_ui->lblEmail->setText(localizedText(QStringLiteral("Email")));
    m_ui->emailTF->setAccessibleName(m_ui->lblEmail->text());
    m_ui->btnEdit->setText(localizedText(QStringLiteral("Edit")));
    m_ui->btnEdit->setAccessibleName(m_ui->btnEdit->text());
    // A title of the message table: in the system's language, whatever the choice here.
    m_ui->lblAboutBrevak->setText(messages::aboutBrevak());
    m_ui->lblAboutPageNotShown->setText(
        localizedText(QStringLiteral("The page about BREVAK cannot be shown.")));
    m_ui->lblChangeLanguage->setText(localizedText(QStringLiteral("Language")));
    m_ui->popUpLanguage->setAccessibleName(m_ui->lblChangeLanguage->text());

    // The pop-up shows the language in force, not merely its first entry.
    const int inForce = m_ui->popUpLanguage->findData(localization::currentLanguageCode());
    m_ui->popUpLanguage->setCurrentIndex(inForce >= 0 ? inForce : 0);
}

void SettingsViewController::segmentChanged(int segment)
{
    if (segment == aboutUs) {
        showAboutPage();
    }
}

void SettingsViewController::showAboutPage()
{
    if (m_aboutPage) {
        return;
    }
    // The view chooses its page by the language and follows it; here it only needs a place. Without
    // it (a plug-in that cannot be loaded) the section says so rather than staying blank.
    m_aboutPage = Storyboard::main().instantiate(QStringLiteral("AboutPageView"), m_ui->aboutPageContainer);
    m_ui->lblAboutPageNotShown->setVisible(!m_aboutPage);
    if (m_aboutPage) {
        m_ui->aboutPageLayout->addWidget(m_aboutPage);
    }
}

void SettingsViewController::btnEditTapped()
{
    CustomWindow* mainWindow = m_host.mainWindow();
    if (!mainWindow) {
        return;
    }
    // A new sheet each time: it shows the account as stored now, and no password typed into an
    // earlier one stays behind in a closed window.
    if (m_editAccountSheet) {
        m_editAccountSheet->deleteLater();
    }
    m_editAccountSheet
        = Storyboard::main().instantiate<QDialog>(QStringLiteral("EditAccountWindowController"), this);
    if (m_editAccountSheet) {
        mainWindow->beginSheet(m_editAccountSheet);
    }
}

void SettingsViewController::languageChosen(int item)
{
    const Language& language = languages.at(std::size_t(item));
    diagnostics::printLine(QString::fromLatin1(language.diagnostic));
    const QString code = QString::fromLatin1(language.code);
    SettingsStore& settings = SettingsStore::shared();
    settings.setString(keys::currentLanguage, code);
    settings.flush();
    NotificationCenter::shared().post(QString::fromLatin1(notifications::updateChooseLanguage), code);
}
