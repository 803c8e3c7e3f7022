#include "Reachability.h"

#include "NotificationCenter.h"

#include <QMetaObject>
#include <QPointer>

namespace {

// Runs `work` on the monitor's serial thread and waits for it; at once when already there.
template<typename Work>
void runOnSerialThread(QObject* source, Work work)
{
    if (QThread::currentThread() == source->thread()) {
        work();
    } else {
        QMetaObject::invokeMethod(source, work, Qt::BlockingQueuedConnection);
    }
}

} // namespace

QString ReachabilityError::description() const
{
    switch (kind) {
    case Kind::failedToCreateWithAddress:
        return QStringLiteral("failedToCreateWithAddress(%1, %2)").arg(subject).arg(code);
    case Kind::failedToCreateWithHostname:
        return QStringLiteral("failedToCreateWithHostname(%1, %2)").arg(subject).arg(code);
    case Kind::unableToSetCallback:
        return QStringLiteral("unableToSetCallback(%1)").arg(code);
    case Kind::unableToSetDispatchQueue:
        return QStringLiteral("unableToSetDispatchQueue(%1)").arg(code);
    case Kind::unableToGetFlags:
        return QStringLiteral("unableToGetFlags(%1)").arg(code);
    }
    return {};
}

std::unique_ptr<Reachability> Reachability::forInternetConnection(
    bool notifyOnMainThread, ReachabilityError* error)
{
    std::unique_ptr<platform::ReachabilityFlagsSource> source = platform::createReachabilityFlagsSource();
    if (!source) {
        if (error) {
            *error = {ReachabilityError::Kind::failedToCreateWithAddress, -1, QStringLiteral("0.0.0.0")};
        }
        return nullptr;
    }
    return std::make_unique<Reachability>(std::move(source), notifyOnMainThread);
}

Reachability::Reachability(std::unique_ptr<platform::ReachabilityFlagsSource> source, bool notifyOnMainThread)
    : m_source(std::move(source))
    , m_notifyOnMainThread(notifyOnMainThread)
{
    m_serialThread.setObjectName(QStringLiteral("com.mac.brevak.reachability"));
    m_source->setParent(nullptr);
    m_source->moveToThread(&m_serialThread);
    m_serialThread.start();
}

Reachability::~Reachability()
{
    stopNotifications();
    m_serialThread.quit();
    m_serialThread.wait();
}

std::optional<ReachabilityError> Reachability::startNotifications()
{
    if (m_notifierRunning) {
        return std::nullopt;
    }
    // The platform callback holds the monitor weakly: a report that arrives after the monitor is
    // gone finds the pointer empty and does nothing.
    QPointer<Reachability> weakSelf(this);
    m_callback = connect(m_source.get(), &platform::ReachabilityFlagsSource::flagsChanged, m_source.get(),
        [weakSelf](quint32 flags) {
            if (Reachability* self = weakSelf.data()) {
                self->setFlags(flags);
            }
        });

    int code = 0;
    runOnSerialThread(m_source.get(), [&] { code = m_source->start(); });
    if (code != 0) {
        stopNotifications();
        return ReachabilityError {ReachabilityError::Kind::unableToSetCallback, code, {}};
    }
    if (std::optional<ReachabilityError> error = updateFlags()) {
        return error;
    }
    m_notifierRunning = true;
    return std::nullopt;
}

void Reachability::stopNotifications()
{
    disconnect(m_callback);
    runOnSerialThread(m_source.get(), [this] { m_source->stop(); });
    m_notifierRunning = false;
}

std::optional<ReachabilityError> Reachability::updateFlags()
{
    platform::ReachabilityFlagsSource::Reading reading;
    runOnSerialThread(m_source.get(), [&] { reading = m_source->read(); });
    if (!reading.flags) {
        stopNotifications();
        return ReachabilityError {ReachabilityError::Kind::unableToGetFlags, reading.errorCode, {}};
    }
    setFlags(*reading.flags);
    return std::nullopt;
}

void Reachability::setFlags(quint32 flags)
{
    const qint64 previous = m_flags.exchange(flags);
    if (previous == qint64(flags)) {
        return;
    }
    if (m_notifyOnMainThread) {
        QMetaObject::invokeMethod(this, &Reachability::reportChange, Qt::QueuedConnection);
    } else {
        reportChange();
    }
}

void Reachability::reportChange()
{
    const Connection connection = currentConnection();
    const Callback& callback = connection != Connection::unavailable ? whenReachable : whenUnreachable;
    if (callback) {
        callback(*this);
    }
    NotificationCenter::shared().post(
        QString::fromLatin1(notifications::reachabilityChanged), QVariant::fromValue<QObject*>(this), this);
}

std::optional<quint32> Reachability::flags() const
{
    const qint64 value = m_flags.load();
    if (value < 0) {
        return std::nullopt;
    }
    return static_cast<quint32>(value);
}

Reachability::Connection Reachability::currentConnection()
{
    // Without running notifications nothing keeps the flags current: a monitor that could not start
    // them reads afresh every time, so that it follows the network instead of its first reading.
    if (!m_notifierRunning || !flags()) {
        platform::ReachabilityFlagsSource::Reading reading;
        runOnSerialThread(m_source.get(), [&] { reading = m_source->read(); });
        if (reading.flags) {
            setFlags(*reading.flags);
        } else if (!m_notifierRunning) {
            m_flags = -1;
        }
    }
    return connectionFor(flags());
}

Reachability::Connection Reachability::connectionFor(std::optional<quint32> flags)
{
    if (!flags || !(*flags & Reachable)) {
        return Connection::unavailable;
    }
    if ((*flags & (ConnectionOnTraffic | ConnectionOnDemand)) && !(*flags & InterventionRequired)) {
        return Connection::wifi;
    }
    return (*flags & ConnectionRequired) ? Connection::unavailable : Connection::wifi;
}

QString Reachability::connectionText(Connection connection)
{
    switch (connection) {
    case Connection::unavailable:
        return QStringLiteral("No Connection");
    case Connection::wifi:
        return QStringLiteral("WiFi");
    case Connection::cellular:
        return QStringLiteral("Cellular");
    }
    return {};
}

QString Reachability::flagsText(quint32 flags)
{
    const auto letter = [flags](quint32 flag, char c) { return QLatin1Char((flags & flag) ? c : '-'); };
    QString text;
    text += QLatin1Char('-'); // W: no flag of this platform marks a cellular connection
    text += letter(Reachable, 'R');
    text += QLatin1Char(' ');
    text += letter(ConnectionRequired, 'c');
    text += letter(TransientConnection, 't');
    text += letter(InterventionRequired, 'i');
    text += letter(ConnectionOnTraffic, 'C');
    text += letter(ConnectionOnDemand, 'D');
    text += letter(IsLocalAddress, 'l');
    text += letter(IsDirect, 'd');
    return text;
}

QString Reachability::description() const
{
    const std::optional<quint32> known = flags();
    return known ? flagsText(*known) : QStringLiteral("unavailable flags");
}
