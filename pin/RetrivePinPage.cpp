#include "RetrivePinPage.h"

#include "CustomWindow.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "PinState.h"
#include "Storyboard.h"
#include "ui_RetrivePinPage.h"

RetrivePinPage::RetrivePinPage(MainWindowHost& host, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::RetrivePinPage>())
    , m_host(host)
{
    setObjectName(QStringLiteral("RetrivePinPage"));
    m_ui->setupUi(this);
    m_ui->lblServerMessage->hide();
    localization::followLanguage(this, [this] { setTexts(); });
    connect(m_ui->btnLiveChat, &QPushButton::clicked, this, &RetrivePinPage::liveChat);
    connect(m_ui->btnBack, &QPushButton::clicked, this, &RetrivePinPage::tappedBack);
}

RetrivePinPage::~RetrivePinPage() = default;

void RetrivePinPage::setTexts()
{
    setWindowTitle(localizedText(QStringLiteral("Retrieve my pin code by e-mail")));
    m_ui->lblCheckYourMail->setText(localizedText(QStringLiteral("Your request has been sent")));
    m_ui->lblWhenItComes->setText(localizedText(
        QStringLiteral("Your pin code will be e-mailed to you once the waiting time you chose has passed. "
                       "If you chose the FOREVER option, a therapist can help you on the live chat.")));
    m_ui->btnLiveChat->setText(localizedText(QStringLiteral("Live Chat 24/7")));
    m_ui->btnBack->setText(localizedText(QStringLiteral("Back")));
}

void RetrivePinPage::setServerMessage(const QString& message)
{
    m_ui->lblServerMessage->setText(message);
    m_ui->lblServerMessage->setVisible(!message.isEmpty());
}

void RetrivePinPage::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Made with its gate, often before the interface language is settled.
    setTexts();
    m_ui->btnBack->setVisible(retrieveFromStartGate);
    adjustSize();
}

void RetrivePinPage::liveChat()
{
    if (!m_liveChatWC) {
        m_liveChatWC = Storyboard::main().instantiate(QStringLiteral("LiveChat"), this);
        if (!m_liveChatWC) {
            return;
        }
        // A window of its own, which the page still owns.
        m_liveChatWC->setWindowFlag(Qt::Window, true);
    }
    m_liveChatWC->show();
    m_liveChatWC->raise();
    m_liveChatWC->activateWindow();
}

void RetrivePinPage::tappedBack()
{
    CustomWindow* mainWindow = m_host.mainWindow();
    if (!mainWindow) {
        close();
        return;
    }
    mainWindow->endSheet(this);
    mainWindow->beginSheet(&processStartGate(m_host, *mainWindow));
}
