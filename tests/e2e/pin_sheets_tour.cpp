// Takes the PIN sheets on a tour under a real display, in English and in French, saving a picture of
// each, then sets a hidden PIN with a 12-hour waiting time through them against the account server
// named by BREVAK_API_BASE_URL, with the session stored in the simulated Mac's settings.
//
// Usage: pin_sheets_tour ARTIFACTS_DIR. Exit status 0 once the server has accepted the PIN.

#include "Alert.h"
#include "ApplicationServices.h"
#include "ChangePin.h"
#include "CustomWindow.h"
#include "MainWindowHost.h"
#include "MessageBoxAlertPresenter.h"
#include "MessageTable.h"
#include "PinBlock.h"
#include "PinProtectionOff.h"
#include "PinProtectionWC.h"
#include "PinState.h"
#include "RetrivePinPage.h"
#include "Screens.h"
#include "Storyboard.h"
#include "Theme.h"
#include "VerifyPin.h"
#include "VerifyPinOnStart.h"
#include "setWaitingTimeWC.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <cstdio>

namespace {

class TourHost : public MainWindowHost
{
public:
    CustomWindow* mainWindow() const override { return const_cast<CustomWindow*>(&window); }
    CustomWindow window;
};

class Tour
{
public:
    Tour(TourHost& host, QString artifacts)
        : m_host(host)
        , m_artifacts(std::move(artifacts))
    { }

    // Begins `sheet` on the main window, saves its picture and ends it.
    void shoot(QDialog* sheet, const QString& name, const std::function<void()>& prepare = {})
    {
        m_host.window.beginSheet(sheet);
        if (prepare) {
            prepare();
        }
        save(sheet, name);
        m_host.window.endSheet(sheet);
    }

    void save(QWidget* widget, const QString& name)
    {
        if (!QTest::qWaitForWindowExposed(widget)) {
            std::fprintf(stderr, "%s was never shown\n", qPrintable(name));
            m_failed = true;
        }
        QTest::qWait(200); // a picture for people: let the window manager settle
        const QString language = SettingsStore::shared().textValue(keys::currentLanguage).value_or("en");
        const QString path = QStringLiteral("%1/pin-%2-%3.png").arg(m_artifacts, name, language);
        if (!widget->grab().save(path)) {
            std::fprintf(stderr, "could not save %s\n", qPrintable(path));
            m_failed = true;
        }
    }

    bool failed() const { return m_failed; }

private:
    TourHost& m_host;
    QString m_artifacts;
    bool m_failed = false;
};

QAbstractButton* button(QWidget* sheet, const char* name)
{
    return sheet->findChild<QAbstractButton*>(QString::fromLatin1(name));
}

void press(QWidget* sheet, const char* name)
{
    QTest::mouseClick(button(sheet, name), Qt::LeftButton);
}

void tourInOneLanguage(Tour& tour, TourHost& host)
{
    CustomWindow* window = &host.window;
    tour.shoot(new PinProtectionWC(host, window), "PinProtectionWC");
    auto* hidden = new PinProtectionWC(host, window);
    tour.shoot(hidden, "PinProtectionWC-hidden", [hidden] { press(hidden, "btnRandomPin"); });
    tour.shoot(new setWaitingTimeWC(QStringLiteral("000000"), window), "setWaitingTimeWC");
    tour.shoot(new VerifyPin(host, window), "VerifyPin");
    PinBlock::current().start(std::chrono::minutes(15));
    tour.shoot(new VerifyPin(host, window), "VerifyPin-blocked");
    showAlert(messages::ooops(), "Please enter a valid otp.\n" + PinBlock::current().timeLeftText());
    if (auto* alert = window->findChild<QMessageBox*>(QStringLiteral("alert"))) {
        tour.save(alert, "alert-blocked");
        alert->close();
    }
    PinBlock::current().clear();
    tour.shoot(new VerifyPinOnStart(host, window), "VerifyPinOnStart");
    tour.shoot(new PinProtectionOff(host, window), "PinProtectionOff");
    tour.shoot(new ChangePin(host, window), "ChangePin");
    auto* change = new ChangePin(host, window);
    tour.shoot(change, "ChangePin-hidden", [change] { press(change, "btnRandomPin"); });
    retrieveFromStartGate = true;
    auto* page = new RetrivePinPage(host, window);
    page->setServerMessage(QStringLiteral("Your request has been registered. Your pin will be e-mailed to "
                                          "you in 12 hours, on 2027-01-15 20:00 UTC."));
    tour.shoot(page, "RetrivePinPage", [page, &tour] {
        press(page, "btnLiveChat");
        if (QWidget* chat = page->liveChatWindow()) {
            tour.save(chat, "LiveChat");
            chat->close();
        }
    });
    retrieveFromStartGate = false;
}

// A hidden PIN with the 12-hour waiting time, as a user sets it.
bool setHiddenPin(TourHost& host)
{
    auto* pinSheet = new PinProtectionWC(host, &host.window);
    host.window.beginSheet(pinSheet);
    press(pinSheet, "btnRandomPin");
    press(pinSheet, "btnSetPin");
    setWaitingTimeWC* waiting = pinSheet->waitingTimeSheet();
    if (!waiting || !QTest::qWaitForWindowExposed(waiting)) {
        std::fprintf(stderr, "the waiting-time sheet did not open\n");
        return false;
    }
    press(waiting, "btn12Hours");
    press(waiting, "btnSetTheTime");
    if (!QTest::qWaitFor([waiting] { return !waiting->isVisible(); }, 30000)) {
        std::fprintf(stderr, "the server did not take the PIN\n");
        return false;
    }
    return SettingsStore::shared().boolValue(keys::isPinSeted);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pin_sheets_tour ARTIFACTS_DIR\n");
        return 2;
    }
    theme::install(app);
    QApplication::setApplicationName(QStringLiteral("BREVAK"));
    QApplication::setOrganizationDomain(QStringLiteral("mac.com"));

    ApplicationServices services;
    TourHost host;
    Storyboard storyboard;
    const Storyboard::Registration storyboardRegistration(storyboard);
    registerApplicationScreens(storyboard, host);
    MessageBoxAlertPresenter alerts([&host]() -> QWidget* { return &host.window; });
    const AlertPresenter::Registration alertsRegistration(alerts);
    host.window.resize(800, 500);
    host.window.show();
    services.api().startReachability();

    Tour tour(host, QString::fromLocal8Bit(argv[1]));
    for (const char* language : {"en", "fr"}) {
        services.settings().setString(keys::currentLanguage, QString::fromLatin1(language));
        tourInOneLanguage(tour, host);
    }
    services.settings().setString(keys::currentLanguage, QStringLiteral("en"));
    const bool set = setHiddenPin(host);
    std::printf(set ? "hidden PIN set\n" : "no PIN set\n");
    return set && !tour.failed() ? 0 : 1;
}
