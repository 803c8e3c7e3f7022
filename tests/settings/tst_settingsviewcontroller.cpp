#include "AlertRecorder.h"
#include "DataRow.h"
#include "EventOrder.h"
#include "FakeApplication.h"
#include "LogCapture.h"
#include "SettingsTestSupport.h"
#include "SettingsViewController.h"

#include <QDialog>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

// The settings screen over the application's fakes, without the web engine: the page about BREVAK
// is a plain widget here (its own test shows the real one).
class TestSettingsViewController : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        Fixture()
        {
            host.window->resize(800, 500);
            host.window->show();
        }

        SettingsViewController* showScreen()
        {
            auto* screen = new SettingsViewController(host, nullptr);
            host.window->setContentViewController(screen);
            // The window shows new content at the next turn of the event loop.
            if (!QTest::qWaitFor([screen] { return screen->isVisible(); })) {
                qWarning("the settings screen did not show");
            }
            return screen;
        }

        SettingsWindowHost host;
        FakeApplication app {host};
        AlertRecorder alerts;
        LogCapture log;
    };

    template<typename Widget>
    static Widget* outlet(QWidget* screen, const char* name)
    {
        return screen->findChild<Widget*>(QString::fromLatin1(name));
    }

    static void clickSegment(QWidget* screen, int segment)
    {
        QTabBar* bar = outlet<QTabWidget>(screen, "segmentedControl")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(segment).center());
    }

    // CurrentLanguage as written to disk, read past the store's cache.
    static QVariant languageOnDisk(const Fixture& fixture)
    {
        QFile file(fixture.app.mac.root() + "/home/Library/Preferences/com.mac.brevak.json");
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QJsonDocument::fromJson(file.readAll()).object().value("CurrentLanguage").toVariant();
    }

