#include "ProtectionViewController.h"

#include "Alert.h"
#include "ApiManager.h"
#include "CommandRunner.h"
#include "CommonWS.h"
#include "DNSConfiguration.h"
#include "Diagnostics.h"
#include "Localization.h"
#include "MessageTable.h"
#include "NotificationCenter.h"
#include "PinState.h"
#include "SettingsStore.h"
#include "Storyboard.h"
#include "platform.h"
#include "ui_ProtectionViewController.h"

#include <QIcon>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

void post(const char* name, const QVariant& value)
{
    NotificationCenter::shared().post(QString::fromLatin1(name), value);
}

void alertAdminPrivileges(const char* line)
{
    showAlert(messages::ooops(), messages::requiresAdminPrivileges());
    diagnostics::printLine(QString::fromLatin1(line));
}

QString t(const char* key)
{
    return localizedText(QString::fromLatin1(key));
}

} // namespace

ProtectionViewController::ProtectionViewController(MainWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::ProtectionViewController>())
    , m_host(host)
    , m_windowController(Storyboard::main().instantiate<QDialog>(QStringLiteral("PinProtectionWC"), this))
    , m_verifyPinWC(Storyboard::main().instantiate<VerifyPin>(QStringLiteral("VerifyPin"), this))
    , m_terminate([] {
        std::fflush(stdout);
        std::_Exit(0);
    })
{
    setObjectName(QStringLiteral("ProtectionViewController"));
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    if (m_verifyPinWC.get()) {
        m_verifyPinWC.get()->setUninstall(this);
    }
    connect(m_ui->btnProtectionOnOff, &QPushButton::clicked, this, &ProtectionViewController::onOffCenter);
    connect(m_ui->btnSetupPin, &QPushButton::clicked, this, &ProtectionViewController::setupPinProtection);
    connect(m_ui->btnLiveChat, &QPushButton::clicked, this, &ProtectionViewController::liveChat);
    connect(m_ui->btnUninstall, &QPushButton::clicked, this, &ProtectionViewController::uninstallApp);
    connect(&DNSConfiguration::shared(), &DNSConfiguration::lastCheckChanged, this,
        &ProtectionViewController::showServices);

    NotificationCenter& center = NotificationCenter::shared();
    center.addObserver(this, QString::fromLatin1(notifications::pinProtectionOff),
        [this](const QVariant& object) { buttonToggle(object); });
    center.addObserver(this, QString::fromLatin1(notifications::dnsState),
        [this](const QVariant& object) { buttonDNSOnOff(object); });
    center.addObserver(
        this, QString::fromLatin1(notifications::updateChooseLanguage), [this](const QVariant&) {
            setTexts();
            updateStateDisplay();
            showServices();
        });

    setTexts();
    // The live chat's window is made when it is first asked for: it brings the web engine.
    m_ui->boxSetupPin->setVisible(!SettingsStore::shared().boolValue(keys::isPinSeted));
    updateStateDisplay();
    showServices();
}

ProtectionViewController::~ProtectionViewController()
{
    delete m_liveChatWC.data();
}

void ProtectionViewController::setTexts()
{
    m_ui->btnSetupPin->setText(t("Setup Pin Protection"));
    m_ui->lblSetupPin->setText(t("Set a PIN so that protection cannot be weakened on impulse."));
    m_ui->lblLive24->setText(t("Live Chat 24/7"));
    m_ui->btnLiveChat->setText(t("Talk to a counsellor"));
    m_ui->lblUninstall->setText(t("Uninstall App"));
    m_ui->btnUninstall->setText(t("Uninstall"));
    m_ui->lblProtectedServices->setText(t("Protected network services"));
    const std::optional<QString> language = SettingsStore::shared().textValue(keys::currentLanguage);
    if (language) {
        m_ui->boxUninstall->setMinimumWidth(*language == QLatin1String("fr") ? 290 : 196);
    }
}

