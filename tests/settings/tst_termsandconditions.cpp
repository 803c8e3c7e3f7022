#include "FakeApplication.h"
#include "SettingsTestSupport.h"
#include "TermsAndConditions.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

// The placeholder terms screen: its texts, the window's size while it shows, and Continue into the
// home screen.
class TestTermsAndConditions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void itShowsTheTermsInAFixedWindowAndContinuesIntoTheHomeScreen()
    {
        SettingsWindowHost host;
        FakeApplication app {host};
        host.window->show();
        QPointer<TermsAndConditions> terms = new TermsAndConditions(host);
        host.window->setContentViewController(terms);
        QCOMPARE(host.window->minimumSize(), QSize(795, 590));
        QCOMPARE(host.window->maximumSize(), QSize(795, 590));
        QCOMPARE(terms->findChild<QLabel*>("lblTerms")->text(), QString("Terms & Condition"));
        QVERIFY(terms->findChild<QPlainTextEdit*>("lorem")->toPlainText().startsWith(
            "Lorem ipsum dolor sit amet"));

        QTRY_VERIFY(terms->isVisible());
        QTest::mouseClick(terms->findChild<QPushButton*>("btnContinue"), Qt::LeftButton);
        QCOMPARE(host.window->contentViewController()->objectName(), QString("SplitViewController"));
        QCOMPARE(host.window->minimumSize(), QSize(800, 500));
        QCOMPARE(host.window->maximumSize(), QSize(800, 500));
        QTRY_VERIFY(!terms); // replaced, and gone with it
    }

    void withoutAMainWindowContinueStaysOnTheScreen()
    {
        SettingsWindowHost host;
        FakeApplication app {host};
        host.window.reset();
        TermsAndConditions terms(host);
        terms.show();
        QTest::mouseClick(terms.findChild<QPushButton*>("btnContinue"), Qt::LeftButton);
        QVERIFY(terms.isVisible());
    }
};

QTEST_MAIN(TestTermsAndConditions)
#include "tst_termsandconditions.moc"
