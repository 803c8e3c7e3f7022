#include "BlockPage.h"

#include "Storyboard.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

void showBlockPage(std::unique_ptr<QWidget>& window)
{
    static QPointer<QWidget> shown;
    if (!shown || !shown->isVisible()) {
        if (!window) {
            window.reset(Storyboard::main().instantiate(QStringLiteral("FAQWC")));
        }
        if (!window) {
            return;
        }
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            window->resize(screen->geometry().size());
        }
        window->show();
        shown = window.get();
    }
    shown->raise();
    shown->activateWindow();
}