void ProtectionViewController::updateStateDisplay()
{
    const bool on = !m_protection;
    m_ui->OnOffLbl->setText(on ? t("ON") : t("OFF"));
    m_ui->BlockerLbl->setText(on ? t("Blocker Is On!") : t("Tap to Turn on a blocker"));
    m_ui->btnProtectionOnOff->setIcon(
        QIcon(on ? QStringLiteral(":/icons/protectionOn.svg") : QStringLiteral(":/icons/protectionOff.svg")));
    m_ui->btnProtectionOnOff->setProperty("state", on ? "on" : "off");
    m_ui->btnProtectionOnOff->setAccessibleName(on ? t("Protection on") : t("Protection off"));
    m_ui->btnProtectionOnOff->setAccessibleDescription(
        on ? t("Blocker Is On!") : t("Tap to Turn on a blocker"));
}

void ProtectionViewController::showServices()
{
    QLayout* rows = m_ui->layoutServices;
    while (QLayoutItem* item = rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<DNSConfiguration::ServiceStatus>& services = DNSConfiguration::shared().lastCheck();
    m_ui->lblNoServices->setVisible(services.isEmpty());
    m_ui->lblNoServices->setText(t("No network service has been read yet."));
    for (const DNSConfiguration::ServiceStatus& service : services) {
        auto* row = new QFrame(m_ui->boxServices);
        row->setProperty("role", "row");
        row->setObjectName(QStringLiteral("serviceRow"));
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(8, 4, 8, 4);
        auto* name = new QLabel(service.name, row);
        auto* state = new QLabel(service.isProtected ? t("Protected") : t("Not protected"), row);
        state->setObjectName(QStringLiteral("lblServiceState"));
        layout->addWidget(name, 1);
        layout->addWidget(state);
        row->setAccessibleName(service.name + QStringLiteral(": ") + state->text());
        row->setFocusPolicy(Qt::TabFocus);
        rows->addWidget(row);
    }
}

void ProtectionViewController::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setTexts();
    // The screen shows what the network settings say, not what was stored.
    DNSConfiguration::shared().isProtectionActiveForConnection([self = QPointer(this)](bool active) {
        if (!self) {
            return;
        }
        self->m_protection = !active;
        self->m_stateRead = true;
        self->updateStateDisplay();
    });
}

void ProtectionViewController::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A window closed while the application shuts down hides this screen after the settings are gone.
    if (m_stateRead && SharedService<SettingsStore>::isRegistered()) {
        SettingsStore::shared().setBool(keys::dnsLastStatus, !m_protection);
    }
}

void ProtectionViewController::onOffCenter()
{
    pendingPinAction = PinAction::protectionOff;
    QMetaObject::invokeMethod(this, &ProtectionViewController::switchProtection, Qt::QueuedConnection);
}

void ProtectionViewController::switchProtection()
{
    DNSConfiguration& dns = DNSConfiguration::shared();
    const QPointer self(this);
    if (m_protection) {
        setBusy(true);
        dns.startProtection([self](bool started) {
            if (!self) {
                return;
            }
            if (started) {
                self->m_protection = false;
                self->m_stateRead = true;
                SettingsStore::shared().setBool(keys::dnsLastStatus, true);
                CommonWS::shared().syncURL();
            } else {
                alertAdminPrivileges("found error in starting protaction");
            }
            self->setBusy(false);
            self->updateStateDisplay();
        });
    } else if (SettingsStore::shared().boolValue(keys::isPinEnable)) {
        home::beginSheet(m_host, m_verifyPinWC.get());
    } else {
        setBusy(true);
        dns.closeProtection([self](bool closed) {
            if (!self) {
                return;
            }
            if (closed) {
                self->m_protection = true;
                self->m_stateRead = true;
                SettingsStore::shared().setBool(keys::dnsLastStatus, false);
            } else {
                alertAdminPrivileges("found error in close protaction");
            }
            self->setBusy(false);
            self->updateStateDisplay();
        });
    }
}

void ProtectionViewController::setBusy(bool busy)
{
    // One change at a time: a second press while networksetup runs would queue the opposite change.
    m_ui->btnProtectionOnOff->setEnabled(!busy);
    m_ui->btnUninstall->setEnabled(!busy && !m_uninstalling);
}

