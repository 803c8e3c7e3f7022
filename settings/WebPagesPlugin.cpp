#include "WebPagesPlugin.h"

#include "AboutPageView.h"
#include "FAQWC.h"
#include "FacebookLoginWC.h"
#include "LiveChat.h"
#include "Storyboard.h"
#include "WebsitePageWC.h"

#include <QtWebEngineQuick/qtwebenginequickglobal.h>

void WebPagesPlugin::registerScreens(Storyboard& storyboard, MainWindowHost&)
{
    // The web engine draws through an OpenGL context shared with the application's. Qt makes that
    // context when the application starts if the engine is linked then, loading the whole graphics
    // stack into a process that may never show a page; here it is made when the first page is due.
    // Qt warns that this is late (it still works in Qt 6), once.
    QtWebEngineQuick::initialize();
    storyboard.registerController(QStringLiteral("FAQWC"), [](QWidget* parent) { return new FAQWC(parent); });
    storyboard.registerController(
        QStringLiteral("LiveChat"), [](QWidget* parent) { return new LiveChat(parent); });
    storyboard.registerController(
        QStringLiteral("TermsWC"), [](QWidget* parent) { return new TermsWC(parent); });
    storyboard.registerController(
        QStringLiteral("PrivacyWC"), [](QWidget* parent) { return new PrivacyWC(parent); });
    storyboard.registerController(
        QStringLiteral("FacebookLoginWC"), [](QWidget* parent) { return new FacebookLoginWC(parent); });
    storyboard.registerController(
        QStringLiteral("AboutPageView"), [](QWidget* parent) { return new AboutPageView(parent); });
}
