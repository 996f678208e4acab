// SPDX-License-Identifier: MIT
// Watches and drives the X server from outside the measured program: when a window is mapped, how a window
// moves and resizes, how long a pointer move takes to change the picture on screen. Real input goes through
// XTest; every time is taken with the monotonic clock.
//
//   bench_xprobe startup TITLE -- COMMAND [ARGS...]   exec to the window titled TITLE mapped, in ms; then
//   ends
//                                                     the program (SIGTERM) and waits for it
//   bench_xprobe geometry TITLE                       x y width height of the window titled TITLE
//   bench_xprobe click X Y | move X Y                 real pointer input at a screen pixel
//   bench_xprobe slides TITLE ROUNDS REST_DX REST_DY  opens the retracted tab with a click on its strip,
//   rests
//                                                     the pointer at tab-relative (REST_DX, REST_DY), closes
//                                                     it with a click on the strip again; one line per motion
//   bench_xprobe hover TITLE ROUNDS REST_DX REST_DY PX PY   pointer from the rest point onto (PX, PY), both
//                                                     tab-relative, to a change of the pixels there, in ms

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void sleepMs(double ms) {
    timespec ts{static_cast<time_t>(ms / 1000),
                static_cast<long>(static_cast<long long>(ms * 1e6) % 1000000000)};
    nanosleep(&ts, nullptr);
}

// Windows come and go while we look at them; a request about a vanished one is not a fault here.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

Display* openDisplay() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_xprobe: cannot open the display\n");
        std::exit(2);
    }
    XSetErrorHandler(ignoreErrors);
    return display;
}

std::string propertyText(Display* display, Window window, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        if (format == 8)
            text.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return text;
}

bool titled(Display* display, Window window, const std::string& title) {
    static Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    return propertyText(display, window, netName) == title ||
           propertyText(display, window, XA_WM_NAME) == title;
}

// The window itself or, for a window manager's frame, the client inside it.
std::optional<Window> findTitled(Display* display, Window window, const std::string& title, int depth = 0) {
    if (titled(display, window, title))
        return window;
    if (depth >= 3)
        return std::nullopt;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return std::nullopt;
    std::optional<Window> found;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = findTitled(display, children[i], title, depth + 1);
    if (children)
        XFree(children);
    return found;
}

// The top-level (child of the root) that is or holds the titled window, among the mapped ones.
std::optional<Window> findTopLevel(Display* display, const std::string& title) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return std::nullopt;
    std::optional<Window> found;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
            findTitled(display, children[i], title))
            found = children[i];
    }
    if (children)
        XFree(children);
    return found;
}

