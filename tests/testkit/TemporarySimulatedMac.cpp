#include "TemporarySimulatedMac.h"

#include "platform.h"

#include <QCoreApplication>
#include <QProcess>

TemporarySimulatedMac::RootVariable::RootVariable(const QString& root)
    : m_previous(qgetenv("BREVAK_SIMULATED_ROOT"))
    , m_wasSet(qEnvironmentVariableIsSet("BREVAK_SIMULATED_ROOT"))
{
    qputenv("BREVAK_SIMULATED_ROOT", root.toUtf8());
}

TemporarySimulatedMac::RootVariable::~RootVariable()
{
    if (m_wasSet) {
        qputenv("BREVAK_SIMULATED_ROOT", m_previous);
    } else {
        qunsetenv("BREVAK_SIMULATED_ROOT");
    }
}

TemporarySimulatedMac::TemporarySimulatedMac()
    : m_settings(platform::createUserDefaults())
{ }

QString TemporarySimulatedMac::programPath(const QString& program)
{
    return QCoreApplication::applicationDirPath() + '/' + program;
}

TemporarySimulatedMac::Result TemporarySimulatedMac::run(
    const QString& program, const QStringList& arguments) const
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(programPath(program), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return {
            -1, QString(), QStringLiteral("%1 did not end normally: %2").arg(program, process.errorString())};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError())};
}

bool TemporarySimulatedMac::setUp(const QStringList& arguments) const
{
    const Result result = simctl(arguments);
    if (!result.succeeded()) {
        qWarning("brevak-simctl %s failed (%d): %s", qPrintable(arguments.join(' ')), result.exitCode,
            qPrintable(result.errors));
    }
    return result.succeeded();
}

QString TemporarySimulatedMac::dnsServers(const QString& service) const
{
    return run(QStringLiteral("networksetup"), {QStringLiteral("-getdnsservers"), service}).output;
}
