#include "StateFile.h"

#include "Processes.h"
#include "SimulatedRoot.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace simulated {

namespace {

// Holds an exclusive lock on the lock file while it lives. The file itself stays, so taking the lock
// adds or removes nothing in the watched folder; the kernel releases the lock if the holder dies.
class ExclusiveLock
{
public:
    ExclusiveLock(const QString& path, QString* error)
    {
        m_descriptor = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_descriptor < 0) {
            report(error, QStringLiteral("cannot open the lock file %1: %2").arg(path, errnoText()));
            return;
        }
        // Holders keep the lock for a few milliseconds; waiting longer means one of them hangs.
        const QDeadlineTimer deadline(std::chrono::seconds(10));
        while (::flock(m_descriptor, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                report(error,
                    QStringLiteral("cannot lock %1: %2")
                        .arg(path,
                            errno == EWOULDBLOCK ? QStringLiteral("another program holds it") : errnoText()));
                ::close(m_descriptor);
                m_descriptor = -1;
                return;
            }
            QThread::msleep(2);
        }
    }

    ~ExclusiveLock()
    {
        if (m_descriptor >= 0) {
            ::close(m_descriptor); // releases the lock
        }
    }

    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

    bool held() const { return m_descriptor >= 0; }

private:
    static QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }
    static void report(QString* error, const QString& message)
    {
        if (error) {
            *error = message;
        }
    }

    int m_descriptor = -1;
};

} // namespace

StateFile::StateFile(const QString& rootFolder)
    : m_folder(rootFolder + QStringLiteral("/Simulator"))
{ }

StateFile::StateFile()
    : StateFile(rootFolder())
{ }

bool StateFile::exists() const
{
    return QFile::exists(path());
}

std::optional<MacState> StateFile::read(QString* error) const
{
    QFile file(path());
    if (!file.exists()) {
        return MacState();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = QStringLiteral("cannot read %1: %2").arg(path(), file.errorString());
        }
        return std::nullopt;
    }
    QString reason;
    std::optional<MacState> state = MacState::fromJson(file.readAll(), &reason);
    if (!state && error) {
        *error = QStringLiteral("the state file %1 is damaged: %2").arg(path(), reason);
    }
    return state;
}

bool StateFile::modify(const std::function<bool(MacState&)>& change, QString* error)
{
    if (!QDir().mkpath(m_folder)) {
        if (error) {
            *error = QStringLiteral("cannot create the folder %1").arg(m_folder);
        }
        return false;
    }
    const ExclusiveLock lock(m_folder + QStringLiteral("/state.lock"), error);
    if (!lock.held()) {
        return false;
    }
    std::optional<MacState> state = read(error);
    if (!state) {
        return false;
    }
    if (!change(*state)) {
        return true;
    }
    return write(*state, error);
}

bool StateFile::overwrite(const MacState& state, QString* error)
{
    if (!QDir().mkpath(m_folder)) {
        if (error) {
            *error = QStringLiteral("cannot create the folder %1").arg(m_folder);
        }
        return false;
    }
    const ExclusiveLock lock(m_folder + QStringLiteral("/state.lock"), error);
    return lock.held() && write(state, error);
}

bool StateFile::write(const MacState& state, QString* error)
{
    QSaveFile file(path());
    if (!file.open(QIODevice::WriteOnly) || file.write(state.toJson()) < 0 || !file.commit()) {
        if (error) {
            *error = QStringLiteral("cannot write %1: %2").arg(path(), file.errorString());
        }
        return false;
    }
    return true;
}

bool StateFile::pruneEndedProcesses(MacState& state)
{
    QList<qint64> ended;
    for (const RunningApplication& application : std::as_const(state.runningApplications)) {
        if (!application.simulated && !isRunning({application.processId, application.startTime})) {
            ended.append(application.processId);
        }
    }
    for (qint64 processId : ended) {
        state.removeProcess(processId);
    }
    return !ended.isEmpty();
}

} // namespace simulated
