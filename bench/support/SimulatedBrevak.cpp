#include "SimulatedBrevak.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace bench {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QString program(const QString& name)
{
    return QCoreApplication::applicationDirPath() + '/' + name;
}

bool simctl(const QStringList& arguments)
{
    QProcess process;
    process.start(program(QStringLiteral("brevak-simctl")), arguments);
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

bool prepareSimulatedMac(const QString& root, const QByteArray& settings)
{
    qputenv("BREVAK_SIMULATED_ROOT", root.toUtf8());
    if (!simctl({QStringLiteral("init")})) {
        out() << "brevak-simctl init failed\n";
        return false;
    }
    const QString preferences = root + QStringLiteral("/home/Library/Preferences");
    QFile file(preferences + QStringLiteral("/com.mac.brevak.json"));
    if (!QDir().mkpath(preferences) || !file.open(QIODevice::WriteOnly) || file.write(settings) < 0) {
        out() << "cannot write " << file.fileName() << '\n';
        return false;
    }
    return true;
}

QProcessEnvironment brevakEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("BREVAK_API_BASE_URL"), QStringLiteral("http://127.0.0.1:9"));
    environment.insert(QStringLiteral("BREVAK_RESOLVER_ADDRESS"), QStringLiteral("198.51.100.153"));
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    environment.remove(QStringLiteral("BREVAK_PROTECTION_CHECK_SECONDS"));
    return environment;
}

} // namespace bench
