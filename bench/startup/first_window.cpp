// Times a program from its start to the moment its first window is mapped on the X server, and to the
// moment something is drawn in the middle of that window (a bare window draws nothing there): the
// benchmark starts it, watches the root window for MapNotify, samples the window's middle, and ends the
// program. Each program is run in turn, several times over, and the medians are printed.
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
    std::vector<double> windows;
    std::vector<double> contents; // only when every run drew something
};

// Whether the middle of the window shows more than one colour: something is drawn in it.
bool drawn(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_get_geometry_reply_t* geometry
        = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    if (!geometry) {
        return false;
    }
    const uint16_t side = std::min<uint16_t>(64, std::min(geometry->width, geometry->height));
    const int16_t x = int16_t(geometry->width / 2 - side / 2);
    const int16_t y = int16_t(geometry->height / 2 - side / 2);
    free(geometry);
    xcb_get_image_reply_t* image = xcb_get_image_reply(connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, side, side, ~0u), nullptr);
    if (!image) {
        return false;
    }
    const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image));
    const int count = xcb_get_image_data_length(image) / 4;
    const bool several
        = std::any_of(pixels, pixels + count, [first = pixels[0]](uint32_t p) { return p != first; });
    free(image);
    return several;
}

struct Timing
{
    double window = -1; // the first window mapped
    double content = -1; // something drawn in its middle; -1 when nothing came
};

// Starts the command, waits for its first window and for something drawn in it, ends the program.
Timing timeToFirstWindow(xcb_connection_t* connection, const std::string& command)
{
    const Clock::time_point start = Clock::now();
    const auto since
        = [start] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", ("exec " + command + " >/dev/null 2>&1").c_str(), nullptr);
        _exit(127);
    }
    Timing timing;
    xcb_window_t window = 0;
    while (timing.window < 0 && since() < 60000) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (!event) {
            usleep(200);
            continue;
        }
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            timing.window = since();
            window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
        }
        free(event);
    }
    // A window that shows only its background, as the bare one does, is given two seconds.
    while (timing.window >= 0 && since() < timing.window + 2000) {
        if (drawn(connection, window)) {
            timing.content = since();
            break;
        }
        usleep(500);
    }
    kill(-child, SIGKILL);
    waitpid(child, nullptr, 0);
    // Windows unmapped and destroyed as the program ends are not the next program's.
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    while (xcb_generic_event_t* stale = xcb_poll_for_event(connection)) {
        free(stale);
    }
    return timing;
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
        programs.push_back({argument.substr(0, equals), argument.substr(equals + 1), {}, {}});
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
            const Timing timing = timeToFirstWindow(connection, programs[p].command);
            if (timing.window < 0) {
                std::fprintf(stderr, "%s showed no window within 60 s\n", programs[p].name.c_str());
                return 1;
            }
            programs[p].windows.push_back(timing.window);
            if (timing.content >= 0) {
                programs[p].contents.push_back(timing.content);
            }
        }
    }

    const double yardstick = median(programs.front().windows);
    for (const Program& program : programs) {
        const double value = median(program.windows);
        std::printf("%-24s first window: median %6.1f ms over %d runs, %.2fx %s", program.name.c_str(), value,
            runs, value / yardstick, programs.front().name.c_str());
        if (program.contents.size() == std::size_t(runs)) {
            std::printf("; drawn in its middle: median %6.1f ms", median(program.contents));
        }
        std::printf("\n");
    }
    xcb_disconnect(connection);
    return 0;
}
