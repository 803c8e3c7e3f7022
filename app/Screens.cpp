#include "Screens.h"

#include "PlaceholderScreen.h"
#include "SheetWindowController.h"
#include "Storyboard.h"
#include "ViewController.h"

void registerApplicationScreens(Storyboard& storyboard, MainWindowHost& host)
{
    storyboard.registerController(QStringLiteral("ViewController"),
        [&host](QWidget* parent) { return new ViewController(host, parent); });
    storyboard.registerController(QStringLiteral("LogInWindowController"),
        [](QWidget* parent) { return new LogInWindowController(parent); });

    // Screens of later versions, so that every route already leads somewhere visible.
    using Kind = PlaceholderScreen::Kind;
    const auto placeholder = [&storyboard](const QString& identifier, const QString& title, Kind kind) {
        storyboard.registerController(identifier,
            [title, kind](QWidget* parent) { return new PlaceholderScreen(title, kind, parent); });
    };
    placeholder(QStringLiteral("SplitViewController"), QStringLiteral("Home"), Kind::view);
    placeholder(QStringLiteral("SignInViewController"), QStringLiteral("Sign In"), Kind::sheet);
    placeholder(QStringLiteral("PasswordViewController"), QStringLiteral("Password"), Kind::sheet);
    placeholder(QStringLiteral("SignupViewController"), QStringLiteral("Join Us"), Kind::sheet);
    placeholder(
        QStringLiteral("ResetPasswordViewController"), QStringLiteral("Forgot Password?"), Kind::sheet);
    placeholder(
        QStringLiteral("VerifyPinOnStartViewController"), QStringLiteral("Enter pin to verify"), Kind::sheet);

    const auto sheet = [&storyboard](const QString& identifier, const QString& contentIdentifier) {
        storyboard.registerController(identifier, [contentIdentifier](QWidget* parent) {
            return new SheetWindowController(contentIdentifier, parent);
        });
    };
    sheet(QStringLiteral("PasswordWindowController"), QStringLiteral("PasswordViewController"));
    sheet(QStringLiteral("SignupWindowController"), QStringLiteral("SignupViewController"));
    sheet(QStringLiteral("ResetPasswordWindowController"), QStringLiteral("ResetPasswordViewController"));
    sheet(QStringLiteral("VerifyPinOnStart"), QStringLiteral("VerifyPinOnStartViewController"));
}
