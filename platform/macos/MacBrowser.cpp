#include "windowing.h"

#include <QDesktopServices>

namespace platform {

// Launch Services opens the user's default browser.
bool openUrlInBrowser(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace platform
