#include "platform.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

// A signal handler may only do async-signal-safe work: it writes the signal's number into a socket
// pair, and the event loop, woken by the other end, quits the application. The exit status is the
// shell's for a signal (128 + its number), not success: the launch agent starts again a BREVAK that
// was killed, and only an orderly quit or an uninstall ends it for good.
void quitOnTerminationSignals()
{
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return;
    }
    // The programs BREVAK runs must not inherit the pair; macOS has no SOCK_CLOEXEC to say so at once.
    for (int end : signalPipe) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char signal = 0;
        if (::read(signalPipe[1], &signal, 1) == 1) {
            QCoreApplication::exit(128 + signal);
        }
    });
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace platform
