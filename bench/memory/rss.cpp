// BREVAK's memory at rest and after blocked applications. It starts the real application on a
// simulated Mac of its own (on the X server of DISPLAY, no account server) with one application
// blocked, and reads its resident memory 30 s later, with the window shown and no web page; then it
// brings the blocked application to the front again and again, each time waiting for the block page,
// closing it as a user would, and reading the memory once the page is gone. Prints the figures, and
// what the largest mappings are at rest and at the end.
//
// Usage: brevak-bench-memory [BLOCKS]   (default 11: the first block page, then 10 more)
#include "SimulatedBrevak.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <functional>
#include <xcb/xcb.h>

using bench::out;

namespace {

// VmRSS of the process, in kB.
qint64 residentKilobytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

// The resident memory of each mapped file (anonymous memory as "[anonymous]"), largest first.
QString largestMappings(qint64 pid, int count)
{
    QFile smaps(QStringLiteral("/proc/%1/smaps").arg(pid));
    if (!smaps.open(QIODevice::ReadOnly)) {
        return {};
    }
    QMap<QString, qint64> resident;
    QString current;
    for (const QByteArray& line : smaps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 5 && fields.at(0).contains('-')) {
            current = fields.size() >= 6 ? QString::fromUtf8(fields.at(5)) : QStringLiteral("[anonymous]");
        } else if (fields.size() >= 2 && fields.at(0) == "Rss:") {
            resident[current] += fields.at(1).toLongLong();
        }
    }
    QList<QPair<qint64, QString>> sorted;
    for (auto it = resident.cbegin(); it != resident.cend(); ++it) {
        sorted.append({it.value(), it.key()});
    }
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    QString text;
    for (const auto& [kilobytes, name] : sorted.mid(0, count)) {
        text += QStringLiteral("    %1 MB  %2\n").arg(double(kilobytes) / 1024, 6, 'f', 1).arg(name);
    }
    return text;
}

bool mapsMention(qint64 pid, const QStringList& names)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray all = maps.readAll();
    return std::any_of(
        names.cbegin(), names.cend(), [&all](const QString& name) { return all.contains(name.toUtf8()); });
}

class Display
{
public:
    Display()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_root = screen->root;
        m_screenWidth = screen->width_in_pixels;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~Display() { xcb_disconnect(m_connection); }

    bool connected() const { return !xcb_connection_has_error(m_connection); }

    // Waits for a window as wide as the screen to be mapped (the block page); 0 when none comes.
    xcb_window_t waitForScreenWideWindow(int milliseconds)
    {
        xcb_window_t page = 0;
        waitForEvent(milliseconds, [this, &page](const xcb_generic_event_t* event) {
            if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) {
                return false;
            }
            const xcb_window_t window = reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
            page = width(window) == m_screenWidth ? window : 0;
            return page != 0;
        });
        return page;
    }

    // Asks the window to close, as a window manager does when the user clicks its close button, and
    // waits until it is unmapped.
    bool close(xcb_window_t window, int milliseconds)
    {
        xcb_client_message_event_t message {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(
            m_connection, false, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        xcb_flush(m_connection);
        return waitForEvent(milliseconds, [window](const xcb_generic_event_t* event) {
            return (event->response_type & 0x7f) == XCB_UNMAP_NOTIFY
                && reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window == window;
        });
    }

private:
    // Reads events until one satisfies `wanted`; false when none does in time.
    bool waitForEvent(int milliseconds, const std::function<bool(const xcb_generic_event_t*)>& wanted)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_connection);
            if (!event) {
                QThread::msleep(5);
                continue;
            }
            const bool found = wanted(event);
            free(event);
            if (found) {
                return true;
            }
        }
        return false;
    }

    uint16_t width(xcb_window_t window)
    {
        xcb_get_geometry_reply_t* geometry
            = xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        const uint16_t result = geometry ? geometry->width : 0;
        free(geometry);
        return result;
    }

    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, false, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return result;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
    uint16_t m_screenWidth = 0;
};

void waitSeconds(int seconds)
{
    QThread::sleep(seconds);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int blocks = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 11;
    Display display;
    if (!display.connected()) {
        out() << "cannot connect to the X server (DISPLAY)\n";
        return 1;
    }
    QTemporaryDir root;
    if (!bench::prepareSimulatedMac(
            root.path(), R"({ "dnsLastStatus": true, "blockedAppDetails": ["Lucky Spin Casino"] })")) {
        return 1;
    }

    QProcess brevak;
    QProcessEnvironment environment = bench::brevakEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    brevak.setProcessEnvironment(environment);
    brevak.setStandardOutputFile(QProcess::nullDevice());
    brevak.setStandardErrorFile(QProcess::nullDevice());
    brevak.start(bench::program(QStringLiteral("brevak")), {});
    if (!brevak.waitForStarted()) {
        out() << "BREVAK did not start\n";
        return 1;
    }
    const qint64 pid = brevak.processId();
    waitSeconds(30);
    const QStringList graphicsAndWeb {
        QStringLiteral("WebEngine"), QStringLiteral("libLLVM"), QStringLiteral("_dri.so")};
    out() << "At rest, 30 s after start, window shown, no web page: "
          << QString::number(double(residentKilobytes(pid)) / 1024, 'f', 1)
          << " MB resident; web engine or OpenGL loaded: "
          << (mapsMention(pid, graphicsAndWeb) ? "yes" : "no") << '\n'
          << largestMappings(pid, 6);

    QList<qint64> afterBlocks;
    for (int block = 1; block <= blocks; ++block) {
        if (!bench::simctl({QStringLiteral("activate"), QStringLiteral("Lucky Spin Casino")})) {
            out() << "brevak-simctl activate failed\n";
            return 1;
        }
        const xcb_window_t page = display.waitForScreenWideWindow(60000);
        if (!page) {
            out() << "no block page after block " << block << '\n';
            return 1;
        }
        waitSeconds(3); // the page loads and draws
        if (!display.close(page, 30000)) {
            out() << "the block page did not close after block " << block << '\n';
            return 1;
        }
        waitSeconds(2);
        afterBlocks.append(residentKilobytes(pid));
        out() << "After block " << block
              << ", page closed: " << QString::number(double(afterBlocks.last()) / 1024, 'f', 1) << " MB\n";
    }
    if (afterBlocks.size() > 1) {
        out() << "Growth over the last " << afterBlocks.size() - 1 << " blocks: "
              << QString::number(double(afterBlocks.last() - afterBlocks.first()) / 1024, 'f', 1) << " MB\n"
              << largestMappings(pid, 6);
    }
    brevak.kill();
    brevak.waitForFinished();
    return 0;
}
