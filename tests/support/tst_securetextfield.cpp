#include "NotificationCenter.h"
#include "SecureTextField.h"
#include "SettingsStore.h"
#include "TemporarySimulatedMac.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

// The password and PIN field: it masks what it holds, the eye button shows and masks it again, and a
// masked field gives its text to nobody.
class TestSecureTextField : public QObject
{
    Q_OBJECT

private:
    TemporarySimulatedMac m_mac;
    NotificationCenter m_notifications;
    NotificationCenter::Registration m_notificationsRegistration {m_notifications};

    // The tool button Qt makes for the eye action.
    static QToolButton* eyeButton(SecureTextField& field)
    {
        for (QToolButton* button : field.findChildren<QToolButton*>()) {
            if (button->defaultAction() == field.toggleAction()) {
                return button;
            }
        }
        return nullptr;
    }

private Q_SLOTS:
    void init() { SettingsStore::shared().wipe(); }

    void eyeButtonShowsThenMasks()
    {
        SecureTextField field;
        field.show();
        QTest::keyClicks(&field, "hunter22");
        QVERIFY(!field.passwordIsVisible());
        QCOMPARE(field.echoMode(), QLineEdit::Password);

        QSignalSpy changes(&field, &SecureTextField::passwordIsVisibleChanged);
        QToolButton* eye = eyeButton(field);
        QVERIFY(eye);
        QTest::mouseClick(eye, Qt::LeftButton);
        QVERIFY(field.passwordIsVisible());
        QCOMPARE(field.echoMode(), QLineEdit::Normal);
        QCOMPARE(field.toggleAction()->text(), QStringLiteral("Hide password"));

        QTest::mouseClick(eye, Qt::LeftButton);
        QVERIFY(!field.passwordIsVisible());
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.at(1).at(0).toBool(), false);
        QCOMPARE(field.text(), QStringLiteral("hunter22"));
    }

    void maskedTextReachesNobody()
    {
        SecureTextField field;
        field.setAccessibleName(QStringLiteral("PIN"));
        field.setDisplayToggleButton(false);
        field.setText(QStringLiteral("482913"));
        field.show();
        QVERIFY(!eyeButton(field)->isVisible());

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&field);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("PIN"));
        QVERIFY(!accessible->text(QAccessible::Value).contains(QStringLiteral("4829")));
        if (QAccessibleTextInterface* text = accessible->textInterface()) {
            QVERIFY(!text->text(0, text->characterCount()).contains(QStringLiteral("4829")));
        }

        QApplication::clipboard()->setText(QStringLiteral("before"));
        field.selectAll();
        field.copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    }

    void eyeButtonNameFollowsTheLanguage()
    {
        SecureTextField field;
        SettingsStore::shared().setString(keys::currentLanguage, QStringLiteral("fr"));
        NotificationCenter::shared().post(
            QString::fromLatin1(notifications::updateChooseLanguage), QStringLiteral("fr"));
        QCOMPARE(field.toggleAction()->text(), QStringLiteral("Afficher le mot de passe"));
    }
};

QTEST_MAIN(TestSecureTextField)
#include "tst_securetextfield.moc"
