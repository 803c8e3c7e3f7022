#include "StandInsFolder.h"
#include "windowing.h"

#include <QProcess>

namespace platform {

// The stand-in `open` plays the browser, as `open URL` would start the real one on a Mac: it runs on
// its own and does what brevak-simctl browser said (answer, refuse, or close without answering).
bool openUrlInBrowser(const QUrl& url)
{
    QProcess browser;
    browser.setProgram(standInsFolder() + QStringLiteral("/open"));
    browser.setArguments({url.toString(QUrl::FullyEncoded)});
    browser.setProcessEnvironment(commandEnvironment());
    return browser.startDetached();
}

} // namespace platform
