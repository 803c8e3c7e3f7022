// Times a program from its start to the moment its first window is mapped on the X server: the
// benchmark starts it, watches the root window for MapNotify, and ends it at once. Each program is run
// in turn, several times over, and the median of each is printed.
//
// Usage: brevak-bench-first-window RUNS NAME=COMMAND [NAME=COMMAND...]
//        COMMAND is run by /bin/sh; BEFORE_<n> in the environment, when set, is run (by /bin/sh) before
//        each run of the n-th program (from 1).
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Program
{
    std::string name;
    std::string command;
    std::vector<double> milliseconds;
};

// Starts the command, waits for the first window mapped, ends the program; -1 when none came in
// time.
double timeToFirstWindow(xcb_connection_t* connection, const std::string& command)
{
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", ("exec " + command + " >/dev/null 2>&1").c_str(), nullptr);
        _exit(127);
    }
    double elapsed = -1;
    const Clock::time_point deadline = start + std::chrono::seconds(60);
    while (elapsed < 0 && Clock::now() < deadline) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (!event) {
            usleep(200);
            continue;
        }
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
        free(event);
    }
    kill(-child, SIGKILL);
    waitpid(child, nullptr, 0);
    // Windows unmapped and destroyed as the program ends are not the next program's.
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    while (xcb_generic_event_t* stale = xcb_poll_for_event(connection)) {
        free(stale);
    }
    return elapsed;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RUNS NAME=COMMAND...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const std::size_t equals = argument.find('=');
        programs.push_back({argument.substr(0, equals), argument.substr(equals + 1), {}});
    }

    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "cannot connect to the X server (DISPLAY)\n");
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    for (int run = 0; run < runs; ++run) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            if (const char* before = std::getenv(("BEFORE_" + std::to_string(p + 1)).c_str())) {
                if (std::system(before) != 0) {
                    std::fprintf(stderr, "BEFORE_%zu failed\n", p + 1);
                    return 1;
                }
            }
            const double elapsed = timeToFirstWindow(connection, programs[p].command);
            if (elapsed < 0) {
                std::fprintf(stderr, "%s showed no window within 60 s\n", programs[p].name.c_str());
                return 1;
            }
            programs[p].milliseconds.push_back(elapsed);
        }
    }

    const double yardstick = median(programs.front().milliseconds);
    for (const Program& program : programs) {
        const double value = median(program.milliseconds);
        std::printf("%-28s median %7.1f ms over %d runs, %.2fx %s\n", program.name.c_str(), value, runs,
            value / yardstick, programs.front().name.c_str());
    }
    xcb_disconnect(connection);
    return 0;
}
