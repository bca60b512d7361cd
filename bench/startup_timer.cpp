// startup_timer WxH COMMAND [ARGS...]: starts COMMAND and prints the milliseconds until a
// top-level window of W x H pixels is mapped on the X server of DISPLAY, then ends the
// command. Exit code 1 when no such window came within 30 seconds.
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    int w = 0, h = 0;
    if (argc < 3 || std::sscanf(argv[1], "%dx%d", &w, &h) != 2) {
        std::fprintf(stderr, "usage: startup_timer WxH COMMAND [ARGS...]\n");
        return 2;
    }
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "startup_timer: no X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_request_check(x, xcb_change_window_attributes_checked(x, root, XCB_CW_EVENT_MASK, &mask));

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    auto elapsed = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    double mapped = -1;
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (mapped < 0 && elapsed() < 30000) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(x)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                const double at = elapsed();
                xcb_get_geometry_reply_t* g =
                    xcb_get_geometry_reply(x, xcb_get_geometry(x, m->window), nullptr);
                if (g && g->width == w && g->height == h && mapped < 0) mapped = at;
                std::free(g);
            }
            std::free(e);
        }
        if (mapped < 0) poll(&fd, 1, 100);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    xcb_disconnect(x);
    if (mapped < 0) {
        std::fprintf(stderr, "startup_timer: no %dx%d window mapped\n", w, h);
        return 1;
    }
    std::printf("%.1f\n", mapped);
    return 0;
}
