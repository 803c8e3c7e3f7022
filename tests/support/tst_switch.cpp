#include "Switch.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

// The on/off switch: driven by mouse and keyboard, named for screen readers, painted as it stands.
class TestSwitch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mouseAndKeyboardToggleIt()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* first = new Switch(&window);
        auto* second = new Switch(&window);
        layout->addWidget(first);
        layout->addWidget(second);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy toggled(second, &QAbstractButton::toggled);

        QTest::mouseClick(second, Qt::LeftButton);
        QCOMPARE(toggled.count(), 1);
        QVERIFY(second->isChecked());

        first->setFocus(Qt::TabFocusReason);
        QTest::keyClick(first, Qt::Key_Tab);
        QVERIFY(second->hasFocus());
        QTest::keyClick(second, Qt::Key_Space);
        QCOMPARE(toggled.count(), 2);
        QVERIFY(!second->isChecked());
        QVERIFY(!first->isChecked());
    }

    void screenReadersHearItsNameAndState()
    {
        Switch protection;
        protection.setAccessibleName("Protection on");
        protection.setChecked(true);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&protection);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), "Protection on");
        QCOMPARE(accessible->role(), QAccessible::CheckBox);
        QVERIFY(accessible->state().checkable);
        QVERIFY(accessible->state().checked);
        protection.setChecked(false);
        QVERIFY(!accessible->state().checked);
    }

    // The knob sits on the side of the state, leaving the track's colour visible on the other side.
    void itShowsItsState_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }

    void itShowsItsState()
    {
        QFETCH(bool, on);
        Switch button;
        const QColor onColour(0xE8, 0x76, 0x2B);
        const QColor offColour(0x8A, 0x8D, 0x94);
        const QColor knobColour(Qt::white);
        button.setProperty("onColor", onColour);
        button.setProperty("offColor", offColour);
        button.setProperty("knobColor", knobColour);
        button.resize(button.sizeHint());
        button.setChecked(on);
        const QImage image = button.grab().toImage();
        const int middle = image.height() / 2;
        const QPoint quarter(image.width() / 4, middle);
        const QPoint threeQuarters(image.width() * 3 / 4, middle);
        QCOMPARE(image.pixelColor(on ? quarter : threeQuarters), on ? onColour : offColour);
        QCOMPARE(image.pixelColor(on ? threeQuarters : quarter), knobColour);
    }
};

QTEST_MAIN(TestSwitch)
#include "tst_switch.moc"
