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
    // A name stored twice still quits the application once.
    QStringList blockedNames = SettingsStore::shared().blockedApplications();
    blockedNames.removeDuplicates();
    for (const QString& blockedName : std::as_const(blockedNames)) {
        if (blockedName != localizedName) {
            continue;
        }
        // The quit runs on its own; the block page does not wait for it.
        CommandRunner::shared().runAppleScript(quitApplicationScript(blockedName));
        blockPageRequested = true;
        m_showBlockPage();
    }
}
