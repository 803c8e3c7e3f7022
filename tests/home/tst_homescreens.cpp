#include "ApplicationListBuilder.h"
#include "BlackListWebsitesViewController.h"
#include "BlockAppsViewController.h"
#include "BlockedApplicationHook.h"
#include "DNSConfiguration.h"
#include "EventOrder.h"
#include "PinProtectionOff.h"
#include "PinProtectionWC.h"
#include "PinTestSupport.h"
#include "ProcessState.h"
#include "ProtectionViewController.h"
#include "SidebarRow.h"
#include "SidebarViewController.h"
#include "SplitViewController.h"
#include "Switch.h"
#include "Theme.h"
#include "VerifyPin.h"
#include "ViewController.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>

// The home screen over the application's fakes: networksetup scripted, every other program recorded
// and answered by the test, the account server answering from memory.
class TestHomeScreens : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PinSheetsFixture> f;

    // Makes `screen` the main window's content; the window shows it at the next turn of the event loop.
    template<typename Screen>
    Screen* present(Screen* screen)
    {
        f->window().setContentViewController(screen);
        if (!QTest::qWaitFor([screen] { return screen->isVisible(); }))
            qWarning("the screen did not show: the checks on it fail");
        return screen;
    }
    SplitViewController* showHome()
    {
        return present(
            Storyboard::main().instantiate<SplitViewController>(QStringLiteral("SplitViewController")));
    }
    RecordingCommandRunner& runner() { return f->app.networksetup.runner; }
    int commandsStartingWith(const QString& start) const
    {
        const QStringList& commands = f->app.networksetup.runner.commands();
        return int(std::count_if(
            commands.cbegin(), commands.cend(), [&start](const QString& c) { return c.startsWith(start); }));
    }
    QString resolver() const { return DNSConfiguration::shared().dnsIP(); }
    static QString quitScript(const QString& name) { return "applescript: " + quitApplicationScript(name); }

    static BlockData website(qint64 id, const QString& domain)
    {
        BlockData row;
        row.id = id;
        row.domain = domain;
        return row;
    }
    static QByteArray websiteJson(qint64 id, const QString& domain)
    {
        return QStringLiteral(
            R"({"id":%1,"user_id":7,"domain":"%2","created_at":"2027-01-15T07:00:00.000000Z",)"
            R"("updated_at":"2027-01-15T07:00:00.000000Z","deleted_at":null})")
            .arg(id)
            .arg(domain)
            .toUtf8();
    }
    static QByteArray listAnswer(const QList<QByteArray>& rows)
    {
        QByteArray joined;
        for (const QByteArray& row : rows) {
            joined += (joined.isEmpty() ? "" : ",") + row;
        }
        return envelope(true, "ok",
            R"({"current_page":1,"data":[)" + joined
                + R"(],"first_page_url":"p1","from":1,"last_page":1,"last_page_url":"p1","links":[],)"
                  R"("next_page_url":null,"path":"p","per_page":50,"prev_page_url":null,"to":1,"total":1})");
    }
    QTableWidget* websiteTable(QWidget* screen)
    {
        return screen->findChild<QTableWidget*>("blackListWebsiteTableView");
    }
    QCheckBox* websiteBox(QWidget* screen, int row)
    {
        QWidget* cell = websiteTable(screen)->cellWidget(row, 0);
        return cell ? cell->findChild<QCheckBox*>("websiteCheckBox") : nullptr;
    }

