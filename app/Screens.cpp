#include "Screens.h"

#include "BlackListWebsitesViewController.h"
#include "BlockAppsViewController.h"
#include "ChangePin.h"
#include "PinProtectionOff.h"
#include "PinProtectionWC.h"
#include "PlaceholderScreen.h"
#include "ProtectionViewController.h"
#include "RetrivePinPage.h"
#include "SheetWindowController.h"
#include "SplitViewController.h"
#include "Storyboard.h"
#include "VerifyPin.h"
#include "VerifyPinOnStart.h"
#include "ViewController.h"

void registerApplicationScreens(Storyboard& storyboard, MainWindowHost& host)
{
    storyboard.registerController(QStringLiteral("ViewController"),
        [&host](QWidget* parent) { return new ViewController(host, parent); });
    storyboard.registerController(QStringLiteral("LogInWindowController"),
        [](QWidget* parent) { return new LogInWindowController(parent); });
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
    storyboard.registerController(QStringLiteral("SplitViewController"),
        [&host](QWidget* parent) { return new SplitViewController(host, parent); });
    storyboard.registerController(QStringLiteral("ProtectionViewController"),
        [&host](QWidget* parent) { return new ProtectionViewController(host, parent); });
    storyboard.registerController(QStringLiteral("BlockAppsViewController"),
        [&host](QWidget* parent) { return new BlockAppsViewController(host, parent); });
    storyboard.registerController(QStringLiteral("BlackListWebsitesViewController"),
        [&host](QWidget* parent) { return new BlackListWebsitesViewController(host, parent); });

    // Screens of later versions, so that every route already leads somewhere visible.
    using Kind = PlaceholderScreen::Kind;
    const auto placeholder = [&storyboard](const QString& identifier, const QString& title, Kind kind) {
        storyboard.registerController(identifier,
            [title, kind](QWidget* parent) { return new PlaceholderScreen(title, kind, parent); });
    };
    placeholder(QStringLiteral("SignInViewController"), QStringLiteral("Sign In"), Kind::sheet);
    placeholder(QStringLiteral("PasswordViewController"), QStringLiteral("Password"), Kind::sheet);
    placeholder(QStringLiteral("SignupViewController"), QStringLiteral("Join Us"), Kind::sheet);
    placeholder(
        QStringLiteral("ResetPasswordViewController"), QStringLiteral("Forgot Password?"), Kind::sheet);

    const auto sheet = [&storyboard](const QString& identifier, const QString& contentIdentifier) {
        storyboard.registerController(identifier, [contentIdentifier](QWidget* parent) {
            return new SheetWindowController(contentIdentifier, parent);
        });
    };
    sheet(QStringLiteral("PasswordWindowController"), QStringLiteral("PasswordViewController"));
    sheet(QStringLiteral("SignupWindowController"), QStringLiteral("SignupViewController"));
    sheet(QStringLiteral("ResetPasswordWindowController"), QStringLiteral("ResetPasswordViewController"));
}
