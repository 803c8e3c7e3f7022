#include "AlertRecorder.h"
#include "ApplicationServices.h"
#include "CustomWindow.h"
#include "DataRow.h"
#include "EventOrder.h"
#include "FakeInternetRoute.h"
#include "FakeNetworkAccessManager.h"
#include "FakeProvidersProcess.h"
#include "FakeWebSession.h"
#include "Localization.h"
#include "LogCapture.h"
#include "MainWindowHost.h"
#include "MessageTable.h"
#include "Screens.h"
#include "SecureTextField.h"
#include "ServerAccounts.h"
#include "SheetWindowController.h"
#include "Sheets.h"
#include "Storyboard.h"
#include "TemporarySimulatedMac.h"
#include "Theme.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(FakeWebSession::User)

namespace {

// The API client's view of the windows: there is a main window, so an unreachable network is told.
class WindowsForTheApi : public ApiWindowHost
{
public:
    bool hasMainWindow() const override { return true; }
    void raiseFrontWindow() override { }
    void endAttachedSheet() override { }
    void showStartScreen() override { }
};

class Host : public MainWindowHost
{
public:
    CustomWindow* mainWindow() const override { return m_window.get(); }

private:
    std::unique_ptr<CustomWindow> m_window = std::make_unique<CustomWindow>();
};

// The application around the account sheets: its services over the real network (a reachable route),
// the storyboard with the screens, a fake Facebook window and plain windows for the web pages, and
// alerts recorded.
struct Application
{
    explicit Application(FakeWebSession::User facebookUser)
    {
        registerApplicationScreens(storyboard, host);
        storyboard.registerController(
            "FacebookLoginWC", [facebookUser](QWidget*) { return new FakeWebSession(facebookUser); });
        for (const char* identifier : {"TermsWC", "PrivacyWC"}) {
            storyboard.registerController(
                identifier, [](QWidget*) { return new QWidget(nullptr, Qt::Window); });
        }
        services.api().setWindowHost(std::make_unique<WindowsForTheApi>());
        services.api().startReachability();
        host.mainWindow()->show();
    }

    Host host;
    TemporarySimulatedMac mac;
    FakeInternetRoute route;
    ApplicationServices services {ApplicationServices::Parts {route.source(), nullptr}};
    Storyboard storyboard;
    Storyboard::Registration storyboardRegistration {storyboard};
    AlertRecorder alerts;
};

const QString password = QStringLiteral("correct horse 1");

} // namespace

// The account sheets driven as a user drives them, against a real brevak-server that checks Google and
// Facebook tokens with the fake providers; Google through the simulated Mac's browser, Facebook
// through a stand-in for its window.
class TestAccountSheets : public QObject
{
    Q_OBJECT

private:
    FakeProvidersProcess m_providers;
    ServerProcess m_server;
    std::unique_ptr<Application> m_app;
    int m_accounts = 0;

    CustomWindow* window() { return m_app->host.mainWindow(); }
    SettingsStore& settings() { return SettingsStore::shared(); }
    const AlertRecorder& alerts() { return m_app->alerts; }
    QDialog* sheet() { return window()->attachedSheet(); }
    QString sheetName()
    {
        QDialog* open = sheet();
        return open ? open->objectName() : QString();
    }

    template<typename T = QWidget>
    T* find(const QString& name)
    {
        QDialog* open = sheet();
        return open ? open->findChild<T*>(name) : nullptr;
    }