private Q_SLOTS:
    void theLanguagePopUpShowsTheLanguageInForce_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown");
        dataRow("french stored", QVariant("fr"), "French");
        dataRow("english stored", QVariant("en"), "English");
        dataRow("none stored: the system's (english here)", QVariant(), "English");
        dataRow("a language without a choice of its own", QVariant("de"), "English");
    }

    void theLanguagePopUpShowsTheLanguageInForce()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, shown);
        Fixture fixture;
        if (stored.isValid()) {
            SettingsStore::shared().setObject(keys::currentLanguage, stored);
        }
        QWidget* screen = fixture.showScreen();
        QCOMPARE(outlet<QComboBox>(screen, "popUpLanguage")->currentText(), shown);
    }

    void choosingALanguageStoresItOnDiskAndAnnouncesIt_data()
    {
        QTest::addColumn<QString>("inForce");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("diagnostic");
        dataRow("french chosen", "en", 1, "fr", "French Selected");
        dataRow("english chosen", "fr", 0, "en", "English Selected");
        dataRow("the language in force chosen again", "fr", 1, "fr", "French Selected");
    }

    void choosingALanguageStoresItOnDiskAndAnnouncesIt()
    {
        QFETCH(QString, inForce);
        QFETCH(int, chosen);
        QFETCH(QString, code);
        QFETCH(QString, diagnostic);
        Fixture fixture;
        SettingsStore::shared().setString(keys::currentLanguage, inForce);
        QWidget* screen = fixture.showScreen();
        QList<QVariant> announced;
        QObject observer;
        NotificationCenter::shared().addObserver(&observer,
            QString::fromLatin1(notifications::updateChooseLanguage),
            [&announced](const QVariant& language) { announced << language; });

        chooseLanguage(outlet<QComboBox>(screen, "popUpLanguage"), chosen);

        QCOMPARE(announced, QList<QVariant> {code});
        QCOMPARE(SettingsStore::shared().textValue(keys::currentLanguage), code);
        QCOMPARE(languageOnDisk(fixture), QVariant(code));
        QVERIFY(fixture.log.contains(diagnostic));
        QCOMPARE(outlet<QComboBox>(screen, "popUpLanguage")->currentIndex(), chosen);
    }

    void theScreenRelabelsItselfAtOnceInTheChosenLanguage()
    {
        Fixture fixture;
        SettingsStore::shared().setString(keys::userEmail, "ada@example.org");
        QWidget* screen = fixture.showScreen();
        auto* popUp = outlet<QComboBox>(screen, "popUpLanguage");
        const QString aboutTitle = outlet<QLabel>(screen, "lblAboutBrevak")->text();
        const auto texts = [screen] {
            const auto* segments = outlet<QTabWidget>(screen, "segmentedControl");
            return QStringList {outlet<QLabel>(screen, "lblSetting")->text(), segments->tabText(0),
                segments->tabText(1), outlet<QLabel>(screen, "lblEmail")->text(),
                outlet<QLineEdit>(screen, "emailTF")->accessibleName(),
                outlet<QPushButton>(screen, "btnEdit")->text(),
                outlet<QPushButton>(screen, "btnEdit")->accessibleName(),
                outlet<QLabel>(screen, "lblChangeLanguage")->text(),
                outlet<QComboBox>(screen, "popUpLanguage")->accessibleName()};
        };
        const QStringList english {
            "Settings", "Account", "About Us", "Email", "Email", "Edit", "Edit", "Language", "Language"};
        QCOMPARE(texts(), english);

        chooseLanguage(popUp, 1);
        QCOMPARE(texts(),
            QStringList({"Réglages", "Compte", "À propos", "E-mail", "E-mail", "Modifier", "Modifier",
                "Langue", "Langue"}));
        // A title of the message table keeps the system's language.
        QCOMPARE(outlet<QLabel>(screen, "lblAboutBrevak")->text(), aboutTitle);
        QCOMPARE(outlet<QLineEdit>(screen, "emailTF")->text(), QString("ada@example.org"));

        chooseLanguage(popUp, 0);
        QCOMPARE(texts(), english);
    }

    void somethingElsePostedUnderTheNameChangesNothing()
    {
        Fixture fixture;
        QWidget* screen = fixture.showScreen();
        SettingsStore::shared().setString(keys::currentLanguage, "fr");
        NotificationCenter::shared().post(QString::fromLatin1(notifications::updateChooseLanguage), true);
        QCOMPARE(outlet<QLabel>(screen, "lblSetting")->text(), QString("Settings"));
        NotificationCenter::shared().post(QString::fromLatin1(notifications::updateChooseLanguage), "fr");
        QCOMPARE(outlet<QLabel>(screen, "lblSetting")->text(), QString("Réglages"));
    }

    void theSegmentsSwitchTheSectionsAndTheAboutPageIsBuiltOnceWhenFirstShown()
    {
        Fixture fixture;
        int built = 0;
        fixture.app.storyboard.registerController(QStringLiteral("AboutPageView"), [&built](QWidget* parent) {
            ++built;
            return new QWidget(parent);
        });
        QWidget* screen = fixture.showScreen();
        auto* emailBox = outlet<QWidget>(screen, "emailBox");
        auto* aboutUsBox = outlet<QWidget>(screen, "aboutUsBox");
        QVERIFY(emailBox->isVisible());
        QVERIFY(!aboutUsBox->isVisible());
        QCOMPARE(built, 0);

        clickSegment(screen, SettingsViewController::aboutUs);
        QVERIFY(aboutUsBox->isVisible());
        QVERIFY(!emailBox->isVisible());
        QTRY_VERIFY(outlet<QWidget>(screen, "AboutPageView")->isVisible());
        QVERIFY(!outlet<QLabel>(screen, "lblAboutPageNotShown")->isVisible());

        clickSegment(screen, SettingsViewController::account);
        QVERIFY(emailBox->isVisible());
        QVERIFY(!aboutUsBox->isVisible());
        clickSegment(screen, SettingsViewController::aboutUs);
        QCOMPARE(built, 1);
    }

    void anAboutPageThatCannotBeBuiltLeavesAMessageNotABlank()
    {
        Fixture fixture; // no page about BREVAK, as when the web pages' plug-in cannot be loaded
        QWidget* screen = fixture.showScreen();
        clickSegment(screen, SettingsViewController::aboutUs);
        auto* message = outlet<QLabel>(screen, "lblAboutPageNotShown");
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(), QString("The page about BREVAK cannot be shown."));
    }

    void editOpensANewAccountSheetOnTheMainWindowEachTime()
    {
        Fixture fixture;
        QWidget* screen = fixture.showScreen();
        auto* edit = outlet<QPushButton>(screen, "btnEdit");
        QTest::mouseClick(edit, Qt::LeftButton);
        QPointer<QDialog> first = fixture.host.window->attachedSheet();
        QVERIFY(first);
        QCOMPARE(first->objectName(), QString("EditAccountWindowController"));
        QVERIFY(first->isVisible());
        fixture.host.window->endSheet(first);

        QTest::mouseClick(edit, Qt::LeftButton);
        QDialog* second = fixture.host.window->attachedSheet();
        QVERIFY(second && second != first);
        QVERIFY(waitForPostedEvents());
        QVERIFY(!first); // the closed one is gone
    }

    void editWithoutAMainWindowDoesNothing()
    {
        Fixture fixture;
        auto screen = std::make_unique<SettingsViewController>(fixture.host);
        fixture.host.window.reset();
        screen->show();
        QTest::mouseClick(outlet<QPushButton>(screen.get(), "btnEdit"), Qt::LeftButton);
        QVERIFY(!screen->findChild<QDialog*>());
    }
};

QTEST_MAIN(TestSettingsViewController)
#include "tst_settingsviewcontroller.moc"