private Q_SLOTS:
    void initTestCase() { theme::install(*qApp); }

    void init()
    {
        f = std::make_unique<PinSheetsFixture>();
        QVERIFY(f->app.mac.setUp({"init"}));
        QVERIFY(f->reachable());
        f->log.clear(); // answers are counted from here
        blockedWebsites.clear();
        blockPageRequested = false;
    }
    void cleanup() { f.reset(); }

    // Each detail row shows its screen, made once and kept; FAQ shows the FAQ even after a block page.
    void rowsLeadToTheirScreens()
    {
        SplitViewController* home = showHome();
        SidebarViewController* sidebar = home->sidebar();
        QVERIFY(qobject_cast<ProtectionViewController*>(home->detail()));
        QCOMPARE(sidebar->previouslySelectedBtnTag(), 1);

        click(sidebar->findChild<QAbstractButton*>("btnRow2"));
        QWidget* blockApps = home->detail();
        QVERIFY(qobject_cast<BlockAppsViewController*>(blockApps));
        click(sidebar->findChild<QAbstractButton*>("btnRow3"));
        QVERIFY(qobject_cast<BlackListWebsitesViewController*>(home->detail()));
        click(sidebar->findChild<QAbstractButton*>("btnRow2"));
        QCOMPARE(home->detail(), blockApps);
        QCOMPARE(sidebar->previouslySelectedBtnTag(), 2);

        blockPageRequested = true;
        click(sidebar->findChild<QAbstractButton*>("btnRow5"));
        QVERIFY(!blockPageRequested);
        QVERIFY(sidebar->faqWindow() && sidebar->faqWindow()->isVisible());

        for (QAbstractButton* row : sidebar->findChildren<SidebarRow*>()) {
            QVERIFY2(!row->accessibleName().isEmpty(), qPrintable(row->objectName()));
        }
    }

    void sidebarWidthFollowsTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("width");
        QTest::newRow("French") << "fr" << 210;
        QTest::newRow("English") << "en" << 140;
    }
    void sidebarWidthFollowsTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(int, width);
        f->window().resize(800, 500);
        SplitViewController* home = showHome();
        f->settings().setString(keys::currentLanguage, language);
        NotificationCenter::shared().post(QString::fromLatin1(notifications::updateChooseLanguage), language);
        QVERIFY(home->sidebar()->minimumWidth() >= width);
        // Every label is drawn whole, in the language's texts.
        QList<QLabel*> labels {home->sidebar()->findChild<QLabel*>("lblAppName"),
            home->sidebar()->findChild<QLabel*>("lblPinProtection")};
        for (SidebarRow* row : home->sidebar()->findChildren<SidebarRow*>()) {
            labels.append(row->label());
        }
        QCOMPARE(labels.size(), 8);
        for (QLabel* label : labels) {
            QTRY_VERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(label->text()));
        }
        QTRY_VERIFY(home->sidebar()->width() >= home->sidebar()->sizeHint().width());
    }

    void logoutAsksFirst_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("serverAgrees");
        QTest::addColumn<bool>("loggedOut");
        QTest::newRow("cancel") << "btnLogoutCancel" << true << false;
        QTest::newRow("ok, refused") << "btnLogoutOk" << false << false;
        QTest::newRow("ok") << "btnLogoutOk" << true << true;
    }
    void logoutAsksFirst()
    {
        QFETCH(QString, button);
        QFETCH(bool, serverAgrees);
        QFETCH(bool, loggedOut);
        f->settings().setBool(keys::isLogin, true);
        f->settings().setString(keys::loginToken, "token");
        SplitViewController* home = showHome();
        click(home->sidebar()->findChild<QAbstractButton*>("btnRow6"));
        auto* alert = f->window().findChild<QMessageBox*>("logoutAlert");
        QVERIFY(alert && alert->isVisible());
        f->answer(envelope(serverAgrees, serverAgrees ? "Logged out" : "No", "[]"));
        click(alert->findChild<QAbstractButton*>(button));

        if (button == "btnLogoutCancel") {
            QVERIFY(f->log.contains("Cancel Tapped"));
            QVERIFY(waitForPostedEvents());
            QCOMPARE(f->app.requestsTo("logout"), 0);
        } else {
            QVERIFY(f->log.waitFor("OK Tapped"));
            QTRY_COMPARE(f->app.requestsTo("logout"), 1);
            QVERIFY(f->log.waitForAnswers(1));
        }
        QCOMPARE(qobject_cast<ViewController*>(f->window().contentViewController()) != nullptr, loggedOut);
        QCOMPARE(f->settings().boolValue(keys::isLogin), !loggedOut);
        QCOMPARE(f->settings().boolValue(keys::isLoggedOut), loggedOut);
        QCOMPARE(f->settings().stringValue(keys::loginToken), std::optional<QString>("token"));
    }

    void pinSwitch_data()
    {
        QTest::addColumn<bool>("pinSet");
        QTest::addColumn<bool>("turnOn");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<bool>("switchOn");
        QTest::newRow("on without a PIN") << false << true << "PinProtectionWC" << false;
        QTest::newRow("on with a PIN") << true << true << "" << true;
        QTest::newRow("off") << true << false << "PinProtectionOff" << false;
    }
    void pinSwitch()
    {
        QFETCH(bool, pinSet);
        QFETCH(bool, turnOn);
        QFETCH(QString, sheet);
        QFETCH(bool, switchOn);
        f->settings().setBool(keys::isPinSeted, pinSet);
        SplitViewController* home = showHome();
        auto* pinSwitch = home->sidebar()->findChild<Switch*>("pinSwitch");
        QTRY_COMPARE(pinSwitch->isChecked(), pinSet); // follows isPinSeted when shown
        if (pinSwitch->isChecked() == turnOn) {
            NotificationCenter::shared().post(QString::fromLatin1(notifications::pinProtectionOff), !turnOn);
        }
        click(pinSwitch);
        QCOMPARE(pinSwitch->isChecked(), switchOn);
        QCOMPARE(f->sheet() ? f->sheet()->objectName() : QString(), sheet);
        if (turnOn && pinSet) {
            QVERIFY(f->settings().boolValue(keys::isPinEnable));
        }
    }

    // The press acts one turn of the event loop later; the display and the stored wish follow the
    // outcome. With PIN protection on, turning off only opens the gate.
    void protectionOnAndOff_data()
    {
        QTest::addColumn<bool>("startOn");
        QTest::addColumn<bool>("pinEnabled");
        QTest::addColumn<bool>("refusing");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("gate");
        QTest::newRow("on") << false << false << false << "ON" << false;
        QTest::newRow("on without admin rights") << false << false << true << "OFF" << false;
        QTest::newRow("off") << true << false << false << "OFF" << false;
        QTest::newRow("off without admin rights") << true << false << true << "ON" << false;
        QTest::newRow("off behind the PIN") << true << true << false << "ON" << true;
    }
    void protectionOnAndOff()
    {
        QFETCH(bool, startOn);
        QFETCH(bool, pinEnabled);
        QFETCH(bool, refusing);
        QFETCH(QString, shown);
        QFETCH(bool, gate);
        FakeNetworkSetup& networksetup = f->app.networksetup;
        networksetup.setAll(startOn ? resolver() + '\n' : QString());
        if (refusing) {
            networksetup.refusing = QStringList {"Ethernet", "Wi-Fi", "Thunderbolt Bridge"};
        }
        f->settings().setBool(keys::dnsLastStatus, startOn);
        SplitViewController* home = showHome();
        f->settings().setBool(keys::isPinEnable, pinEnabled);
        auto* screen = qobject_cast<ProtectionViewController*>(home->detail());
        auto* label = screen->findChild<QLabel*>("OnOffLbl");
        QTRY_COMPARE(label->text(), QString(startOn ? "ON" : "OFF"));
        auto* button = screen->findChild<QAbstractButton*>("btnProtectionOnOff");
        QCOMPARE(button->accessibleName(), QString(startOn ? "Protection on" : "Protection off"));

        click(button);
        QCOMPARE(pendingPinAction, PinAction::protectionOff);
        QVERIFY(!f->sheet()); // nothing yet: the press acts one turn later
        QVERIFY(waitForPostedEvents());
        QTRY_VERIFY(button->isEnabled());
        QVERIFY(waitForPostedEvents());

        QCOMPARE(label->text(), shown);
        QCOMPARE(qobject_cast<VerifyPin*>(f->sheet()) != nullptr, gate);
        QCOMPARE(f->alerts.shown(), refusing ? 1 : 0);
        QCOMPARE(f->settings().boolValue(keys::dnsLastStatus), shown == "ON");
        QCOMPARE(button->accessibleName(), QString(shown == "ON" ? "Protection on" : "Protection off"));
        if (gate) {
            NotificationCenter::shared().post(QString::fromLatin1(notifications::dnsState), false);
            QCOMPARE(label->text(), QString("OFF"));
        }
    }

    // Every enabled service read is listed with whether it is protected.
    void servicesShowTheirState()
    {
        f->app.networksetup.setAll(resolver() + '\n');
        f->app.networksetup.servers.insert("Wi-Fi", "8.8.8.8\n");
        SplitViewController* home = showHome();
        QTRY_COMPARE(home->detail()->findChildren<QFrame*>("serviceRow").size(), 3);
        QStringList rows;
        for (QFrame* row : home->detail()->findChildren<QFrame*>("serviceRow")) {
            rows.append(row->accessibleName());
        }
        QCOMPARE(rows,
            QStringList({"Ethernet: Protected", "Wi-Fi: Not protected", "Thunderbolt Bridge: Protected"}));
    }

    // Protection is cleared and the session ended before the application is deleted; a deletion that
    // reports anything leaves a signed-out, working application.
    void uninstall_data()
    {
        QTest::addColumn<bool>("pinEnabled");
        QTest::addColumn<bool>("serverAgrees");
        QTest::addColumn<QString>("deletion");
        QTest::addColumn<bool>("ended");
        QTest::newRow("deleted") << false << true << "" << true;
        QTest::newRow("deletion fails") << false << true << "rm: Permission denied\n" << false;
        QTest::newRow("logout refused") << false << false << "" << false;
        QTest::newRow("behind the PIN") << true << true << "" << false;
    }
    void uninstall()
    {
        QFETCH(bool, pinEnabled);
        QFETCH(bool, serverAgrees);
        QFETCH(QString, deletion);
        QFETCH(bool, ended);
        f->app.networksetup.setAll(resolver() + '\n');
        f->settings().setBool(keys::isLogin, true);
        const QString rm = "rm -rf " + shellQuoted(platform::applicationBundle());
        runner().answer(rm, deletion);
        const QString unload = platform::launchctlPath() + " unload " + LaunchAgent::destination();
        runner().answer(unload, {});
        SplitViewController* home = showHome();
        f->settings().setBool(keys::isPinEnable, pinEnabled);
        auto* screen = qobject_cast<ProtectionViewController*>(home->detail());
        bool terminated = false;
        screen->setTermination([&terminated] { terminated = true; });
        f->answer(envelope(serverAgrees, "bye", "[]"));
        runner().clear();

        click(screen->findChild<QAbstractButton*>("btnUninstall"));
        QCOMPARE(pendingPinAction, PinAction::uninstall);
        if (pinEnabled) {
            QVERIFY(qobject_cast<VerifyPin*>(f->sheet()));
            QVERIFY(waitForPostedEvents());
            QCOMPARE(commandsStartingWith("networksetup -setdnsservers"), 0);
            return;
        }
        QVERIFY(f->log.waitForAnswers(1));
        QVERIFY(waitForPostedEvents());
        const QStringList& commands = runner().commands();
        const qsizetype clear
            = commands.indexOf(QRegularExpression("^networksetup -setdnsservers .* \"Empty\"$"));
        QVERIFY(clear >= 0);
        QCOMPARE(f->app.requestsTo("logout"), 1);
        QCOMPARE(commands.contains(rm), serverAgrees);
        QTRY_COMPARE(terminated, ended);
        QCOMPARE(commands.contains(unload), ended);
        QCOMPARE(f->settings().boolValue(keys::isLogin), !serverAgrees);
        if (!deletion.isEmpty()) {
            QCOMPARE(f->alerts.count(), 1);
            QVERIFY(f->alerts.alerts().first().informative.contains("Permission denied"));
            QVERIFY(qobject_cast<ViewController*>(f->window().contentViewController()));
        }
    }

    // The typed text is lower-cased, loses one leading http(s) scheme and everything from the first
    // "/" on; the row that comes back is shown without "www.".
    void addingAWebsite_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent");
        QTest::newRow("capitals, scheme, www, path, query") << "HTTPS://WWW.Bet365.com/en/sports?x=1"
                                                            << "www.bet365.com";
        QTest::newRow("no scheme") << "casino.example"
                                   << "casino.example";
        QTest::newRow("http") << "http://casino.example/"
                              << "casino.example";
        QTest::newRow("another scheme") << "ftp://casino.example"
                                        << "ftp:";
        QTest::newRow("two schemes") << "https://http://casino.example"
                                     << "http:";
        QTest::newRow("leading slash") << "/casino"
                                       << "";
        QTest::newRow("blanks") << "   "
                                << "   ";
    }
    void addingAWebsite()
    {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        f->answer(listAnswer({}));
        auto* screen = present(new BlackListWebsitesViewController(f->host, &f->window()));
        QVERIFY(f->log.waitForAnswers(1));
        QVERIFY(screen->findChild<QFrame*>("tableBox")->isHidden());

        f->answer(envelope(true, "ok", websiteJson(41, sent)));
        auto* field = screen->findChild<QLineEdit*>("websiteTF");
        QTest::keyClicks(field, typed);
        click(screen->findChild<QAbstractButton*>("btnADD"));
        QVERIFY(f->log.waitForAnswers(2));

        QCOMPARE(f->lastRequestTo("blockwesitebyuser").queryItemValue("domain", QUrl::FullyDecoded), sent);
        QCOMPARE(blockedWebsites.size(), 1);
        QVERIFY(!screen->findChild<QFrame*>("tableBox")->isHidden());
        QCOMPARE(websiteTable(screen)->cellWidget(0, 0)->findChild<QLabel*>("websiteName")->text(),
            sent.startsWith("www.") ? sent.mid(4) : sent);
        QVERIFY(field->text().isEmpty());
    }

    void emptyInputIsRefused()
    {
        f->answer(listAnswer({}));
        auto* screen = present(new BlackListWebsitesViewController(f->host, &f->window()));
        QVERIFY(f->log.waitForAnswers(1));
        click(screen->findChild<QAbstractButton*>("btnADD"));
        QCOMPARE(f->alerts.alerts().first().informative, QString("Please enter website"));
        QVERIFY(waitForPostedEvents());
        QCOMPARE(f->app.requestsTo("blockwesitebyuser"), 0);
    }

    // The box is as high as its rows and its frame, up to eight rows.
    void boxHeightFollowsTheRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("height");
        QTest::newRow("2 rows") << 2 << 96;
        QTest::newRow("7 rows") << 7 << 331;
        QTest::newRow("8 rows") << 8 << 378;
        QTest::newRow("12 rows") << 12 << 378;
    }
    void boxHeightFollowsTheRows()
    {
        QFETCH(int, rows);
        QFETCH(int, height);
        QList<QByteArray> list;
        for (int i = 0; i < rows; ++i) {
            list.append(websiteJson(i + 1, QStringLiteral("site%1.example").arg(i)));
        }
        f->answer(listAnswer(list));
        auto* screen = present(new BlackListWebsitesViewController(f->host, &f->window()));
        QVERIFY(f->log.waitForAnswers(1));
        QCOMPARE(websiteTable(screen)->rowCount(), rows);
        QCOMPARE(screen->findChild<QFrame*>("tableBox")->height(), height);
        // Up to eight rows show whole; only more than that scroll.
        QTRY_COMPARE(websiteTable(screen)->verticalScrollBar()->isVisible(), rows > 8);
    }

    // Unticking sends the removal at once, or only after the PIN; a refusal ticks the box again.
    void removingAWebsite_data()
    {
        QTest::addColumn<bool>("pinEnabled");
        QTest::addColumn<bool>("serverAgrees");
        QTest::newRow("removed") << false << true;
        QTest::newRow("refused") << false << false;
        QTest::newRow("behind the PIN") << true << true;
    }
    void removingAWebsite()
    {
        QFETCH(bool, pinEnabled);
        QFETCH(bool, serverAgrees);
        f->answer(listAnswer({websiteJson(5, "www.casino.example"), websiteJson(6, "poker.example")}));
        auto* screen = present(new BlackListWebsitesViewController(f->host, &f->window()));
        QVERIFY(f->log.waitForAnswers(1));
        f->settings().setBool(keys::isPinEnable, pinEnabled);
        QCheckBox* box = websiteBox(screen, 0);
        QCOMPARE(box->accessibleName(), QString("casino.example"));
        f->answer(envelope(serverAgrees, serverAgrees ? "Removed" : "Not yours", "1"));

        click(box);
        QCOMPARE(pendingPinAction, PinAction::unblockWebsite);
        if (pinEnabled) {
            QVERIFY(qobject_cast<VerifyPin*>(f->sheet()));
            QVERIFY(waitForPostedEvents());
            QCOMPARE(f->app.requestsTo("unblockwesitebyuser"), 0);
            QCOMPARE(screen->pendingDomainId(), std::optional<qint64>(5));
            click(f->sheet()->findChild<QAbstractButton*>("btnCancel"));
            QVERIFY(box->isChecked());
            return;
        }
        QVERIFY(f->log.waitForAnswers(2));
        QCOMPARE(f->lastRequestTo("unblockwesitebyuser").queryItemValue("domain_id"), QString("5"));
        QCOMPARE(blockedWebsites.size(), serverAgrees ? 1 : 2);
        if (serverAgrees) {
            QCOMPARE(blockedWebsites.first().domain, QString("poker.example"));
        } else {
            QVERIFY(box->isChecked());
            QCOMPARE(f->alerts.alerts().first().informative, QString("Not yours"));
        }
    }

    // A removal whose row went from the table meanwhile fetches the list instead of guessing a row.
    void removalOfAVanishedRowFetchesTheList()
    {
        f->answer(listAnswer({websiteJson(5, "casino.example")}));
        auto* screen = present(new BlackListWebsitesViewController(f->host, &f->window()));
        QVERIFY(f->log.waitForAnswers(1));
        QCheckBox* box = websiteBox(screen, 0);
        screen->removeRow(nullptr);
        QVERIFY(f->log.waitForAnswers(2));
        QCOMPARE(f->app.requestsTo("getblockwebsitebyuser"), 2);
        QVERIFY(box); // the fetched list is shown again
        QCOMPARE(blockedWebsites.size(), 1);
    }

    // Every label and button of the window is as wide as its text needs and lies inside the window: what
    // does not fit scrolls up and down, nothing is cut off at the side.
    static void verifyNothingCutOff(QWidget* home)
    {
        const int right = home->window()->width();
        for (QWidget* widget : home->findChildren<QWidget*>()) {
            if (!widget->isVisible() || !(qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget)))
                continue;
            const QString what = widget->objectName() + QStringLiteral(": ") + widget->property("text").toString();
            QVERIFY2(widget->width() >= widget->minimumSizeHint().width(), qPrintable(what));
            QVERIFY2(widget->mapTo(widget->window(), QPoint(widget->width(), 0)).x() <= right, qPrintable(what));
        }
    }

    // Every screen of the home screen, in both languages: each shown control and row has an accessible
    // name. The pictures go to the artifacts folder, to be looked at.
    void screensInBothLanguages_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("French") << "fr";
    }
    void screensInBothLanguages()
    {
        QFETCH(QString, language);
        f->settings().setString(keys::currentLanguage, language);
        f->app.networksetup.setAll(resolver() + '\n');
        f->answer(listAnswer({websiteJson(5, "www.casino.example"), websiteJson(6, "poker.example")}));
        f->window().setContentSizeLimits(QSize(800, 500)); // the home screen's window
        SplitViewController* home = showHome();
        const QString folder = QStringLiteral(BREVAK_ARTIFACTS_DIR);
        QDir().mkpath(folder);
        const auto picture = [&](const QString& name) {
            QVERIFY(f->log.waitForAnswers(0));
            QVERIFY(waitForPostedEvents());
            verifyAccessibleNames(home, {});
            verifyNothingCutOff(home);
            QVERIFY(f->window().grab().save(folder + '/' + name + '-' + language + ".png"));
        };
        QTRY_COMPARE(home->detail()->findChildren<QFrame*>("serviceRow").size(), 3);
        picture("protection");
        // With a PIN the set-up card goes, and the screen fits the window without scrolling.
        f->settings().setBool(keys::isPinSeted, true);
        NotificationCenter::shared().post(QString::fromLatin1(notifications::pinProtectionOff), 1);
        QTRY_VERIFY(!home->detail()->findChild<QWidget*>("boxSetupPin")->isVisible());
        QTRY_VERIFY(!home->detail()->findChild<QScrollArea*>("scrollProtection")->verticalScrollBar()->isVisible());
        picture("protection-with-pin");
        home->sidebar()->btnProtectionOnOffTapped(SidebarViewController::blockAppsTag);
        qobject_cast<BlockAppsViewController*>(home->detail())
            ->setWholeData({{QIcon(), "Lucky Spin Casino", false}, {QIcon(), "Safari", false}});
        picture("blockapps");
        home->sidebar()->btnProtectionOnOffTapped(SidebarViewController::websitesTag);
        QVERIFY(f->log.waitForAnswers(1));
        picture("websites");
    }

    // Blocking stores the name once and quits the application; unblocking removes every copy, at once
    // or after the PIN; a cancelled gate puts the switch back on.
    void blockingApplications_data()
    {
        QTest::addColumn<bool>("pinEnabled");
        QTest::newRow("without PIN") << false;
        QTest::newRow("behind the PIN") << true;
    }
    void blockingApplications()
    {
        QFETCH(bool, pinEnabled);
        f->settings().setObject(keys::blockedAppDetails, QStringList {"Safari", "Safari"});
        auto* screen = present(new BlockAppsViewController(f->host, &f->window()));
        screen->setWholeData({{QIcon(), "Lucky Spin Casino", false}, {QIcon(), "Safari", false}});
        auto* table = screen->findChild<QTableWidget*>("blockAppsTableView");
        auto* casino = table->cellWidget(0, 0)->findChild<Switch*>("appSwitch");
        auto* safari = table->cellWidget(1, 0)->findChild<Switch*>("appSwitch");
        QCOMPARE(casino->accessibleName(), QString("Lucky Spin Casino"));
        QVERIFY(!casino->isChecked());
        QVERIFY(safari->isChecked());

        click(casino);
        screen->apply(casino, true);
        QCOMPARE(f->settings().blockedApplications(), QStringList({"Safari", "Safari", "Lucky Spin Casino"}));
        QVERIFY(runner().commands().contains(quitScript("Lucky Spin Casino")));
        QVERIFY(screen->wholeData().first().state);

        f->settings().setBool(keys::isPinEnable, pinEnabled);
        click(safari);
        QCOMPARE(pendingPinAction, PinAction::unblockApplication);
        if (!pinEnabled) {
            QCOMPARE(f->settings().blockedApplications(), QStringList({"Lucky Spin Casino"}));
            QVERIFY(runner().commands().contains(quitScript("Safari")));
            return;
        }
        QVERIFY(qobject_cast<VerifyPin*>(f->sheet()));
        QCOMPARE(f->settings().blockedApplications(), QStringList({"Safari", "Safari", "Lucky Spin Casino"}));
        click(f->sheet()->findChild<QAbstractButton*>("btnCancel"));
        QVERIFY(safari->isChecked());
        QCOMPARE(f->settings().blockedApplications(), QStringList({"Safari", "Safari", "Lucky Spin Casino"}));
    }

    // An application comes to the front: switched on here, it is asked to quit once, however many
    // rows or stored entries carry its name, and the block page shows.
    void activationQuitsOnce()
    {
        auto* screen = present(new BlockAppsViewController(f->host, &f->window()));
        screen->setWholeData({{QIcon(), "Lucky Spin Casino", false}, {QIcon(), "Lucky Spin Casino", false}});
        auto* table = screen->findChild<QTableWidget*>("blockAppsTableView");
        click(table->cellWidget(0, 0)->findChild<Switch*>("appSwitch"));
        click(table->cellWidget(1, 0)->findChild<Switch*>("appSwitch"));
        QCOMPARE(f->settings().blockedApplications(), QStringList({"Lucky Spin Casino"}));
        runner().clear();

        QVERIFY(f->app.mac.setUp({"activate", "Lucky Spin Casino"}));
        QTRY_VERIFY(blockPageRequested);
        QCOMPARE(runner().commands().count(quitScript("Lucky Spin Casino")), 1);

        // The delegate's watcher, over a stored list that names it twice.
        runner().clear();
        f->settings().setObject(
            keys::blockedAppDetails, QStringList {"Lucky Spin Casino", "Lucky Spin Casino"});
        int pages = 0;
        BlockedApplicationHook hook([&pages] { ++pages; });
        hook.applicationActivated("Lucky Spin Casino");
        QCOMPARE(runner().commands().count(quitScript("Lucky Spin Casino")), 1);
        QCOMPARE(pages, 1);
    }

    // While the sidebar's list is built the screen shows its progress; the finished list replaces it.
    void progressUntilTheListIsReady()
    {
        runner().answer(
            "ls " + shellQuoted(platform::applicationsFolder()), "BREVAK.app\nA.app\nB.app\nNotes\n");
        for (const QString entry : {"A.app", "B.app"}) {
            runner().answer(
                platform::osascriptPath() + " -e " + ApplicationListBuilder::bundleIdentifierScript(entry),
                "org.example." + entry + '\n');
        }
        SplitViewController* home = showHome();
        SidebarViewController* sidebar = home->sidebar();
        click(sidebar->findChild<QAbstractButton*>("btnRow2"));
        auto* screen = sidebar->blockAppsVC();
        auto* progress = screen->findChild<QProgressBar*>("progressApplications");
        if (!sidebar->applicationList()->isFinished()) {
            QVERIFY(progress->isVisible());
        }
        QTRY_VERIFY(sidebar->applicationList()->isFinished());
        QTRY_VERIFY(!progress->isVisible());
        QCOMPARE(screen->wholeData().size(), 2);
        QCOMPARE(screen->wholeData().at(1).name, QString("B"));
        QCOMPARE(screen->findChild<QTableWidget*>("blockAppsTableView")->rowCount(), 2);
    }
};

QTEST_MAIN(TestHomeScreens)
#include "tst_homescreens.moc"