    void click(const QString& name)
    {
        QPushButton* button = find<QPushButton>(name);
        QVERIFY2(button, qPrintable(name + " in " + sheetName()));
        QVERIFY2(button->isEnabled(), qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void type(const QString& name, const QString& text)
    {
        QLineEdit* field = find<QLineEdit>(name);
        QVERIFY2(field, qPrintable(name));
        // As typed (QTest types ASCII only): the text replaces what was there.
        field->selectAll();
        field->insert(text);
    }

    void begin(const QString& identifier)
    {
        QVERIFY(sheets::begin(m_app->host, identifier));
        QTRY_COMPARE(sheetName(), identifier);
    }

    QString newAddress() { return QStringLiteral("user%1@example.org").arg(++m_accounts); }

    HttpReply post(const QString& endpoint, const Fields& fields, const QString& token)
    {
        return HttpClient(m_server.port()).post(endpoint, fields, token);
    }

    // An account made over HTTP; its session token.
    QString signedUp(const QString& email, const QString& secret = password)
    {
        HttpClient http(m_server.port());
        return sessionOf(signUpOver(http, email, secret, "Test Mac"));
    }

    QString signedIn(const QString& email, const QString& secret)
    {
        const HttpReply reply = post("login", {{"email", email}, {"password", secret}, {"social_media", "0"}},
            configuration::defaultToken());
        return sessionOf(reply);
    }

    bool setPin(const QString& token)
    {
        return post("setupPin", {{"time", "12"}, {"pin", "482913"}}, token).json().value("status").toBool();
    }

    bool homeShown()
    {
        QWidget* content = window()->contentViewController();
        return content && content->objectName() == "SplitViewController";
    }

    // Answers every request from memory from now on, for answers the real server never gives.
    void answerFromMemory(FakeNetworkAccessManager& network, const QByteArray& body)
    {
        network.respondWith(FakeResponse::answer(200, body));
        m_app->services.api().setNetworkAccessManager(&network);
    }

    // The sign-in sheet after the e-mail step for `email`: the password sheet.
    void toPasswordSheet(const QString& email)
    {
        begin("LogInWindowController");
        type("userNameTextField", email);
        click("btnSignIn");
        QTRY_COMPARE(sheetName(), "PasswordWindowController");
    }

    void expectAlert(const QString& message, const QString& informative)
    {
        QTRY_COMPARE_WITH_TIMEOUT(alerts().count(), 1, 20000);
        QCOMPARE(alerts().alerts().first().message, message);
        QCOMPARE(alerts().alerts().first().informative, informative);
    }

    // The requests a screen sent while `log` listened (the synchronisations of the reachability
    // monitor aside).
    static QStringList sent(const LogCapture& log)
    {
        QStringList requests;
        for (const QString& line : log.lines()) {
            if (line.startsWith("API: ") && !line.contains("/api/v3/sync-url")) {
                requests.append(line);
            }
        }
        return requests;
    }

    bool loaderShown()
    {
        auto* loader = find<QProgressBar>("loader");
        return loader && loader->isVisible();
    }

private Q_SLOTS:
    void initTestCase()
    {
        theme::install(*qApp);
        QVERIFY(m_providers.start());
        m_providers.useForSignIn();
        QVERIFY(m_server.start(m_providers.serverArguments()));
        qputenv("BREVAK_API_BASE_URL", m_server.baseUrl().toUtf8());
    }

    void init() { m_app = std::make_unique<Application>(FakeWebSession::User::pressesContinue); }

    void cleanup()
    {
        m_app.reset();
        qputenv("BREVAK_API_BASE_URL", m_server.baseUrl().toUtf8());
    }

    void cleanupTestCase() { QCOMPARE(m_server.stop(), 0); }

    void emailStep_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("valid");
        dataRow("dots, plus and sub-domains", "ann.marie+casino@mail.example.co.uk", true);
        dataRow("digits and the other signs", "a_1%b-2@x-1.io", true);
        dataRow("a last label of 64 letters", "a@b." + QString(64, 'c'), true);
        dataRow("a last label of one letter", "ann@example.c", false);
        dataRow("a last label of 65 letters", "a@b." + QString(65, 'c'), false);
        dataRow("a leading blank", " ann@example.org", false);
        dataRow("a trailing blank", "ann@example.org ", false);
        dataRow("no @", "ann.example.org", false);
        dataRow("a letter outside ASCII", "léa@example.org", false);
        dataRow("a digit in the last label", "ann@example.o2", false);
        dataRow("empty", "", false);
    }

    // The e-mail step checks the address and never asks the server: an address without an account
    // goes on to the password sheet.
    void emailStep()
    {
        QFETCH(QString, email);
        QFETCH(bool, valid);
        LogCapture log;
        begin("LogInWindowController");
        type("userNameTextField", email);
        click("btnSignIn");
        if (valid) {
            QTRY_COMPARE(sheetName(), "PasswordWindowController");
            QCOMPARE(settings().textValue(keys::userEmail), email);
            QCOMPARE(find<QLabel>("lblEmailAddress")->text(), email);
        } else {
            expectAlert(messages::ooops(), messages::emailNotValid());
            QVERIFY(waitForPostedEvents());
            QCOMPARE(sheetName(), "LogInWindowController");
            QVERIFY(!settings().textValue(keys::userEmail));
        }
        QVERIFY(sent(log).isEmpty());
    }

    void passwordStep_data()
    {
        QTest::addColumn<QString>("branch");
        dataRow("accepted, no PIN", "accepted");
        dataRow("accepted, with a PIN", "pin");
        dataRow("wrong password", "wrong");
        dataRow("no such account", "unknown");
        dataRow("no stored e-mail", "no e-mail");
        dataRow("server unreachable", "unreachable");
        dataRow("no network", "offline");
        dataRow("undecodable answer", "undecodable");
        dataRow("status true and no data", "no data");
    }

    void passwordStep()
    {
        QFETCH(QString, branch);
        const QString email = newAddress();
        const QString token = signedUp(email);
        QVERIFY(!token.isEmpty());
        if (branch == "pin") {
            QVERIFY(setPin(token));
        }
        settings().setBool(keys::isLoggedOut, true);
        toPasswordSheet(branch == "unknown" ? newAddress() : email);
        FakeNetworkAccessManager memory;
        if (branch == "no e-mail") {
            settings().remove(keys::userEmail);
        } else if (branch == "unreachable") {
            qputenv("BREVAK_API_BASE_URL", "http://127.0.0.1:9");
        } else if (branch == "offline") {
            m_app->route.report(0);
            // The change itself brings a synchronisation, refused with its own alert.
            QTRY_COMPARE(alerts().count(), 1);
            m_app->alerts.pressOk();
        } else if (branch == "undecodable") {
            answerFromMemory(memory, R"({"status":true,"code":200})");
        } else if (branch == "no data") {
            settings().setInteger(keys::userId, 3);
            settings().setString(keys::loginToken, "an old session token");
            answerFromMemory(memory, R"({"status":true,"code":200,"msg":"ok","version":"3"})");
        }
        type("passwordTF", branch == "wrong" ? QStringLiteral("wrong horse 1") : password);
        LogCapture log;
        QPointer<QDialog> passwordSheet = sheet();
        click("btnSignIn");
        const auto button
            = [&] { return passwordSheet ? passwordSheet->findChild<QPushButton*>("btnSignIn") : nullptr; };

        if (branch == "accepted" || branch == "pin") {
            QTRY_VERIFY_WITH_TIMEOUT(homeShown(), 20000);
            QVERIFY(!sheet());
            QCOMPARE(window()->size(), QSize(800, 500));
            QCOMPARE(window()->property("titleBarTransparent").toBool(), true);
            QCOMPARE(settings().boolValue(keys::isLogin), true);
            QCOMPARE(settings().boolValue(keys::isLoggedOut), false);
            QVERIFY(!settings().textValue(keys::loginToken).value_or("").isEmpty());
            QCOMPARE(settings().textValue(keys::userEmail), email);
            QVERIFY(settings().integerValue(keys::userId) > 0);
            QCOMPARE(settings().boolValue(keys::isPinEnable), branch == "pin");
            QCOMPARE(settings().boolValue(keys::isPinSeted), branch == "pin");
            QVERIFY(log.contains("Is Success - true"));
        } else if (branch == "wrong" || branch == "unknown") {
            QTRY_COMPARE_WITH_TIMEOUT(alerts().count(), 1, 20000);
            QCOMPARE(alerts().alerts().first().message, messages::ooops());
            QVERIFY(!alerts().alerts().first().informative.isEmpty()); // the server's own words
            QTRY_VERIFY(button()->isEnabled());
            QCOMPARE(sheetName(), "PasswordWindowController");
            QVERIFY(!settings().boolValue(keys::isLogin));
            if (branch == "wrong") {
                // The address stays: the user just types the password again.
                QCOMPARE(settings().textValue(keys::userEmail), email);
                type("passwordTF", password);
                click("btnSignIn");
                QTRY_VERIFY_WITH_TIMEOUT(homeShown(), 20000);
            }
        } else if (branch == "no e-mail") {
            QTRY_COMPARE(sheetName(), "LogInWindowController");
            QVERIFY(sent(log).isEmpty());
        } else if (branch == "unreachable") {
            expectAlert(messages::ooops(), messages::serverNotReachable());
            QTRY_VERIFY(button()->isEnabled());
        } else if (branch == "offline") {
            expectAlert(messages::ooops(), messages::networkNotReachable());
            QTRY_VERIFY(button()->isEnabled());
            QVERIFY(waitForPostedEvents());
            QCOMPARE(alerts().count(), 1); // told once
        } else if (branch == "undecodable") {
            QVERIFY(
                log.waitFor("============== Error while decoding the model response ==================="));
            QTRY_COMPARE(sheetName(), "PasswordWindowController");
            QTRY_VERIFY(passwordSheet.isNull() || !passwordSheet->isVisible()); // a new one in its place
            const QList<QDialog*> dialogs = window()->findChildren<QDialog*>();
            QCOMPARE(
                std::count_if(dialogs.cbegin(), dialogs.cend(), [](QDialog* d) { return d->isVisible(); }),
                1);
            QCOMPARE(alerts().count(), 0);
        } else if (branch == "no data") {
            QTRY_VERIFY(settings().boolValue(keys::isLogin));
            QVERIFY(!settings().objectValue(keys::userId).isValid());
            QVERIFY(!settings().objectValue(keys::loginToken).isValid());
            QCOMPARE(settings().boolValue(keys::isLoggedOut), false);
            QVERIFY(!sheet());
            // The step ends there: no synchronisation, no home screen.
            QVERIFY(waitForPostedEvents());
            QCOMPARE(memory.requests().size(), 1);
            QVERIFY(!homeShown());
        }
    }

    void signUp_data()
    {
        QTest::addColumn<QString>("branch");
        dataRow("a new account", "new");
        dataRow("a taken address", "taken");
        dataRow("a confirmation that differs", "mismatch");
        dataRow("an invalid address", "invalid");
        dataRow("server unreachable", "unreachable");
    }

    void signUp()
    {
        QFETCH(QString, branch);
        const QString email = newAddress();
        if (branch == "taken") {
            QVERIFY(!signedUp(email).isEmpty());
        }
        if (branch == "unreachable") {
            qputenv("BREVAK_API_BASE_URL", "http://127.0.0.1:9");
        }
        settings().setBool(keys::isLoggedOut, true);
        begin("SignupWindowController");
        type("deviceNameTF", "Ann's MacBook");
        type("emailTF", branch == "invalid" ? QStringLiteral("ann@example") : email);
        type("passwordTF", password);
        type("confirmPasswordTF", branch == "mismatch" ? QStringLiteral("correct horse 2") : password);
        LogCapture log;
        QPointer<QDialog> signUpSheet = sheet();
        click("btnContinue");
        const auto continueEnabled
            = [&] { return signUpSheet && signUpSheet->findChild<QPushButton*>("btnContinue")->isEnabled(); };

        if (branch == "new") {
            QTRY_VERIFY_WITH_TIMEOUT(homeShown(), 20000);
            QVERIFY(!sheet());
            QCOMPARE(settings().boolValue(keys::isLogin), true);
            QCOMPARE(settings().boolValue(keys::isLoggedOut), true); // a sign-up leaves it
            QCOMPARE(settings().textValue(keys::userEmail), email);
            QCOMPARE(settings().textValue(keys::userDevice), "Ann's MacBook"); // as typed
            QVERIFY(!signedIn(email, password).isEmpty());
        } else if (branch == "taken") {
            QTRY_COMPARE_WITH_TIMEOUT(alerts().count(), 1, 20000);
            QCOMPARE(alerts().alerts().first().informative, "The email has already been taken.");
            QTRY_VERIFY(continueEnabled());
            QVERIFY(!settings().boolValue(keys::isLogin));
        } else {
            const QString expected = branch == "mismatch" ? messages::passwordsDidNotMatch()
                : branch == "invalid"                     ? messages::emailNotValid()
                                                          : messages::serverNotReachable();
            expectAlert(messages::ooops(), expected);
            QTRY_VERIFY(continueEnabled());
            QCOMPARE(sent(log).size(), branch == "unreachable" ? 1 : 0);
        }
    }

    void socialCompletion_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<bool>("pin");
        dataRow("Google from the sign-in sheet", "btnGoogle", "LogInWindowController", false);
        dataRow("Google with a PIN", "btnGoogle", "LogInWindowController", true);
        dataRow("Facebook from the sign-up sheet", "btnFacebook", "SignupWindowController", false);
        dataRow("Facebook with a PIN", "btnFacebook", "LogInWindowController", true);
    }

