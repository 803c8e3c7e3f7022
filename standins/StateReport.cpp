#include "StateReport.h"

#include <QDir>

using namespace simulated;

namespace {

QString dnsText(const NetworkService& service)
{
    return service.dnsServers.isEmpty() ? QStringLiteral("no DNS servers")
                                        : service.dnsServers.join(QStringLiteral(", "));
}

QString runningText(const RunningApplication& application, qint64 frontmost)
{
    QStringList notes;
    notes.append(application.simulated ? QStringLiteral("simulated")
                                       : QStringLiteral("pid %1").arg(application.processId));
    if (application.menuBarOnly) {
        notes.append(QStringLiteral("menu-bar only"));
    }
    if (application.processId == frontmost) {
        notes.append(QStringLiteral("frontmost"));
    }
    if (!application.pendingActivations.isEmpty()) {
        notes.append(
            QStringLiteral("%1 activation(s) not yet heard").arg(application.pendingActivations.size()));
    }
    return QStringLiteral("  %1 (%2): %3\n")
        .arg(application.localizedName, application.bundleIdentifier, notes.join(", "));
}

} // namespace

QString stateReport(const QString& rootFolder, const MacState& state, bool offline,
    const QList<ApplicationBundle>& applications, const QStringList& installedAgentFiles)
{
    const QString applicationsFolder = rootFolder + QStringLiteral("/Applications");
    QString report = QStringLiteral("Simulated Mac at %1\n\n").arg(rootFolder);

    report += QStringLiteral("Network services, in order:\n");
    for (const NetworkService& service : state.networkServices) {
        report += QStringLiteral("  %1%2: %3\n")
                      .arg(service.name, service.enabled ? QString() : QStringLiteral(" (disabled)"),
                          dnsText(service));
    }
    if (state.networkServices.isEmpty()) {
        report += QStringLiteral("  none\n");
    }
    report += QStringLiteral("DNS changes: %1\n")
                  .arg(state.denyNetworkChanges
                          ? QStringLiteral("denied, as for a user without admin rights (deny on)")
                          : QStringLiteral("allowed (deny off)"));
    report += QStringLiteral("networksetup: %1\n")
                  .arg(state.hangNetworkSetup ? QStringLiteral("hangs until the switch is off (hang on)")
                                              : QStringLiteral("answers (hang off)"));
    report += QStringLiteral("Network: %1\n\n")
                  .arg(offline ? QStringLiteral("offline") : QStringLiteral("online"));

    report += QStringLiteral("Applications in %1:\n").arg(applicationsFolder);
    for (const ApplicationBundle& bundle : applications) {
        report += QStringLiteral("  %1 (%2)\n")
                      .arg(QDir(applicationsFolder).relativeFilePath(bundle.path), bundle.bundleIdentifier);
    }
    if (applications.isEmpty()) {
        report += QStringLiteral("  none\n");
    }

    report += QStringLiteral("\nRunning applications, in launch order:\n");
    for (const RunningApplication& application : state.runningApplications) {
        report += runningText(application, state.frontmostProcessId);
    }
    if (state.runningApplications.isEmpty()) {
        report += QStringLiteral("  none\n");
    }

    report += QStringLiteral("\nLaunch agents in %1/home/Library/LaunchAgents:\n").arg(rootFolder);
    for (const QString& file : installedAgentFiles) {
        report += QStringLiteral("  %1\n").arg(file);
    }
    if (installedAgentFiles.isEmpty()) {
        report += QStringLiteral("  none\n");
    }

    report += QStringLiteral("\nLoaded launch agents:\n");
    for (const LaunchAgent& agent : state.loadedLaunchAgents) {
        report += QStringLiteral("  %1: %2\n").arg(agent.label, agent.path);
    }
    if (state.loadedLaunchAgents.isEmpty()) {
        report += QStringLiteral("  none\n");
    }
    return report;
}
