#include "Processes.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <csignal>
#include <optional>
#include <unistd.h>

namespace simulated {

namespace {

struct ProcessStatus
{
    char state = 0;
    qint64 startTime = 0;
};

// Fields 3 (state) and 22 (start time) of /proc/<pid>/stat. The command name in field 2 may hold
// blanks and parentheses, so the fields are counted from its closing parenthesis.
std::optional<ProcessStatus> readStatus(qint64 processId)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(processId));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray line = file.readAll();
    const qsizetype nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0) {
        return std::nullopt;
    }
    const QList<QByteArray> fields = line.mid(nameEnd + 2).split(' ');
    if (fields.size() < 20 || fields.at(0).isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 startTime = fields.at(19).toLongLong(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return ProcessStatus {fields.at(0).at(0), startTime};
}

} // namespace

ProcessIdentity currentProcess()
{
    const qint64 processId = ::getpid();
    const std::optional<ProcessStatus> status = readStatus(processId);
    return {processId, status ? status->startTime : 0};
}

bool isRunning(const ProcessIdentity& process)
{
    const std::optional<ProcessStatus> status = readStatus(process.processId);
    return status && status->state != 'Z' && status->state != 'X' && status->startTime == process.startTime;
}

bool requestTermination(const ProcessIdentity& process)
{
    return isRunning(process) && ::kill(static_cast<pid_t>(process.processId), SIGTERM) == 0;
}

} // namespace simulated
