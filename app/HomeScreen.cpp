#include "HomeScreen.h"

#include "CustomWindow.h"
#include "Storyboard.h"
#include "windowing.h"

#include <QSize>

void showHomeScreen(CustomWindow* window)
{
    if (!window) {
        return;
    }
    QWidget* home = Storyboard::main().instantiate(QStringLiteral("SplitViewController"));
    if (!home) {
        return;
    }
    window->setContentSizeLimits(QSize(800, 500));
    // The screen it replaces goes with it.
    window->setContentViewController(home);
    platform::setTitleBarTransparent(window, true);
}
