#include "ApplicationListBuilder.h"
#include "ApplicationServices.h"
#include "FakeInternetRoute.h"
#include "TemporarySimulatedMac.h"
#include "windowing.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

// The application list built with the real command runner: zsh lists the simulated Mac's Applications
// folder and the osascript stand-in names each bundle.
class TestApplicationList : public QObject
{
    Q_OBJECT

private:
    struct Application
    {
        TemporarySimulatedMac mac;
        FakeInternetRoute route;
        ApplicationServices services {ApplicationServices::Parts {route.source(), nullptr}};
    };

    static QList<ApplicationDetail> build(
        platform::Workspace& workspace, ApplicationListBuilder::Limits limits)
    {
        ApplicationListBuilder builder(workspace, limits);
        QSignalSpy finished(&builder, &ApplicationListBuilder::finished);
        builder.start();
        if (!finished.wait(60000)) {
            return {};
        }
        return builder.result();
    }

    static QStringList names(const QList<ApplicationDetail>& list)
    {
        QStringList names;
        for (const ApplicationDetail& detail : list) {
            names.append(detail.name + (detail.icon.isNull() ? QStringLiteral(" (no icon)") : QString()));
        }
        return names;
    }

private Q_SLOTS:
    // In the folder's order, without BREVAK itself, without what is inside a subfolder, with a folder
    // whose name merely contains ".app"; the same list in parallel as one at a time.
    void parallelBuildGivesTheSequentialList()
    {
        Application app;
        QVERIFY(app.mac.setUp({"init"}));
        for (int i = 0; i < 24; ++i) {
            QVERIFY(app.mac.setUp({"app", "add", QStringLiteral("Game %1").arg(i, 2, 10, QChar('0')),
                QStringLiteral("org.example.game%1").arg(i)}));
        }
        QVERIFY(QDir().mkpath(app.mac.root() + "/Applications/Notes.apple"));
        auto workspace = platform::createWorkspace();

        const QList<ApplicationDetail> sequential = build(*workspace, ApplicationListBuilder::oneAtATime);
        const QList<ApplicationDetail> parallel = build(*workspace, {8, 4});

        QStringList expected;
        for (int i = 0; i < 24; ++i) {
            expected.append(QStringLiteral("Game %1").arg(i, 2, 10, QChar('0')));
        }
        expected << "Lucky Spin Casino"
                 << "Royal Flush Poker"
                 << "Safari";
        QCOMPARE(names(sequential), expected);
        QCOMPARE(names(parallel), names(sequential));
    }

    // A bundle name full of shell syntax is passed to osascript as one argument: nothing runs. A file
    // name cannot hold "/", so the command would touch p in the working folder.
    void fileNamesAreNeverShellText()
    {
        Application app;
        QVERIFY(app.mac.setUp({"init"}));
        const QString previousFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(app.mac.root()));
        const auto restore = qScopeGuard([&previousFolder] { QDir::setCurrent(previousFolder); });
        const QString marker = app.mac.root() + "/p";
        const QString name = QStringLiteral("x'$(touch p)'");
        QVERIFY(app.mac.setUp({"app", "add", name, "org.example.x"}));
        QVERIFY(app.mac.setUp({"app", "add", "Quote \" Back \\ slash", "org.example.q"}));
        auto workspace = platform::createWorkspace();

        const QStringList listed = names(build(*workspace, {8, 4}));

        QVERIFY2(!QFile::exists(marker), "a file name was run as a command");
        QVERIFY(listed.contains(name));
        QVERIFY(listed.contains("Quote \" Back \\ slash"));
    }

    // An application osascript cannot name is left out; the others keep their order.
    void unnamedApplicationsAreLeftOut()
    {
        Application app;
        QVERIFY(app.mac.setUp({"init"}));
        QVERIFY(QDir().mkpath(app.mac.root() + "/Applications/Broken.app"));
        auto workspace = platform::createWorkspace();

        QCOMPARE(names(build(*workspace, {8, 4})),
            QStringList({"Lucky Spin Casino", "Royal Flush Poker", "Safari"}));
    }
};

QTEST_MAIN(TestApplicationList)
#include "tst_applicationlist.moc"
