#include "SessionWindowHost.h"

#include "AppDelegate.h"
#include "Storyboard.h"
#include "platform.h"

#include <QDialog>

SessionWindowHost::SessionWindowHost(AppDelegate& delegate)
    : m_delegate(delegate)
{ }

bool SessionWindowHost::hasMainWindow() const
{
    return m_delegate.mainWindow() != nullptr;
}

void SessionWindowHost::raiseFrontWindow()
{
    m_delegate.orderFrontFirstWindow();
}

void SessionWindowHost::endAttachedSheet()
{
    if (CustomWindow* window = m_delegate.mainWindow()) {
        if (QDialog* sheet = window->attachedSheet()) {
            window->endSheet(sheet);
        }
    }
}

void SessionWindowHost::showStartScreen()
{
    CustomWindow* window = m_delegate.mainWindow();
    if (!window) {
        return;
    }
    window->setContentSizeLimits(QSize(795, 594));
    platform::setTitleBarTransparent(window, false);
    window->setContentViewController(Storyboard::main().instantiate(QStringLiteral("ViewController")));
}