    // The provider's answer goes to the server, which checks the token with the provider; the
    // session is stored, the account's state synchronised and the home screen shown.
    void socialCompletion()
    {
        QFETCH(QString, way);
        QFETCH(QString, sheet);
        QFETCH(bool, pin);
        const QString email = newAddress();
        const QString id = QString::number(1000 + m_accounts);
        QVERIFY(mac().setUp({"browser", "approve"}));
        const QString google
            = QStringLiteral(R"({"sub":"%1","email":"%2","email_verified":true})").arg(id, email);
        const QString facebook = QStringLiteral(R"({"id":"%1","email":"%2"})").arg(id, email);
        QVERIFY(m_providers.setGoogleProfile(google.toUtf8()));
        QVERIFY(m_providers.setFacebookProfile(facebook.toUtf8()));
        const auto signInWithProvider = [&] {
            begin(sheet);
            click(way);
            QTRY_VERIFY_WITH_TIMEOUT(homeShown(), 20000);
        };
        if (pin) {
            // The account exists and has a PIN, set on another computer.
            signInWithProvider();
            QVERIFY(setPin(settings().textValue(keys::loginToken).value_or("")));
            m_app = std::make_unique<Application>(FakeWebSession::User::pressesContinue);
            QVERIFY(!settings().boolValue(keys::isPinSeted));
        }
        settings().setBool(keys::isLoggedOut, true);
        LogCapture log;
        signInWithProvider();
        QCOMPARE(settings().boolValue(keys::isLogin), true);
        QCOMPARE(settings().boolValue(keys::isLoggedOut), false);
        QCOMPARE(settings().textValue(keys::userEmail), email);
        QCOMPARE(settings().textValue(keys::userDevice), CommonWS::shared().deviceModel());
        QCOMPARE(settings().boolValue(keys::isPinSeted), pin); // as the synchronisation says
        // The home screen's PIN switch follows the account once the home screen shows.
        QTRY_COMPARE(settings().boolValue(keys::isPinEnable), pin);
        QVERIFY(log.contains("Is Success - true"));
        QVERIFY(!loaderShown());
    }

