#include "VerifyPinOnStart.h"

#include "CommonWS.h"
#include "CustomWindow.h"
#include "Diagnostics.h"
#include "HomeScreen.h"
#include "MainWindowHost.h"
#include "PinState.h"
#include "RetrivePinPage.h"
#include "SettingsStore.h"
#include "ui_VerifyPinOnStart.h"

#include <QTimer>

VerifyPinOnStart::VerifyPinOnStart(MainWindowHost& host, QWidget* parent)
    : PinGate(host, parent)
    , m_ui(std::make_unique<Ui::VerifyPinOnStart>())
{
    setObjectName(QStringLiteral("VerifyPinOnStart"));
    m_ui->setupUi(this);
    windowDidLoad({m_ui->lblEnterPinToVerify, m_ui->pinTF, m_ui->lblPinBlocked, m_ui->btnRetrieveMyPin,
        m_ui->btnCancel, m_ui->btnVerify});
    diagnostics::printLine(QStringLiteral("Current User email - ")
        + SettingsStore::shared().textValue(keys::userEmail).value_or(QString()));
}

VerifyPinOnStart::~VerifyPinOnStart() = default;

void VerifyPinOnStart::pinAccepted()
{
    CommonWS::shared().syncURL();
    SettingsStore::shared().setInteger(keys::attemp, 1);
    pinField().clear();
    endSheet();
    // Last: the start screen that owns this gate goes with the content it gives way to.
    showHomeScreen(host().mainWindow());
}

void VerifyPinOnStart::cancel()
{
    request().drop();
    pinField().clear();
    endSheet();
    if (CustomWindow* mainWindow = host().mainWindow()) {
        mainWindow->hide();
    }
}

void VerifyPinOnStart::retrieve()
{
    retrieveFromStartGate = true;
    // One turn of the event loop later, as the gate's own sheet settles first.
    QTimer::singleShot(0, this, [this] {
        sendRetrieval([this](const QString& message) {
            CustomWindow* mainWindow = host().mainWindow();
            if (!mainWindow) {
                return;
            }
            endSheet();
            retrievePage()->setServerMessage(message);
            mainWindow->beginSheet(retrievePage());
        });
    });
}
