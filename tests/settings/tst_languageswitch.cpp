#include "AlertRecorder.h"
#include "DataRow.h"
#include "FakeApplication.h"
#include "SettingsTestSupport.h"
#include "SettingsViewController.h"
#include "setWaitingTimeWC.h"

#include <QPointer>

// The run-time language switch across the application: every screen that is open when the user chooses
// another language in the settings shows it at once, accessible names included, and shows the first one
// again when the user chooses it back. The screens are the application's own, from its storyboard.
class TestLanguageSwitch : public QObject
{
    Q_OBJECT

private:
    // One text of an open screen: the screen's storyboard identifier, the outlet (none: the screen
    // itself), the property read, and what it says in English and in French.
    struct Text
    {
        const char* identifier;
        const char* outlet;
        const char* property;
        QString english;
        QString french;
    };

    static QList<Text> texts()
    {
        return {
            {"SettingsViewController", "lblSetting", "text", "Settings", "Réglages"},
            {"SettingsViewController", "btnEdit", "accessibleName", "Edit", "Modifier"},
            {"EditAccountWindowController", "lblEditAccount", "text", "Edit Account", "Modifier le compte"},
            {"EditAccountWindowController", "tfConfirmPassword", "accessibleName", "Confirm Password",
                "Confirmer le mot de passe"},
            {"PinProtectionWC", "lblAssign4DigitPin", "text", "Assign a 6-digit PIN",
                "Choisir un code PIN à 6 chiffres"},
            {"PinProtectionWC", "PinTextField", "accessibleName", "PIN", "Code PIN"},
            {"PinProtectionWC", nullptr, "windowTitle", "Setup Pin Protection",
                "Configurer la protection par code PIN"},
            {"setWaitingTimeWC", "lblSetWaitingTime", "text", "Set Waiting Time", "Délai d’attente"},
            {"setWaitingTimeWC", "btnSetTheTime", "text", "Set Time", "Choisir le délai"},
            {"VerifyPin", "lblEnterPinToVerify", "text", "Enter pin to verify",
                "Saisissez le code PIN pour confirmer"},
            {"VerifyPin", "btnRetrieveMyPinCode", "text", "Retrieve my pin code by e-mail",
                "Recevoir mon code PIN par e-mail"},
            {"VerifyPinOnStart", "pinTF", "accessibleName", "PIN", "Code PIN"},
            {"ChangePin", "oldPinTF", "accessibleName", "Old Pin", "Ancien code PIN"},
            {"ChangePin", "btnRandomPin", "text", "Hidden PIN", "Code PIN caché"},
            {"PinProtectionOff", "lblPleaseConfirmYourChoice", "text", "Please confirm your choice",
                "Veuillez confirmer votre choix"},
            {"RetrivePinPage", "lblCheckYourMail", "text", "Your request has been sent",
                "Votre demande a été envoyée"},
            {"SplitViewController", "lblWebsiteBlockList", "text", "Website Black List", "Liste noire de sites"},
            {"SplitViewController", "pinSwitch", "accessibleName", "Pin Protection", "Protection par code PIN"},
            {"ProtectionViewController", "btnUninstall", "text", "Uninstall", "Désinstaller"},
            {"ProtectionViewController", "btnLiveChat", "text", "Live Chat 24/7", "Chat en direct 24 h/24, 7 j/7"},
        };
    }

    static QString textOf(QWidget* screen, const Text& text)
    {
        QWidget* widget
            = text.outlet ? screen->findChild<QWidget*>(QString::fromLatin1(text.outlet)) : screen;
        return widget ? widget->property(text.property).toString()
                      : QStringLiteral("(no %1)").arg(text.outlet);
    }

private Q_SLOTS:
    void everyOpenScreenFollowsTheLanguageAtOnceAndBack()
    {
        SettingsWindowHost host;
        FakeApplication app {host};
        AlertRecorder alerts;
        app.storyboard.registerController(QStringLiteral("setWaitingTimeWC"),
            [](QWidget* parent) { return new setWaitingTimeWC(QStringLiteral("123456"), parent); });
        host.window->resize(800, 500);
        host.window->show();
        auto* settings = new SettingsViewController(host);
        host.window->setContentViewController(settings);
        QTRY_VERIFY(settings->isVisible());

        // Every other screen open beside it, each in a window of its own.
        QHash<QString, QPointer<QWidget>> screens {{QStringLiteral("SettingsViewController"), settings}};
        std::vector<std::unique_ptr<QWidget>> owned;
        for (const Text& text : texts()) {
            const QString identifier = QString::fromLatin1(text.identifier);
            if (!screens.contains(identifier)) {
                QWidget* screen = app.storyboard.instantiate(identifier);
                QVERIFY2(screen, text.identifier);
                owned.emplace_back(screen);
                screen->show();
                screens.insert(identifier, screen);
            }
        }
        const auto verifyAll = [&screens](QString Text::*language) {
            for (const Text& text : texts()) {
                QCOMPARE(textOf(screens.value(QString::fromLatin1(text.identifier)), text), text.*language);
            }
        };
        verifyAll(&Text::english);

        auto* popUp = settings->findChild<QComboBox*>(QStringLiteral("popUpLanguage"));
        chooseLanguage(popUp, 1);
        verifyAll(&Text::french);
        chooseLanguage(popUp, 0);
        verifyAll(&Text::english);
    }
};

QTEST_MAIN(TestLanguageSwitch)
#include "tst_languageswitch.moc"
