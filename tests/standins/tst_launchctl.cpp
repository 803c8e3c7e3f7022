#include "DataRow.h"
#include "TemporarySimulatedMac.h"

#include <QFile>
#include <QTest>

namespace {

// The launch agent BREVAK installs.
QByteArray agent()
{
    QFile file(BREVAK_RESOURCES_DIR "/com.mac.brevak.plist");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestLaunchctl : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporarySimulatedMac> m_mac;
    QString m_agents;

    QString writeAgent(const QString& name, const QByteArray& content,
        QFile::Permissions permissions
        = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther)
    {
        QFile file(m_agents + '/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            return {};
        }
        file.close();
        file.setPermissions(permissions);
        return file.fileName();
    }

    QString loadedAgents() const
    {
        const QString state = m_mac->simctl({"state"}).output;
        return state.mid(state.indexOf("Loaded launch agents:"));
    }

private Q_SLOTS:
    void init()
    {
        m_mac = std::make_unique<TemporarySimulatedMac>();
        QVERIFY(m_mac->setUp({"init"}));
        m_agents = m_mac->root() + "/home/Library/LaunchAgents";
    }

    void cleanup() { m_mac.reset(); }

    void loadsAnAgentSilentlyAndOnlyOnce()
    {
        const QString path = writeAgent("com.mac.brevak.plist", agent());
        auto result = m_mac->run("launchctl", {"load", path});
        QCOMPARE(result.output + result.errors, QString());
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(loadedAgents(), "Loaded launch agents:\n  com.mac.brevak: " + path + "\n");

        result = m_mac->run("launchctl", {"load", path});
        QCOMPARE(result.output, QString());
        QCOMPARE(result.errors,
            path + ": service already loaded\nLoad failed: 37: Operation already in progress\n");
        QCOMPARE(result.exitCode, 37);
        QCOMPARE(loadedAgents(), "Loaded launch agents:\n  com.mac.brevak: " + path + "\n");
    }

    void refusesWhatLaunchdRefuses_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("groupWritable");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("exitCode");

        dataRow("missing file", "", QByteArray(), false, ": No such file or directory\n", 2);
        dataRow("not a property list", "broken.plist", QByteArray("Label = com.mac.brevak"), false,
            ": Invalid property list\n", 22);
        dataRow("no label", "nolabel.plist",
            QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>RunAtLoad</key>"
                       "<true/></dict></plist>"),
            false, ": Invalid property list\n", 22);
        dataRow("others may rewrite it", "writable.plist", agent(), true,
            ": Path had bad ownership/permissions\n", 22);
    }

    void refusesWhatLaunchdRefuses()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(bool, groupWritable);
        QFETCH(QString, message);
        QFETCH(int, exitCode);
        QFile::Permissions permissions
            = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        if (groupWritable) {
            permissions |= QFile::WriteGroup;
        }
        const QString path = fileName.isEmpty() ? m_agents + "/com.mac.brevak.plist"
                                                : writeAgent(fileName, content, permissions);
        QVERIFY(!path.isEmpty());
        const auto result = m_mac->run("launchctl", {"load", path});
        QCOMPARE(result.output, QString());
        QCOMPARE(result.errors, path + message);
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(loadedAgents(), "Loaded launch agents:\n  none\n");
    }
};

QTEST_GUILESS_MAIN(TestLaunchctl)
#include "tst_launchctl.moc"
