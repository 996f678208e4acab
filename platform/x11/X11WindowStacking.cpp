#include "X11WindowStacking.h"

#include "QtX11Display.h"

#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QWidget>

#include <X11/Xlib.h>

namespace {

// The window's X id when it has a native window already; asking QWidget::winId() would create one for a
// window that was never shown, before its flags are final.
Window nativeWindow(const QWidget* window) {
    return window ? static_cast<Window>(window->internalWinId()) : 0;
}

} // namespace

X11WindowStacking::X11WindowStacking() {
    Display* qt = qtX11Display();
    if (!qt)
        return;
    watch = XOpenDisplay(DisplayString(qt));
    if (!watch)
        return;
    XSelectInput(watch, DefaultRootWindow(watch), SubstructureNotifyMask);
    XFlush(watch);
    notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(watch), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [this] { readRootEvents(); });
}

X11WindowStacking::~X11WindowStacking() {
    notifier.reset();
    if (watch)
        XCloseDisplay(watch);
}

void X11WindowStacking::readRootEvents() {
    if (!watch)
        return;
    while (XPending(watch) > 0) {
        XEvent event;
        XNextEvent(watch, &event);
        Window changed = 0;
        switch (event.type) {
        case MapNotify:
            changed = event.xmap.window;
            break;
        case ConfigureNotify:
            changed = event.xconfigure.window;
            break;
        case CirculateNotify:
            changed = event.xcirculate.window;
            break;
        case ReparentNotify:
            changed = event.xreparent.window;
            break;
        default:
            break;
        }
        // Our own windows moving or being raised change nothing for the others; anything else may now stand
        // above them.
        if (changed && !raised.contains(changed) && !normal.contains(changed)) {
            raised.clear();
            othersChanged = true;
        }
    }
    // A window manager keeps the windows it manages below those that bypass it, so a window that is not
    // top-most follows the others down each time one of them is mapped or raised.
    if (othersChanged && !normal.isEmpty() && !placing) {
        othersChanged = false;
        placing = true;
        Display* display = qtX11Display();
        for (auto it = normal.cbegin(); display && it != normal.cend(); ++it)
            placeAmongOthers(display, it.key());
        placing = false;
    }
}

bool X11WindowStacking::eventFilter(QObject* watched, QEvent* event) {
    // A press on a window that is not top-most brings it to the front, as activating any window would.
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        const Window id = nativeWindow(static_cast<QWidget*>(watched)->window());
        Display* display = qtX11Display();
        if (display && id && normal.contains(id)) {
            XRaiseWindow(display, id);
            XFlush(display);
        }
    }
    return false;
}

void X11WindowStacking::setTopMost(QWidget* window, bool on) {
    if (!window)
        return;
    topMost.insert(window, on);
    Display* display = qtX11Display();
    const Window id = nativeWindow(window);
    if (!display || !id)
        return;
    if (!on) {
        raised.remove(id);
        if (normal.isEmpty())
            qApp->installEventFilter(this);
        normal.insert(id, true);
        placeAmongOthers(display, id);
        return;
    }
    if (normal.remove(id) && normal.isEmpty())
        qApp->removeEventFilter(this);
    if (watch) {
        readRootEvents();
        if (raised.value(id, false))
            return; // nothing was mapped or restacked since this window was raised
    }
    // Sent on Qt's own connection and flushed now, so the raise is not left in the output buffer until
    // the event loop runs again (the caller may be in the middle of a slide).
    XRaiseWindow(display, id);
    XFlush(display);
    raised.insert(id, true);
}

void X11WindowStacking::placeAmongOthers(Display* display, unsigned long id) {
    // Back in the normal order: just below the highest window of another program that the window manager
    // manages, so that windows raised or opened from now on come above it, while the desktop and the
    // windows below stay beneath. Windows bypassing the manager (menus, tooltips) are left out of the count.
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return;
    Window highest = 0;
    for (unsigned int i = count; i-- > 0;) {
        XWindowAttributes attributes;
        if (children[i] == id || raised.contains(children[i]) ||
            !XGetWindowAttributes(display, children[i], &attributes))
            continue;
        if (attributes.map_state == IsViewable && !attributes.override_redirect) {
            highest = children[i];
            break;
        }
    }
    if (children)
        XFree(children);
    if (!highest)
        return;
    XWindowChanges changes{};
    changes.sibling = highest;
    changes.stack_mode = Below;
    XConfigureWindow(display, id, CWSibling | CWStackMode, &changes);
    XFlush(display);
}

void X11WindowStacking::takeFocus(QWidget* window) {
    Display* display = qtX11Display();
    const Window id = nativeWindow(window);
    // Focusing a window that is not viewable is an error; a hidden window cannot take the keyboard anyway.
    if (!display || !id || !window->isVisible())
        return;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    // PointerRoot and None name no window to give the keyboard back to.
    if (focus != id && focus != PointerRoot && focus != None)
        focusBefore = focus;
    XSetInputFocus(display, id, RevertToParent, CurrentTime);
    XFlush(display);
}

void X11WindowStacking::returnFocus(QWidget* window) {
    Display* display = qtX11Display();
    const Window id = nativeWindow(window);
    const Window before = focusBefore;
    focusBefore = 0;
    if (!display || !id || !before)
        return;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus != id)
        return; // the user has focused another window since
    // Only a window that still exists and is on screen can take the keyboard; the query is made on the
    // private connection, where a window that is gone is a reply of failure rather than an error on Qt's.
    if (!watch)
        return;
    XWindowAttributes attributes;
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    const bool viewable =
        XGetWindowAttributes(watch, before, &attributes) && attributes.map_state == IsViewable;
    XSync(watch, False);
    XSetErrorHandler(previous);
    if (!viewable)
        return;
    XSetInputFocus(display, before, RevertToParent, CurrentTime);
    XFlush(display);
}
