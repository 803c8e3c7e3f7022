#include "Screens.h"

#include "BlackListWebsitesViewController.h"
#include "BlockAppsViewController.h"
#include "ChangePin.h"
#include "EditAccountWindowController.h"
#include "PasswordViewController.h"
#include "PinProtectionOff.h"
#include "PinProtectionWC.h"
#include "ProtectionViewController.h"
#include "ResetPasswordViewController.h"
#include "RetrivePinPage.h"
#include "SettingsViewController.h"
#include "SheetWindowController.h"
#include "SignInViewController.h"
#include "SignupViewController.h"
#include "SplitViewController.h"
#include "Storyboard.h"
#include "TermsAndConditions.h"
#include "VerifyPin.h"
#include "VerifyPinOnStart.h"
#include "ViewController.h"

void registerApplicationScreens(Storyboard& storyboard, MainWindowHost& host)
{
    storyboard.registerController(QStringLiteral("ViewController"),
        [&host](QWidget* parent) { return new ViewController(host, parent); });
    storyboard.registerController(QStringLiteral("LogInWindowController"),
        [](QWidget* parent) { return new LogInWindowController(parent); });
    storyboard.registerController(QStringLiteral("SignInViewController"),
        [&host](QWidget* parent) { return new SignInViewController(host, parent); });
    storyboard.registerController(QStringLiteral("PasswordViewController"),
        [&host](QWidget* parent) { return new PasswordViewController(host, parent); });
    storyboard.registerController(QStringLiteral("SignupViewController"),
        [&host](QWidget* parent) { return new SignupViewController(host, parent); });
    storyboard.registerController(QStringLiteral("ResetPasswordViewController"),
        [&host](QWidget* parent) { return new ResetPasswordViewController(host, parent); });
    storyboard.registerController(QStringLiteral("EditAccountWindowController"),
        [&host](QWidget* parent) { return new EditAccountWindowController(host, parent); });
    storyboard.registerController(QStringLiteral("PinProtectionWC"),
        [&host](QWidget* parent) { return new PinProtectionWC(host, parent); });
    storyboard.registerController(
        QStringLiteral("VerifyPin"), [&host](QWidget* parent) { return new VerifyPin(host, parent); });
    storyboard.registerController(QStringLiteral("VerifyPinOnStart"),
        [&host](QWidget* parent) { return new VerifyPinOnStart(host, parent); });
    storyboard.registerController(QStringLiteral("PinProtectionOff"),
        [&host](QWidget* parent) { return new PinProtectionOff(host, parent); });
    storyboard.registerController(
        QStringLiteral("ChangePin"), [&host](QWidget* parent) { return new ChangePin(host, parent); });
    storyboard.registerController(QStringLiteral("RetrivePinPage"),
        [&host](QWidget* parent) { return new RetrivePinPage(host, parent); });
    storyboard.registerController(QStringLiteral("SettingsViewController"),
        [&host](QWidget* parent) { return new SettingsViewController(host, parent); });
    storyboard.registerController(QStringLiteral("TermsAndConditions"),
        [&host](QWidget* parent) { return new TermsAndConditions(host, parent); });
    storyboard.registerController(QStringLiteral("SplitViewController"),
        [&host](QWidget* parent) { return new SplitViewController(host, parent); });
    storyboard.registerController(QStringLiteral("ProtectionViewController"),
        [&host](QWidget* parent) { return new ProtectionViewController(host, parent); });
    storyboard.registerController(QStringLiteral("BlockAppsViewController"),
        [&host](QWidget* parent) { return new BlockAppsViewController(host, parent); });
    storyboard.registerController(QStringLiteral("BlackListWebsitesViewController"),
        [&host](QWidget* parent) { return new BlackListWebsitesViewController(host, parent); });

    const auto sheet = [&storyboard](const QString& identifier, const QString& contentIdentifier) {
        storyboard.registerController(identifier, [contentIdentifier](QWidget* parent) {
            return new SheetWindowController(contentIdentifier, parent);
        });
    };
    sheet(QStringLiteral("PasswordWindowController"), QStringLiteral("PasswordViewController"));
    sheet(QStringLiteral("SignupWindowController"), QStringLiteral("SignupViewController"));
    sheet(QStringLiteral("ResetPasswordWindowController"), QStringLiteral("ResetPasswordViewController"));
}
