#include "BlockedApplicationHook.h"

#include "CommandRunner.h"
#include "ProcessState.h"
#include "SettingsStore.h"

BlockedApplicationHook::BlockedApplicationHook(std::function<void()> showBlockPage, QObject* parent)
    : QObject(parent)
    , m_showBlockPage(std::move(showBlockPage))
{ }

void BlockedApplicationHook::applicationActivated(const QString& localizedName)
{
    for (const QString& blockedName : SettingsStore::shared().blockedApplications()) {
        if (blockedName != localizedName) {
            continue;
        }
        // The quit runs on its own; the block page does not wait for it.
        CommandRunner::shared().runAppleScript(quitApplicationScript(blockedName));
        blockPageRequested = true;
        m_showBlockPage();
    }
}
