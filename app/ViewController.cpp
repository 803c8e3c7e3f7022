#include "ViewController.h"

#include "ApiManager.h"
#include "CommonWS.h"
#include "CustomWindow.h"
#include "HomeScreen.h"
#include "MainWindowHost.h"
#include "SettingsStore.h"
#include "Storyboard.h"
#include "ui_ViewController.h"

#include <QDialog>
#include <QTimer>

ViewController::ViewController(MainWindowHost& host, QWidget* parent, std::chrono::milliseconds routingDelay)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::ViewController>())
    , m_host(host)
    , m_verifyPinOnStartWC(Storyboard::main().instantiate<QDialog>(QStringLiteral("VerifyPinOnStart"), this))
    , m_routingDelay(routingDelay)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    viewDidLoad();
}

ViewController::~ViewController() = default;

void ViewController::viewDidLoad()
{
    ApiManager::shared().startReachability();
    CommonWS::shared().syncURL({});
}

void ViewController::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    viewDidAppear();
}

void ViewController::viewDidAppear()
{
    QPointer<QDialog> signInController
        = Storyboard::main().instantiate<QDialog>(QStringLiteral("LogInWindowController"), window());
    window()->raise();
    QTimer::singleShot(m_routingDelay, this, [this, signInController] {
        if (signInController) {
            route(signInController);
        }
    });
}

void ViewController::route(QDialog* signInController)
{
    SettingsStore& settings = SettingsStore::shared();
    const bool isLogin = settings.boolValue(keys::isLogin);
    CommonWS::shared().syncURL({});

    CustomWindow* mainWindow = m_host.mainWindow();
    if (settings.boolValue(keys::isPinSeted) && !settings.boolValue(keys::isLoggedOut)) {
        if (mainWindow && m_verifyPinOnStartWC) {
            mainWindow->beginSheet(m_verifyPinOnStartWC);
        }
        return;
    }
    if (isLogin) {
        showHomeScreen(mainWindow);
        return;
    }
    if (auto* ownWindow = qobject_cast<CustomWindow*>(window())) {
        ownWindow->beginSheet(signInController);
    } else {
        signInController->setWindowModality(Qt::WindowModal);
        signInController->open();
    }
}
