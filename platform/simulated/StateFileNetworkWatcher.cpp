#include "StateFileNetworkWatcher.h"

#include <QDir>

namespace simulated {

StateFileNetworkWatcher::StateFileNetworkWatcher(QObject* parent)
    : platform::NetworkConfigurationWatcher(parent)
{
    connect(
        &m_watcher, &QFileSystemWatcher::fileChanged, this, &StateFileNetworkWatcher::stateMayHaveChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
        &StateFileNetworkWatcher::stateMayHaveChanged);
}

bool StateFileNetworkWatcher::start()
{
    if (!m_watcher.directories().isEmpty()) {
        return true;
    }
    if (!QDir().mkpath(m_stateFile.folder()) || !m_watcher.addPath(m_stateFile.folder())) {
        qWarning("Simulated Mac: network changes cannot be heard (cannot watch %s)",
            qPrintable(m_stateFile.folder()));
        return false;
    }
    if (m_stateFile.exists()) {
        m_watcher.addPath(m_stateFile.path());
    }
    m_reported = networkConfiguration();
    return true;
}

void StateFileNetworkWatcher::stateMayHaveChanged()
{
    // A file renamed over the watched one is a new file: watch it in its turn.
    if (!m_watcher.files().contains(m_stateFile.path()) && m_stateFile.exists()) {
        m_watcher.addPath(m_stateFile.path());
    }
    const QString current = networkConfiguration();
    if (current.isEmpty() || current == m_reported) {
        return;
    }
    m_reported = current;
    Q_EMIT changed();
}

QString StateFileNetworkWatcher::networkConfiguration() const
{
    const std::optional<MacState> state = m_stateFile.read();
    if (!state) {
        return {};
    }
    QString text = QStringLiteral("services:");
    for (const NetworkService& service : state->networkServices) {
        text += QStringLiteral("\n%1%2\t%3")
                    .arg(service.enabled ? QString() : QStringLiteral("*"), service.name,
                        service.dnsServers.join(' '));
    }
    return text;
}

} // namespace simulated

std::unique_ptr<platform::NetworkConfigurationWatcher> platform::createNetworkConfigurationWatcher(
    QObject* parent)
{
    return std::make_unique<simulated::StateFileNetworkWatcher>(parent);
}