void ProtectionViewController::setupPinProtection()
{
    CommonWS::shared().syncURL([self = QPointer(this)] {
        if (!self) {
            return;
        }
        if (SettingsStore::shared().boolValue(keys::isPinSeted)) {
            post(notifications::pinProtectionOff, true);
            showAlert(messages::ooops(), localizedText(QStringLiteral("Pin already set")));
        } else {
            home::beginSheet(self->m_host, self->m_windowController);
        }
    });
}

void ProtectionViewController::liveChat()
{
    if (!m_liveChatWC) {
        m_liveChatWC = Storyboard::main().instantiate(QStringLiteral("LiveChat"));
    }
    if (m_liveChatWC) {
        m_liveChatWC->show();
        m_liveChatWC->raise();
        m_liveChatWC->activateWindow();
    }
}

void ProtectionViewController::buttonToggle(const QVariant& object)
{
    const bool pinOn = object.toInt() == 1;
    m_ui->boxSetupPin->setVisible(!pinOn);
    SettingsStore::shared().setBool(keys::isPinEnable, pinOn);
}

void ProtectionViewController::buttonDNSOnOff(const QVariant& object)
{
    m_protection = !(object.typeId() == QMetaType::Bool && object.toBool());
    m_stateRead = true;
    updateStateDisplay();
}

void ProtectionViewController::uninstallApp()
{
    pendingPinAction = PinAction::uninstall;
    if (SettingsStore::shared().boolValue(keys::isPinEnable)) {
        home::beginSheet(m_host, m_verifyPinWC.get());
        return;
    }
    continueUninstall();
}

// The application is deleted last: protection is cleared and the session signed out first, so that a
// step that fails leaves a working application behind.
void ProtectionViewController::continueUninstall()
{
    if (m_uninstalling) {
        return;
    }
    m_uninstalling = true;
    setBusy(true);
    const QPointer self(this);
    const auto giveBack = [self] {
        if (self) {
            self->m_uninstalling = false;
            self->setBusy(false);
        }
    };
    DNSConfiguration::shared().closeProtection([self, giveBack](bool closed) {
        if (!self) {
            return;
        }
        if (!closed) {
            alertAdminPrivileges("found error in close protaction");
            giveBack();
            return;
        }
        self->m_protection = true;
        self->m_stateRead = true;
        self->updateStateDisplay();
        ApiManager::shared().request(
            WebService::logout, {},
            [giveBack](const ApiError& error) {
                CommonWS::alertFailure(error);
                giveBack();
            },
            [self, giveBack](const QByteArray& body) {
                bool signedOut = false;
                CommonWS::handleUninstallLogoutResponse(body, [&signedOut](bool) { signedOut = true; });
                if (signedOut && self) {
                    self->uninstallSignedOut();
                } else {
                    giveBack();
                }
            });
    });
}

void ProtectionViewController::uninstallSignedOut()
{
    diagnostics::printLine(QStringLiteral("Logout success in uninstall"));
    SettingsStore& settings = SettingsStore::shared();
    settings.setBool(keys::isLogin, false);
    settings.setBool(keys::isLoggedOut, true);
    settings.setBool(keys::dnsLastStatus, false);
    post(notifications::dnsState, false);
    deleteApplication();
}

void ProtectionViewController::deleteApplication()
{
    const QPointer self(this);
    CommandRunner::shared().runShellCommand(
        QStringLiteral("rm -rf ") + shellQuoted(platform::applicationBundle()), this,
        [self](const QString& output) {
            diagnostics::printLine(QStringLiteral("Result - ") + output);
            if (!output.isEmpty()) {
                // Signed out with protection off, the application still works: the user is told and
                // can sign in again.
                MainWindowHost& host = self->m_host;
                showAlert(messages::ooops(),
                    localizedText(QStringLiteral("BREVAK could not be deleted:")) + ' ' + output.trimmed());
                home::showStartScreen(host);
                return;
            }
            diagnostics::printLine(QStringLiteral("Unistall Success"));
            self->m_launchAgent.uninstall(self, [self] { self->m_terminate(); });
        });
}
