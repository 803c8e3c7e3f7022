#include "SessionWindowHost.h"

#include "AppDelegate.h"
#include "Storyboard.h"
#include "windowing.h"

#include <QDialog>

SessionWindowHost::SessionWindowHost(AppDelegate& delegate)
    : m_delegate(&delegate)
{ }

bool SessionWindowHost::hasMainWindow() const
{
    return m_delegate && m_delegate->mainWindow();
}

void SessionWindowHost::raiseFrontWindow()
{
    if (m_delegate) {
        m_delegate->orderFrontFirstWindow();
    }
}

void SessionWindowHost::endAttachedSheet()
{
    CustomWindow* window = m_delegate ? m_delegate->mainWindow() : nullptr;
    if (QDialog* sheet = window ? window->attachedSheet() : nullptr) {
        window->endSheet(sheet);
    }
}

void SessionWindowHost::showStartScreen()
{
    CustomWindow* window = m_delegate ? m_delegate->mainWindow() : nullptr;
    if (!window) {
        return;
    }
    window->setContentSizeLimits(QSize(795, 594));
    platform::setTitleBarTransparent(window, false);
    window->setContentViewController(Storyboard::main().instantiate(QStringLiteral("ViewController")));
}
