// Times a program's start and quit as the desktop sees them, from X events
// alone: launch until the window manager lists a window of the program's
// process (_NET_CLIENT_LIST on the root window changes), and the close
// request (_NET_CLOSE_WINDOW, as a close box sends it) until the process has
// ended. Nothing is polled.
//   yurimoka_window_timer FOLDER PROGRAM [ARGS...]
// prints "start_ms quit_ms cpu_ms" (cpu: the program's user and system time
// over its whole life, which a busy machine stretches far less than the
// wall clock) and exits 0, or says why and exits 1.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <set>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

std::vector<Window> clientList(Display *d, Window root, Atom list)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::vector<Window> windows;
    if (XGetWindowProperty(d, root, list, 0, 65536, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        const auto *w = reinterpret_cast<Window *>(data);
        windows.assign(w, w + count);
        XFree(data);
    }
    return windows;
}

long windowPid(Display *d, Window w, Atom pidAtom)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(d, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        if (count == 1)
            pid = long(*reinterpret_cast<unsigned long *>(data));
        XFree(data);
    }
    return pid;
}

// Waits for the next X event, at most timeoutMs; false on time-out.
bool nextEvent(Display *d, XEvent &e, int timeoutMs)
{
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!XPending(d)) {
        const int left =
            int(std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count());
        if (left <= 0)
            return false;
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, left);
    }
    XNextEvent(d, &e);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER PROGRAM [ARGS...]\n", argv[0]);
        return 1;
    }
    Display *d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "window_timer: no display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(d);
    const Atom list = XInternAtom(d, "_NET_CLIENT_LIST", False);
    const Atom pidAtom = XInternAtom(d, "_NET_WM_PID", False);
    const Atom closeAtom = XInternAtom(d, "_NET_CLOSE_WINDOW", False);
    XSelectInput(d, root, PropertyChangeMask);
    XSync(d, False);
    const std::vector<Window> before = clientList(d, root, list);
    const std::set<Window> known(before.begin(), before.end());

    const auto t0 = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(argv[1]) != 0)
            _exit(126);
        execv(argv[2], argv + 2);
        _exit(127);
    }
    Window shown = 0;
    double startMs = 0;
    XEvent e;
    while (!shown) {
        if (!nextEvent(d, e, 30000)) {
            std::fprintf(stderr, "window_timer: no window within 30 s\n");
            kill(child, SIGKILL);
            return 1;
        }
        if (e.type != PropertyNotify || e.xproperty.atom != list)
            continue;
        for (Window w : clientList(d, root, list)) {
            if (!known.count(w) && windowPid(d, w, pidAtom) == child) {
                shown = w;
                startMs = msSince(t0);
                break;
            }
        }
    }
    // Let the program settle as a poet would look at it, then close it.
    usleep(300000);
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = shown;
    close.xclient.message_type = closeAtom;
    close.xclient.format = 32;
    close.xclient.data.l[0] = CurrentTime;
    close.xclient.data.l[1] = 2; // from a pager or a tool, as wmctrl says
    const auto t2 = Clock::now();
    XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &close);
    XFlush(d);
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        std::fprintf(stderr, "window_timer: lost the program\n");
        return 1;
    }
    const double quitMs = msSince(t2);
    const double cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    std::printf("%.1f %.1f %.1f\n", startMs, quitMs, cpuMs);
    XCloseDisplay(d);
    return 0;
}