    void providerProblems_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("browser");
        QTest::addColumn<FakeWebSession::User>("user");
        QTest::addColumn<QByteArray>("profile"); // the provider's answer about the user
        QTest::addColumn<QString>("alert"); // empty: none
        using User = FakeWebSession::User;
        const User agrees = User::pressesContinue;
        dataRow("Google: no e-mail", "btnGoogle", "approve", agrees, QByteArray(R"({"sub":"g-9"})"),
            "email not found in google signin");
        dataRow("Google: no id", "btnGoogle", "approve", agrees, QByteArray(R"({"email":"g9@example.org"})"),
            "User ID not found in Google SignIn");
        dataRow("Google: the user refuses", "btnGoogle", "deny", agrees,
            QByteArray(R"({"sub":"g-9","email":"g9@example.org"})"), QString());
        dataRow("Google: not JSON", "btnGoogle", "approve", agrees, QByteArray("<html>"),
            "Google sign-in did not complete. Please try again.");
        dataRow("Facebook: no e-mail", "btnFacebook", "approve", agrees, QByteArray(R"({"id":"fb-9"})"),
            "Required Email Address");
        dataRow("Facebook: an empty id", "btnFacebook", "approve", agrees,
            QByteArray(R"({"id":"","email":"f@example.org"})"), "Error with Facebook login");
        dataRow("Facebook: undecodable", "btnFacebook", "approve", agrees, QByteArray(R"({"id":9})"),
            "Error with Facebook login");
        dataRow("Facebook: the user closes the window", "btnFacebook", "approve", User::closesTheWindow,
            QByteArray(), QString());
        dataRow("Facebook: the user cancels", "btnFacebook", "approve", User::pressesCancel, QByteArray(),
            QString());
    }

    // Whatever the provider does, the loader stops, the buttons come back and nothing reaches the
    // account server.
    void providerProblems()
    {
        QFETCH(QString, button);
        QFETCH(QString, browser);
        QFETCH(FakeWebSession::User, user);
        QFETCH(QByteArray, profile);
        QFETCH(QString, alert);
        m_app = std::make_unique<Application>(user);
        QVERIFY(mac().setUp({"browser", browser}));
        if (!profile.isEmpty()) {
            QVERIFY(button == "btnGoogle" ? m_providers.setGoogleProfile(profile)
                                          : m_providers.setFacebookProfile(profile));
        }
        begin("LogInWindowController");
        LogCapture log;
        click(button);
        QVERIFY(loaderShown());
        QVERIFY(!find<QPushButton>("btnSignIn")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!loaderShown(), 20000);
        QVERIFY(find<QPushButton>(button)->isEnabled());
        QVERIFY(find<QPushButton>("btnSignIn")->isEnabled());
        QVERIFY(waitForPostedEvents());
        if (alert.isEmpty()) {
            QCOMPARE(alerts().count(), 0);
        } else {
            expectAlert(messages::ooops(), localizedText(alert));
        }
        QCOMPARE(log.contains("Facebook Login Error"), button == "btnFacebook" && alert.isEmpty());
        QVERIFY(sent(log).isEmpty());
        QVERIFY(!settings().boolValue(keys::isLogin));
    }

    // A browser closed without answering leaves the sheet waiting, with a Cancel that stops it.
    void cancellingGoogleGivesTheButtonsBack()
    {
        QVERIFY(mac().setUp({"browser", "close"}));
        begin("SignupWindowController");
        click("btnGoogle");
        QVERIFY(loaderShown());
        QVERIFY(find<QPushButton>("btnCancelBrowser")->isVisible());
        QVERIFY(!find<QPushButton>("btnContinue")->isEnabled());
        click("btnCancelBrowser");
        QVERIFY(!loaderShown());
        QVERIFY(find<QPushButton>("btnContinue")->isEnabled());
        QVERIFY(find<QPushButton>("btnGoogle")->isEnabled());
        QCOMPARE(alerts().count(), 0);
    }

    // The mailed link opens the server's reset page; the new password works and the old one does not.
    void resetThroughTheMailedLink()
    {
        const QString email = newAddress();
        QVERIFY(!signedUp(email).isEmpty());
        toPasswordSheet(email);
        click("btnForget");
        QTRY_COMPARE(sheetName(), "ResetPasswordWindowController");
        QCOMPARE(find<QLineEdit>("tfEmail")->text(), email);
        click("btnSubmit");
        // Back at the password step at once; the server's answer comes as an alert over it.
        QTRY_COMPARE(sheetName(), "PasswordWindowController");
        QTRY_COMPARE_WITH_TIMEOUT(alerts().count(), 1, 20000);
        QCOMPARE(alerts().alerts().first().message, QString());
        QVERIFY(!alerts().alerts().first().informative.isEmpty());

        QString link;
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const QString& path : m_server.mails()) {
                    QFile mail(path);
                    if (mail.open(QIODevice::ReadOnly)
                        && mail.readAll().contains(("To: " + email).toUtf8())) {
                        mail.seek(0);
                        link = QRegularExpression("/password/reset\\?token=[0-9a-f]{64}")
                                   .match(QString::fromUtf8(mail.readAll()))
                                   .captured(0);
                    }
                }
                return !link.isEmpty();
            },
            20000));
        HttpClient http(m_server.port());
        QVERIFY(http.get(link).body.contains("name=\"password\""));
        const QString newPassword = QStringLiteral("battery staple 2");
        const HttpReply saved = http.postRaw("/password/reset",
            HttpClient::formEncode({{"token", link.section('=', 1)}, {"password", newPassword},
                {"password_confirmation", newPassword}}),
            "application/x-www-form-urlencoded", QString());
        QVERIFY2(saved.status == 200, saved.body.constData());

        m_app->alerts.pressOk();
        type("passwordTF", password);
        click("btnSignIn");
        QTRY_COMPARE_WITH_TIMEOUT(alerts().count(), 1, 20000); // the old password is refused
        QTRY_VERIFY(find<QPushButton>("btnSignIn")->isEnabled());
        type("passwordTF", newPassword);
        click("btnSignIn");
        QTRY_VERIFY_WITH_TIMEOUT(homeShown(), 20000);
    }

    void resetWhenTheServerCannotBeReached()
    {
        qputenv("BREVAK_API_BASE_URL", "http://127.0.0.1:9");
        begin("ResetPasswordWindowController");
        type("tfEmail", "ann@example.org");
        click("btnSubmit");
        QTRY_COMPARE(sheetName(), "PasswordWindowController");
        expectAlert(messages::ooops(), messages::serverNotReachable());
    }

    void editAccount_data()
    {
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("outcome"); // "updated", an alert text
        dataRow("name, device and password", "battery staple 3", "battery staple 3", "updated");
        dataRow("both password fields empty keep it", "", "", "updated");
        dataRow(
            "a confirmation that differs", "battery staple 3", "battery staple 4", "Passwords did not match");
        dataRow("a password the server refuses", "short", "short", "Profile Not updated");
        dataRow("server unreachable", "", "", "The server could not be reached. Please try again.");
    }

    // The edit sheet changes the account on the server; the sessions end as the server says: a new
    // password signs out the account's other sessions, not this one.
    void editAccount()
    {
        QFETCH(QString, newPassword);
        QFETCH(QString, confirmation);
        QFETCH(QString, outcome);
        const QString email = newAddress();
        QVERIFY(!signedUp(email).isEmpty());
        const QString elsewhere = signedIn(email, password);
        toPasswordSheet(email);
        type("passwordTF", password);
        click("btnSignIn");
        QTRY_VERIFY_WITH_TIMEOUT(homeShown(), 20000);
        const QString here = settings().textValue(keys::loginToken).value_or("");
        if (outcome.startsWith("The server")) {
            qputenv("BREVAK_API_BASE_URL", "http://127.0.0.1:9");
        }

        begin("EditAccountWindowController");
        QCOMPARE(find<QLineEdit>("tfEmail")->text(), email);
        QCOMPARE(find<QLineEdit>("tfDeviceName")->text(), "Test Mac");
        QVERIFY(find<QLineEdit>("tfEmail")->isReadOnly());
        type("tfUserName", "Ann Example");
        type("tfDeviceName", "Ann's iMac");
        type("tfPassword", newPassword);
        type("tfConfirmPassword", confirmation);
        LogCapture log;
        QPointer<QDialog> editSheet = sheet();
        click("btnUpdate");

        if (outcome == "updated") {
            QTRY_VERIFY_WITH_TIMEOUT(editSheet.isNull() || !editSheet->isVisible(), 20000);
            QCOMPARE(alerts().count(), 0);
            QCOMPARE(settings().textValue(keys::userName), "Ann Example");
            QCOMPARE(settings().textValue(keys::userDevice), "Ann's iMac");
            const bool changed = !newPassword.isEmpty();
            QCOMPARE(signedIn(email, password).isEmpty(), changed);
            QCOMPARE(signedIn(email, changed ? newPassword : password).isEmpty(), false);
            const auto sync = [&](const QString& token) {
                return post("sync-url", {{"platform_unique_id", "x"}}, token).status;
            };
            QCOMPARE(sync(here), 200);
            QCOMPARE(sync(elsewhere), changed ? 401 : 200);
            return;
        }
        const QString expected = outcome == "Passwords did not match" ? messages::passwordsDidNotMatch()
            : outcome == "Profile Not updated"                        ? messages::profileNotUpdated()
                                                                      : messages::serverNotReachable();
        expectAlert(messages::ooops(), expected);
        QVERIFY(editSheet->isVisible());
        QTRY_VERIFY(editSheet->findChild<QPushButton*>("btnUpdate")->isEnabled());
        QCOMPARE(sent(log).size(), outcome == "Passwords did not match" ? 0 : 1);
        QCOMPARE(settings().textValue(keys::userDevice), "Test Mac"); // a refusal loses nothing
    }

    void sheetsFollowTheLanguage_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("language");
        for (const char* identifier : {"LogInWindowController", "PasswordWindowController",
                 "SignupWindowController", "ResetPasswordWindowController", "EditAccountWindowController"}) {
            for (const char* language : {"en", "fr"}) {
                QTest::addRow("%s %s", identifier, language) << QString(identifier) << QString(language);
            }
        }
    }

    // Every control can be named by a screen reader, in the sheet's language; the sheet keeps its
    // natural size (Qt gives a new window at most two thirds of the screen's height, less than the
    // tallest sheets need on the offscreen platform's 800-pixel screen); password fields keep their
    // text to themselves; only the legal links of the language show.
    void sheetsFollowTheLanguage()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, language);
        settings().setString(keys::currentLanguage, language);
        begin(identifier);
        const QList<QWidget*> controls = sheet()->findChildren<QWidget*>();
        for (QWidget* control : controls) {
            if (!control->isVisibleTo(sheet())
                || !(qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control)
                    || qobject_cast<QProgressBar*>(control))) {
                continue;
            }
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY2(accessible && !accessible->text(QAccessible::Name).isEmpty(),
                qPrintable(control->objectName()));
        }
        QVERIFY(sheet()->height() >= sheet()->sizeHint().height());
        QVERIFY(sheet()->width() >= 440);
        // A picture of the sheet, for people to look at.
        QDir().mkpath(BREVAK_ARTIFACTS_DIR);
        sheet()->grab().save(QStringLiteral(BREVAK_ARTIFACTS_DIR "/%1-%2.png").arg(identifier, language));
        for (SecureTextField* field : sheet()->findChildren<SecureTextField*>()) {
            QCOMPARE(field->echoMode(), QLineEdit::Password);
        }
        const QString cancel = find<QPushButton>("btnCancel")->text();
        QCOMPARE(cancel, language == "fr" ? QStringLiteral("Annuler") : QStringLiteral("Cancel"));
        for (const char* group : {"EnglishStackView", "EnglishTerms"}) {
            if (QWidget* english = find(group)) {
                QCOMPARE(english->isVisibleTo(sheet()), language != "fr");
            }
        }
        for (const char* group : {"FrenchStackView", "FrenchTerms"}) {
            if (QWidget* french = find(group)) {
                QCOMPARE(french->isVisibleTo(sheet()), language == "fr");
                if (language == "fr") {
                    QCOMPARE(french->findChild<QPushButton*>("btnFrenchTerms")->text(),
                        "conditions d'utilisation");
                    QCOMPARE(french->findChild<QPushButton*>("btnFrenchPrivacy")->text(),
                        "politique de confidentialité");
                }
            }
        }
    }

    // The open edit sheet takes the new language at once.
    void theEditSheetHearsALanguageChange()
    {
        settings().setString(keys::currentLanguage, "en");
        begin("EditAccountWindowController");
        QCOMPARE(find<QLabel>("lblEditAccount")->text(), "Edit Account");
        settings().setString(keys::currentLanguage, "fr");
        NotificationCenter::shared().post(notifications::updateChooseLanguage, QStringLiteral("fr"));
        QCOMPARE(find<QLabel>("lblEditAccount")->text(), "Modifier le compte");
        QCOMPARE(find<QPushButton>("btnUpdate")->text(), "Mettre à jour");
    }

    void navigation_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("to"); // empty: no sheet
        dataRow("join us", "LogInWindowController", "btnJoinUs", "SignupWindowController");
        dataRow("login", "SignupWindowController", "btnLogin", "LogInWindowController");
        dataRow("sign-up cancelled", "SignupWindowController", "btnCancel", "LogInWindowController");
        dataRow("forgot", "PasswordWindowController", "btnForget", "ResetPasswordWindowController");
        dataRow("password cancelled", "PasswordWindowController", "btnCancel", "LogInWindowController");
        dataRow("reset cancelled", "ResetPasswordWindowController", "btnCancel", "PasswordWindowController");
        dataRow("edit cancelled", "EditAccountWindowController", "btnCancel", QString());
        dataRow("escape on the sign-up sheet", "SignupWindowController", "Escape", "LogInWindowController");
        dataRow("escape on the reset sheet", "ResetPasswordWindowController", "Escape",
            "PasswordWindowController");
    }

    void navigation()
    {
        QFETCH(QString, from);
        QFETCH(QString, button);
        QFETCH(QString, to);
        begin(from);
        QPointer<QDialog> first = sheet();
        if (button == "Escape") {
            QApplication::setActiveWindow(first);
            QTest::keyClick(first->focusWidget(), Qt::Key_Escape);
        } else {
            click(button);
        }
        QTRY_COMPARE(sheetName(), to);
        QVERIFY(first.isNull() || !first->isVisible());
        QVERIFY(window()->isVisible());
    }

    // Cancel on the sign-in sheet puts the main window away; BREVAK stays in the menu bar.
    void cancellingSignInPutsTheWindowAway()
    {
        begin("LogInWindowController");
        click("btnCancel");
        QTRY_VERIFY(!sheet());
        QVERIFY(!window()->isVisible());
    }

    void legalLinks_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        dataRow("terms", "en", "LogInWindowController", "btnTerms", "TermsWC");
        dataRow("privacy", "en", "SignupWindowController", "privacy", "PrivacyWC");
        dataRow("conditions d'utilisation", "fr", "SignupWindowController", "btnFrenchTerms", "TermsWC");
        dataRow(
            "politique de confidentialité", "fr", "LogInWindowController", "btnFrenchPrivacy", "PrivacyWC");
    }

    void legalLinks()
    {
        QFETCH(QString, language);
        QFETCH(QString, identifier);
        QFETCH(QString, button);
        QFETCH(QString, window);
        settings().setString(keys::currentLanguage, language);
        begin(identifier);
        click(button);
        const auto shown = [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() == window && top->isVisible()) {
                    return true;
                }
            }
            return false;
        };
        QVERIFY(shown());
        click(button); // again: the same window comes forward
        int windows = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            windows += top->objectName() == window ? 1 : 0;
        }
        QCOMPARE(windows, 1);
    }

    // A password is never printed, nor stored, wherever it is typed.
    void passwordsNeverLeaveTheField()
    {
        const QString email = newAddress();
        const QString secret = QStringLiteral("unmistakable secret 7");
        const QString changed = QStringLiteral("another unmistakable 8");
        LogCapture log;
        begin("SignupWindowController");
        type("deviceNameTF", "Mac");
        type("emailTF", email);
        type("passwordTF", secret);
        type("confirmPasswordTF", secret);
        click("btnContinue");
        QTRY_VERIFY_WITH_TIMEOUT(homeShown(), 20000);
        toPasswordSheet(email);
        type("passwordTF", secret);
        click("btnSignIn");
        QTRY_VERIFY_WITH_TIMEOUT(!sheet() && homeShown(), 20000);
        begin("EditAccountWindowController");
        type("tfPassword", changed);
        type("tfConfirmPassword", changed);
        click("btnUpdate");
        QTRY_VERIFY_WITH_TIMEOUT(!sheet(), 20000);
        QVERIFY(log.lines().filter("Param: ").size() >= 3);
        const QString printed = log.lines().join('\n');
        QVERIFY(!printed.contains(secret));
        QVERIFY(!printed.contains(changed));
        settings().flush();
        QFile stored(m_app->mac.root() + "/home/Library/Preferences/com.mac.brevak.json");
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray content = stored.readAll();
        QVERIFY(content.contains(email.toUtf8()));
        QVERIFY(!content.contains(secret.toUtf8()));
        QVERIFY(!content.contains(changed.toUtf8()));
    }

private:
    TemporarySimulatedMac& mac() { return m_app->mac; }
};

QTEST_MAIN(TestAccountSheets)
#include "tst_accountsheets.moc"
