#include "AppDelegate.h"
#include "BlockPage.h"
#include "DataRow.h"
#include "Diagnostics.h"
#include "EventOrder.h"
#include "FakeApplication.h"
#include "FakeWorkspace.h"
#include "Localization.h"
#include "LogCapture.h"
#include "MainWindowController.h"
#include "MessageBoxAlertPresenter.h"
#include "PropertyList.h"
#include "SessionWindowHost.h"
#include "Theme.h"
#include "ViewController.h"

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

// The launch and life of the application and where its start screen leads, with its services over
// fakes and a fake workspace.
class TestApplication : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppDelegate> m_delegate;
    FakeWorkspace* m_workspace = nullptr;
    std::unique_ptr<FakeApplication> m_app;

    SettingsStore& settings() { return SettingsStore::shared(); }

    static QDialog* visibleSheet(QWidget* window)
    {
        for (QDialog* dialog : window->findChildren<QDialog*>()) {
            if (dialog->isVisible()) {
                return dialog;
            }
        }
        return nullptr;
    }
    const QStringList& commands() const { return m_app->networksetup.runner.commands(); }
    static qint64 ownProcessId() { return QCoreApplication::applicationPid(); }

private Q_SLOTS:
    void initTestCase() { qputenv("BREVAK_RESOLVER_ADDRESS", "198.51.100.153"); }

    void init()
    {
        auto workspace = std::make_unique<FakeWorkspace>();
        m_workspace = workspace.get();
        m_delegate = std::make_unique<AppDelegate>(std::move(workspace), AppDelegate::Options {});
        m_app = std::make_unique<FakeApplication>(*m_delegate);
    }

    void cleanup()
    {
        m_app.reset();
        m_delegate.reset();
    }

    // A stored language other than the system's follows the system; nothing stored stays so.
    void theStoredLanguageFollowsTheSystem()
    {
        m_delegate->applicationDidFinishLaunching();
        QVERIFY(!settings().objectValue(keys::currentLanguage).isValid());
        const QString system = localization::systemLanguageCode();
        settings().setString(keys::currentLanguage, system == "fr" ? "en" : "fr");
        m_delegate->applicationDidFinishLaunching();
        QCOMPARE(settings().textValue(keys::currentLanguage), system);
    }

    // Menu-bar item, Google restore, protection, agent, single instance: one log shows the order.
    // The launch returns before any program has run: the window does not wait for them.
    void theLaunchRunsItsStepsInOrder()
    {
        settings().setBool(keys::dnsLastStatus, true);
        m_workspace->running
            = {{100, "com.mac.brevak", "BREVAK", 1}, {ownProcessId(), "com.mac.brevak", "BREVAK", 2}};
        LogCapture log;
        QSignalSpy launched(m_delegate.get(), &AppDelegate::launchFinished);
        m_delegate->applicationDidFinishLaunching();
        QVERIFY(log.lines().filter("Load Plist - ").isEmpty());
        QVERIFY(m_workspace->terminated.isEmpty());
        QVERIFY(launched.wait(10000));

        const auto position = [&log](const QString& start) {
            const auto it = std::find_if(log.lines().cbegin(), log.lines().cend(),
                [&start](const QString& line) { return line.startsWith(start); });
            return it == log.lines().cend() ? -1 : int(it - log.lines().cbegin());
        };
        const QList<int> order {position("No menu bar for the status item"), position("No user"),
            position("Thunderbolt Bridge"), position("LaunchAgents Folder Created"),
            position("Load Plist - ")};
        QVERIFY2(!order.contains(-1), qPrintable(log.lines().join('\n')));
        QVERIFY2(std::is_sorted(order.cbegin(), order.cend()), qPrintable(log.lines().join('\n')));
        QCOMPARE(commands().mid(commands().size() - 1),
            QStringList {platform::launchctlPath() + " load " + LaunchAgent::destination()});
        QCOMPARE(m_workspace->terminated.size(), 1); // the last step
        QCOMPARE(m_workspace->terminated.first().processId, 100);
    }

    // The launch asks for the account's state once for each step that wants it: the start screen's
    // load and routing, the monitor's first report and protection applied at launch.
    void theLaunchSynchronisesOncePerStep_data()
    {
        QTest::addColumn<bool>("protection");
        QTest::addColumn<int>("synchronisations");
        dataRow("protection wanted", true, 4);
        dataRow("protection not wanted", false, 3);
    }

    void theLaunchSynchronisesOncePerStep()
    {
        QFETCH(bool, protection);
        QFETCH(int, synchronisations);
        settings().setBool(keys::dnsLastStatus, protection);
        MainWindowController mainWindowController(*m_delegate);
        m_delegate->applicationDidFinishLaunching();
        mainWindowController.window()->show();
        // The routing comes last, 1.5 s after the window shows.
        QTRY_VERIFY_WITH_TIMEOUT(mainWindowController.window()->attachedSheet(), 20000);
        QVERIFY(waitForPostedEvents());
        QCOMPARE(m_app->requestsTo("sync-url"), synchronisations);
        QCOMPARE(m_app->route.starts(), 1);
    }

    void aBlockedApplicationIsQuitAndTheBlockPageFillsTheScreen()
    {
        settings().setObject(keys::blockedAppDetails, QStringList {"Lucky Spin Casino"});
        m_delegate->applicationDidFinishLaunching();
        m_app->networksetup.runner.clear();

        m_workspace->activate("Safari");
        QVERIFY(commands().isEmpty());
        QVERIFY(!m_delegate->helpWindow());

        m_workspace->activate("Lucky Spin Casino");
        QCOMPARE(
            commands(), QStringList {"applescript: tell application \"Lucky Spin Casino\"\nquit\nend tell"});
        QVERIFY(m_delegate->helpWindow()->isVisible());
        QCOMPARE(m_delegate->helpWindow()->size(), QGuiApplication::primaryScreen()->geometry().size());

        // The application-blocking screen watches the same activation: the page already showing comes
        // to the front and no second one opens over it. Once it is closed, the screen's own shows.
        std::unique_ptr<QWidget> screensPage;
        showBlockPage(screensPage);
        QVERIFY(!screensPage);
        m_delegate->helpWindow()->close();
        showBlockPage(screensPage);
        QVERIFY(screensPage && screensPage->isVisible());
    }

    void theStatusItemBringsTheWindowBackAndReportsThePinState()
    {
        m_app->server.respondWith(FakeResponse::answer(200, syncAnswer(true)));
        m_app->services.api().startReachability();
        CustomWindow window;
        m_delegate->setMainWindow(&window);
        QObject observer;
        QList<QVariant> posted;
        NotificationCenter::shared().addObserver(
            &observer, notifications::pinProtectionOff, [&](const QVariant& value) { posted << value; });

        m_delegate->showWindow();
        QVERIFY(window.isVisible());
        QTRY_COMPARE(posted, QList<QVariant> {true});
        QCOMPARE(settings().boolValue(keys::isPinSeted), true);
    }

    // Closed, the last window leaves BREVAK in the menu bar only; brought back from the menu bar, the
    // window brings the Dock icon (and the menu bar, Cmd-Tab, Cmd-Q) with it.
    void theDockIconGoesWithTheLastWindowAndComesBackWithIt()
    {
        CustomWindow window;
        m_delegate->setMainWindow(&window);
        QCOMPARE(m_delegate->applicationShouldTerminateAfterLastWindowClosed(), false);
        QVERIFY(m_app->mac.simctl({"state"}).output.contains("menu-bar only"));
        m_delegate->showWindow();
        QVERIFY(window.isVisible());
        QVERIFY(!m_app->mac.simctl({"state"}).output.contains("menu-bar only"));
    }

    // The newest BREVAK ends every one started before it, in whatever order the workspace lists them,
    // and leaves alone one started after it (which ends this one).
    void aSingleInstanceKeepsRunningWhateverTheListOrder_data()
    {
        // The others' launch times; their process ids follow this one's. This one started at 10.
        QTest::addColumn<QList<qint64>>("launchTimes");
        QTest::addColumn<QList<int>>("terminated"); // positions in launchTimes
        dataRow("alone", QList<qint64> {}, QList<int> {});
        dataRow("older ones", QList<qint64> {5, 1, 9}, QList<int> {0, 1, 2});
        dataRow("a newer one among older ones", QList<qint64> {3, 20, 7, 1}, QList<int> {0, 2, 3});
        dataRow("a newer one only", QList<qint64> {11}, QList<int> {});
        dataRow("started together: the higher process id is the newer", QList<qint64> {10}, QList<int> {});
    }

    void aSingleInstanceKeepsRunningWhateverTheListOrder()
    {
        QFETCH(QList<qint64>, launchTimes);
        QFETCH(QList<int>, terminated);
        QList<platform::RunningApplication> running;
        QList<qint64> expected;
        for (qsizetype i = 0; i < launchTimes.size(); ++i) {
            running.append({ownProcessId() + 1 + i, "com.mac.brevak", "BREVAK", launchTimes.at(i)});
            if (terminated.contains(i)) {
                expected.append(running.last().processId);
            }
        }
        running.append({ownProcessId(), "com.mac.brevak", "BREVAK", 10});
        running.append({1, "com.apple.Safari", "Safari", 0}); // another application is never ended
        // Every position of this process in the list gives the same result.
        for (qsizetype position = 0; position < running.size(); ++position) {
            m_workspace->running = running;
            m_workspace->running.move(running.size() - 2, position);
            m_workspace->terminated.clear();
            QSignalSpy launched(m_delegate.get(), &AppDelegate::launchFinished);
            m_delegate->applicationDidFinishLaunching();
            QVERIFY(launched.wait(10000));
            QList<qint64> ended;
            for (const platform::RunningApplication& application : std::as_const(m_workspace->terminated)) {
                ended.append(application.processId);
            }
            std::sort(ended.begin(), ended.end());
            QCOMPARE(ended, expected);
        }
    }

    // The installed agent starts the running program: it is written when missing, rewritten (then
    // unloaded and loaded, so that launchd takes it) when it names another program or was changed,
    // and left alone when it is already right.
    void theLaunchAgentStartsTheRunningCopy()
    {
        QSignalSpy launched(m_delegate.get(), &AppDelegate::launchFinished);
        const QString load = platform::launchctlPath() + " load " + LaunchAgent::destination();
        const QString unload = platform::launchctlPath() + " unload " + LaunchAgent::destination();
        const auto launch = [&] {
            m_app->networksetup.runner.clear();
            m_delegate->applicationDidFinishLaunching();
            return launched.wait(10000);
        };
        const auto launchAgentCommands = [&] { return commands().filter("launchctl"); };

        QVERIFY(launch());
        QCOMPARE(launchAgentCommands(), QStringList {load});
        const std::optional<QVariant> agent = propertylist::readFile(LaunchAgent::destination());
        QVERIFY(agent);
        QCOMPARE(agent->toMap().value("ProgramArguments").toStringList(),
            QStringList {QCoreApplication::applicationFilePath()});
        QCOMPARE(agent->toMap().value("Label").toString(), "com.mac.brevak");
        QFile installed(LaunchAgent::destination());
        // launchd refuses an agent that others may rewrite; the user may edit or remove it.
        QCOMPARE(installed.permissions() & 0x0777,
            QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther);

        LogCapture unchanged;
        QVERIFY(launch());
        QCOMPARE(launchAgentCommands(), QStringList {load});
        QCOMPARE(unchanged.lines().filter("Error copying .plist file: ").size(), 1);

        // The agent an older copy in /Applications installed.
        QVERIFY(installed.open(QIODevice::WriteOnly | QIODevice::Truncate));
        installed.write(LaunchAgent::contentFor("/Applications/BREVAK.app/Contents/MacOS/BREVAK"));
        installed.close();
        LogCapture replaced;
        QVERIFY(launch());
        QCOMPARE(launchAgentCommands(), (QStringList {unload, load}));
        QCOMPARE(replaced.lines().filter("Replaced the launch agent").size(), 1);
        QCOMPARE(propertylist::readFile(LaunchAgent::destination()), agent);
    }

    void routing_data()
    {
        QTest::addColumn<bool>("pinSet");
        QTest::addColumn<bool>("loggedOut");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("expected");
        dataRow("PIN set, not signed in: still the gate", true, false, false, "sheet VerifyPinOnStart");
        dataRow("PIN set but logged out, signed in", true, true, true, "home");
        dataRow("signed in", false, false, true, "home");
        dataRow("first run", false, false, false, "sheet LogInWindowController");
    }

    void routing()
    {
        QFETCH(bool, pinSet);
        QFETCH(bool, loggedOut);
        QFETCH(bool, signedIn);
        QFETCH(QString, expected);
        settings().setBool(keys::isLoggedOut, loggedOut);
        settings().setBool(keys::isLogin, signedIn);
        // The server is the authority on the PIN: its answers agree with the stored state.
        settings().setBool(keys::isPinSeted, pinSet);
        m_app->server.respondWith(FakeResponse::answer(200, syncAnswer(pinSet)));

        CustomWindow window;
        m_delegate->setMainWindow(&window);
        window.setContentViewController(
            new ViewController(*m_delegate, nullptr, std::chrono::milliseconds(0)));
        window.show();

        if (expected == "home") {
            QTRY_COMPARE(window.contentViewController()->objectName(), "SplitViewController");
            QCOMPARE(window.property("titleBarTransparent").toBool(), true);
            // The home screen's window, as after a sign-in.
            QCOMPARE(window.minimumSize(), QSize(800, 500));
            QCOMPARE(window.maximumSize(), QSize(800, 500));
            QVERIFY(!visibleSheet(&window));
        } else {
            QTRY_VERIFY(visibleSheet(&window));
            QCOMPARE("sheet " + visibleSheet(&window)->objectName(), expected);
            QCOMPARE(visibleSheet(&window)->windowModality(), Qt::WindowModal);
            QVERIFY(qobject_cast<ViewController*>(window.contentViewController()));
        }
    }

    // Each new start screen (after a logout, for instance) asks for the account's state when it loads
    // and when it routes, and starts no reachability monitor of its own: the process's one monitor
    // reports once, for the first start screen.
    void aNewStartScreenSynchronisesTwiceAndWatchesNothingNew()
    {
        CustomWindow window;
        m_delegate->setMainWindow(&window);
        window.setContentViewController(
            new ViewController(*m_delegate, nullptr, std::chrono::milliseconds(0)));
        window.show();
        QTRY_VERIFY(visibleSheet(&window)); // routed
        QTRY_COMPARE(m_app->requestsTo("sync-url"), 3); // load, routing, the monitor's first report

        window.setContentViewController(
            new ViewController(*m_delegate, nullptr, std::chrono::milliseconds(0)));
        QTRY_COMPARE(m_app->requestsTo("sync-url"), 5); // load, routing
        QVERIFY(waitForPostedEvents());
        QCOMPARE(m_app->requestsTo("sync-url"), 5);
        QCOMPARE(m_app->route.starts(), 1);
    }

    // A 401 while signed in: the sheet ends and a new start screen fills a window of 795 by 594 with an
    // opaque title bar.
    void anExpiredSessionReturnsToTheStartScreen()
    {
        m_app->services.api().setWindowHost(std::make_unique<SessionWindowHost>(*m_delegate));
        settings().setBool(keys::isLogin, true);
        settings().setString(keys::loginToken, "session-token");

        CustomWindow window;
        m_delegate->setMainWindow(&window);
        window.setContentViewController(Storyboard::main().instantiate("SplitViewController"));
        window.show();
        window.beginSheet(Storyboard::main().instantiate<QDialog>("PasswordWindowController"));
        QVERIFY(window.attachedSheet());

        m_app->services.api().startReachability();
        m_app->server.respondWith(FakeResponse::answer(401, R"({"message":"Unauthenticated."})"));
        bool completed = false;
        CommonWS::shared().syncURL([&] { completed = true; });
        QTRY_VERIFY(qobject_cast<ViewController*>(window.contentViewController()));

        QVERIFY(!window.attachedSheet());
        QCOMPARE(window.minimumSize(), QSize(795, 594));
        QCOMPARE(window.maximumSize(), QSize(795, 594));
        QCOMPARE(window.property("titleBarTransparent").toBool(), false);
        QCOMPARE(settings().boolValue(keys::isLoggedOut), true); // the store's side is tst_apimanager's
        QVERIFY(!completed);
    }

    // While networksetup hangs at launch, the application answers: the window repaints, the status
    // item brings it back and asks the server, and the launch goes on once networksetup does.
    void theWindowAnswersWhileNetworksetupHangs()
    {
        ProcessCommandRunner runner; // in front of the scripted one: real zsh and the stand-ins
        const CommandRunner::Registration registration(runner);
        QVERIFY(m_app->mac.setUp({"init"}));
        QVERIFY(m_app->mac.setUp({"hang", "on"}));
        settings().setBool(keys::dnsLastStatus, true);
        MainWindowController mainWindowController(*m_delegate);
        QSignalSpy launched(m_delegate.get(), &AppDelegate::launchFinished);
        m_delegate->applicationDidFinishLaunching();
        CustomWindow* window = mainWindowController.window();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        PaintCounter painted(window);
        window->update();
        QTRY_VERIFY(painted.count > 0);
        const int synchronisations = m_app->requestsTo("sync-url");
        window->hide();
        m_delegate->showWindow();
        QVERIFY(window->isVisible());
        QTRY_VERIFY(m_app->requestsTo("sync-url") > synchronisations);
        QVERIFY(launched.isEmpty());

        QVERIFY(m_app->mac.setUp({"hang", "off"}));
        QVERIFY(launched.wait(60000));
        QCOMPARE(m_app->mac.dnsServers("Wi-Fi"), "198.51.100.153\n");
    }

    // The application's alert box: one box for alerts with the same texts, the primary button of the
    // look, wide enough for a short message on one line in either language, and closed by the program
    // when it dismisses the alert.
    void alertBoxes_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("informative");
        dataRow("english", "Ooops", "Requires admin privileges");
        dataRow("french", "Oups", "Nécessite les droits d’administrateur");
    }

    void alertBoxes()
    {
        QFETCH(QString, message);
        QFETCH(QString, informative);
        CustomWindow window;
        window.setStyleSheet(theme::styleSheet());
        window.show();
        MessageBoxAlertPresenter presenter([&window] { return &window; });
        const AlertPresenter::Registration registration(presenter);
        showAlert(message, informative);
        showAlert(message, informative);
        const QList<QMessageBox*> boxes = window.findChildren<QMessageBox*>("alert");
        QCOMPARE(boxes.size(), 1);
        QMessageBox* box = boxes.first();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QCOMPARE(box->buttons().size(), 1);
        QAbstractButton* ok = box->buttons().first();
        QCOMPARE(ok->property("role").toString(), "primary");
        QCOMPARE(ok->styleSheet(), QString());
        // The look's primary button is drawn: the accent fills it (between its border and its text).
        const QImage button = ok->grab().toImage();
        QCOMPARE(button.pixelColor(button.width() / 2, 3), theme::commonOrange());
        const auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel");
        QCOMPARE(label->text(), informative);
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(informative));
        QVERIFY(label->contentsRect().height() < 2 * label->fontMetrics().lineSpacing());

        const QPointer<QMessageBox> open(box);
        dismissAlert(message, informative);
        QTRY_VERIFY(!open);
        showAlert(message, informative);
        QCOMPARE(window.findChildren<QMessageBox*>("alert").size(), 1);
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
