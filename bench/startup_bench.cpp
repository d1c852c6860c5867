// SPDX-License-Identifier: GPL-3.0-or-later
// Start -> window mapped, the program against a minimal Qt hello window, alternating:
// each is started as a process and timed until the X server maps its first top-level
// window, then ended.
//
// usage: startup_bench PROGRAM HELLO [RUNS] [PROGRAM_ARGUMENTS...]   (DISPLAY: the X server)
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

double secondsNow()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Milliseconds from the start of `argv[0]` to the mapping of a window of its own.
double timeToMapped(xcb_connection_t *x, std::vector<char *> argv)
{
    argv.push_back(nullptr);
    while (xcb_generic_event_t *stale = xcb_poll_for_event(x))
        std::free(stale);
    const double started = secondsNow();
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1.0;
    double mapped = -1.0;
    while (mapped < 0) {
        xcb_generic_event_t *event = xcb_wait_for_event(x);
        if (event == nullptr)
            break;
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY)
            mapped = secondsNow();
        std::free(event);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return 1000.0 * (mapped - started);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench PROGRAM HELLO [RUNS] [PROGRAM_ARGUMENTS...]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 20;
    xcb_connection_t *x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x))
        return 2;
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    std::vector<char *> program{argv[1]};
    for (int i = 4; i < argc; ++i)
        program.push_back(argv[i]);
    const std::vector<char *> hello{argv[2]};
    std::vector<double> programMs, helloMs, ratios;
    for (int run = 0; run < runs; ++run) {
        const double a = timeToMapped(x, program);
        const double b = timeToMapped(x, hello);
        programMs.push_back(a);
        helloMs.push_back(b);
        ratios.push_back(a / b);
    }
    std::printf("start -> window mapped, %d alternating runs: program median %.1f ms, Qt hello window %.1f ms, "
                "paired ratio median %.2f\n", runs, median(programMs), median(helloMs), median(ratios));
    xcb_disconnect(x);
    return 0;
}