Window waitForTopLevel(Display* display, const std::string& title, double timeoutMs = 10000) {
    const double end = nowMs() + timeoutMs;
    while (nowMs() < end) {
        if (auto window = findTopLevel(display, title))
            return *window;
        sleepMs(20);
    }
    std::fprintf(stderr, "bench_xprobe: no window titled %s\n", title.c_str());
    std::exit(3);
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

Geometry geometryOf(Display* display, Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
}

void moveTo(Display* display, int x, int y) {
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XFlush(display);
}

void click(Display* display, int x, int y) {
    moveTo(display, x, y);
    sleepMs(30);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XFlush(display);
    sleepMs(40);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
}

// Waits for the next event up to `timeoutMs`; false on timeout.
bool nextEvent(Display* display, XEvent& event, double timeoutMs) {
    const double end = nowMs() + timeoutMs;
    while (!XPending(display)) {
        const double left = end - nowMs();
        if (left <= 0)
            return false;
        pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
        poll(&descriptor, 1, static_cast<int>(left) + 1);
    }
    XNextEvent(display, &event);
    return true;
}

// ---- startup ----

int startup(const std::string& title, char** command) {
    Display* display = openDisplay();
    const Window root = DefaultRootWindow(display);
    // Override-redirect windows report their own MapNotify here; managed ones report their frame's.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double start = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        std::perror("bench_xprobe: exec");
        _exit(127);
    }
    double mapped = -1;
    XEvent event;
    while (mapped < 0 && nextEvent(display, event, 20000 - (nowMs() - start))) {
        if (event.type == MapNotify && findTitled(display, event.xmap.window, title))
            mapped = nowMs();
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    XCloseDisplay(display);
    if (mapped < 0) {
        std::fprintf(stderr, "bench_xprobe: %s was not mapped within 20 s\n", title.c_str());
        return 1;
    }
    std::printf("%.3f\n", mapped - start);
    return 0;
}

// ---- slides ----

struct Change {
    double at;
    int x, y, width, height;
};

// Records the tab window's geometry changes until it has rested for `quietMs` after `settled` holds.
std::vector<Change> record(Display* display, Window tab, Geometry& current, double quietMs, double timeoutMs,
                           const auto& settled) {
    std::vector<Change> changes;
    const double end = nowMs() + timeoutMs;
    double last = nowMs();
    XEvent event;
    while (nowMs() < end) {
        if (!nextEvent(display, event, 10)) {
            if (settled(current) && nowMs() - last >= quietMs)
                break;
            continue;
        }
        if (event.type != ConfigureNotify || event.xconfigure.window != tab)
            continue;
        const XConfigureEvent& c = event.xconfigure;
        if (c.x == current.x && c.y == current.y && c.width == current.width && c.height == current.height)
            continue;
        last = nowMs();
        changes.push_back({last, c.x, c.y, c.width, c.height});
        current = {c.x, c.y, c.width, c.height};
    }
    return changes;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double rank = p * (values.size() - 1);
    const size_t low = static_cast<size_t>(rank);
    const size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (rank - low);
}

// One motion: the changes of one kind (x or height) in a row. Prints its duration (first change to last), the
// number of changes, and the median and 95th percentile of the intervals between them.
void report(const char* name, const std::vector<Change>& changes, bool horizontal, int previousX,
            int previousHeight) {
    std::vector<double> times;
    int x = previousX, height = previousHeight;
    for (const Change& c : changes) {
        if (horizontal ? c.x != x : c.height != height)
            times.push_back(c.at);
        x = c.x;
        height = c.height;
    }
    std::vector<double> intervals;
    for (size_t i = 1; i < times.size(); ++i)
        intervals.push_back(times[i] - times[i - 1]);
    const double duration = times.size() > 1 ? times.back() - times.front() : 0;
    std::printf("%s duration_ms=%.3f changes=%zu step_median_ms=%.3f step_p95_ms=%.3f\n", name, duration,
                times.size(), percentile(intervals, 0.5), percentile(intervals, 0.95));
}

int slides(const std::string& title, int rounds, int restDx, int restDy) {
    Display* display = openDisplay();
    const Window root = DefaultRootWindow(display);
    const Window tab = waitForTopLevel(display, title);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    const Geometry retracted = geometryOf(display, tab);

    for (int round = 0; round < rounds; ++round) {
        Geometry current = geometryOf(display, tab);
        const Geometry before = current;
        // Out: the click on the strip slides the tab out, then it grows to its full height.
        click(display, before.x + 3, before.y + 40);
        auto out = record(display, tab, current, 400, 8000,
                          [&](const Geometry& g) { return g.x < retracted.x && g.height > before.height; });
        // Each motion counts only its own kind of change, whatever else happens in between.
        report("slide_out", out, true, before.x, before.height);
        report("grow", out, false, before.x, before.height);

        const Geometry open = current;
        moveTo(display, open.x + restDx, open.y + restDy);
        sleepMs(300);
        // In: the same strip, now on the open tab's left edge, shrinks the tab and slides it back.
        click(display, open.x + 3, open.y + 40);
        auto in = record(display, tab, current, 400, 8000,
                         [&](const Geometry& g) { return g.x >= retracted.x && g.height < open.height; });
        report("shrink", in, false, open.x, open.height);
        report("slide_in", in, true, open.x, open.height);
        moveTo(display, 600, 600);
        sleepMs(300);
    }
    XCloseDisplay(display);
    return 0;
}

// ---- hover ----

// The screen pixels of a rectangle, without the pointer (the server hides its own cursor from reads).
std::vector<unsigned long> pixels(Display* display, int x, int y, int width, int height) {
    std::vector<unsigned long> values;
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, width, height, AllPlanes, ZPixmap);
    if (!image)
        return values;
    values.reserve(static_cast<size_t>(width * height));
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            values.push_back(XGetPixel(image, i, j));
    XDestroyImage(image);
    return values;
}

int hover(const std::string& title, int rounds, int restDx, int restDy, int px, int py) {
    Display* display = openDisplay();
    const Window tab = waitForTopLevel(display, title);
    const Geometry g = geometryOf(display, tab);
    // The watched region: the button's row beside and right of the pointer's spot, clear of the cursor.
    const int rx = g.x + px + 24, ry = g.y + py - 6, rw = 50, rh = 12;
    for (int round = 0; round < rounds; ++round) {
        moveTo(display, g.x + restDx, g.y + restDy);
        sleepMs(400); // the highlight is cleared and everything has been drawn
        const std::vector<unsigned long> resting = pixels(display, rx, ry, rw, rh);
        const double start = nowMs();
        moveTo(display, g.x + px, g.y + py);
        double changed = -1;
        while (nowMs() - start < 1000) {
            if (pixels(display, rx, ry, rw, rh) != resting) {
                changed = nowMs();
                break;
            }
            sleepMs(0.25);
        }
        if (changed < 0)
            std::printf("hover_ms=timeout\n");
        else
            std::printf("hover_ms=%.3f\n", changed - start);
        std::fflush(stdout);
    }
    moveTo(display, g.x + restDx, g.y + restDy);
    XCloseDisplay(display);
    return 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: bench_xprobe startup TITLE -- COMMAND... | geometry TITLE | click X Y | move X Y"
                 " | slides TITLE ROUNDS RDX RDY | hover TITLE ROUNDS RDX RDY PX PY\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    const std::string what = argv[1];
    if (what == "startup" && argc >= 5 && std::strcmp(argv[3], "--") == 0)
        return startup(argv[2], argv + 4);
    if (what == "geometry" && argc == 3) {
        Display* display = openDisplay();
        const Geometry g = geometryOf(display, waitForTopLevel(display, argv[2]));
        std::printf("%d %d %d %d\n", g.x, g.y, g.width, g.height);
        XCloseDisplay(display);
        return 0;
    }
    if ((what == "click" || what == "move") && argc == 4) {
        Display* display = openDisplay();
        if (what == "click")
            click(display, std::atoi(argv[2]), std::atoi(argv[3]));
        else
            moveTo(display, std::atoi(argv[2]), std::atoi(argv[3]));
        XCloseDisplay(display);
        return 0;
    }
    if (what == "slides" && argc == 6)
        return slides(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (what == "hover" && argc == 8)
        return hover(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]),
                     std::atoi(argv[7]));
    return usage();
}
