// Starts a program and reports how long it takes until its first top-level window is
// mapped, and how much memory the program holds by then.
//
//   startup_probe SETTLE_MS PROGRAM [ARGUMENT...]
//
// Watches the root window of $DISPLAY for MapNotify (with a window manager that is the
// frame around the new window), then waits SETTLE_MS for the first paint, reads VmHWM
// and VmRSS from /proc, stops the program and prints one line:
//
//   MILLISECONDS_TO_MAP VMHWM_KB VMRSS_KB
#include <xcb/xcb.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double seconds_now(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long status_kb(pid_t pid, const char* field)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    FILE* status = fopen(path, "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    const size_t length = strlen(field);
    while (fgets(line, sizeof line, status)) {
        if (strncmp(line, field, length) == 0 && line[length] == ':') {
            kb = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    fclose(status);
    return kb;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s SETTLE_MS PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    const long settle_ms = std::strtol(argv[1], nullptr, 10);
    int screen_number = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(connection)) {
        fprintf(stderr, "no X display\n");
        return 2;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen_number; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t selected =
        xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &mask);
    std::free(xcb_request_check(connection, selected));  // the selection is in place

    const double start = seconds_now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    if (child < 0)
        return 2;

    double mapped = -1;
    xcb_generic_event_t* event;
    while (mapped < 0 && (event = xcb_wait_for_event(connection))) {
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (!map->override_redirect)
                mapped = seconds_now();
        }
        free(event);
    }
    if (mapped < 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        return 1;
    }
    struct timespec settle = {settle_ms / 1000, (settle_ms % 1000) * 1000000L};
    nanosleep(&settle, nullptr);
    const long hwm = status_kb(child, "VmHWM");
    const long rss = status_kb(child, "VmRSS");
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    xcb_disconnect(connection);
    printf("%.2f %ld %ld\n", (mapped - start) * 1e3, hwm, rss);
    return 0;
}
