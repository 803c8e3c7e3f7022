#include "TermsAndConditions.h"

#include "CustomWindow.h"
#include "HomeScreen.h"
#include "Localization.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "ui_TermsAndConditions.h"

TermsAndConditions::TermsAndConditions(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TermsAndConditions>())
    , m_host(host)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    viewDidLoad();
    connect(m_ui->btnContinue, &QPushButton::clicked, this, &TermsAndConditions::continueAction);
}

TermsAndConditions::~TermsAndConditions() = default;

void TermsAndConditions::viewDidLoad()
{
    localization::followLanguage(this, [this] { setTexts(); });
    // A text of the message table: in the system's language, whatever the choice in the settings.
    m_ui->lorem->setPlainText(messages::termsPlaceholder());
    if (CustomWindow* mainWindow = m_host.mainWindow()) {
        mainWindow->setContentSizeLimits(QSize(795, 590));
    }
}

void TermsAndConditions::setTexts()
{
    m_ui->lblTerms->setText(localizedText(QStringLiteral("Terms & Condition")));
    m_ui->lorem->setAccessibleName(m_ui->lblTerms->text());
    m_ui->btnContinue->setText(localizedText(QStringLiteral("Continue")));
    m_ui->btnContinue->setAccessibleName(m_ui->btnContinue->text());
}

void TermsAndConditions::continueAction()
{
    // The home screen replaces this one, which goes with it.
    showHomeScreen(m_host.mainWindow());
}
