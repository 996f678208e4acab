#include "X11WindowStacking.h"

#include "QtX11Display.h"

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
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this] { readRootEvents(); });
}

X11WindowStacking::~X11WindowStacking() {
    notifier.reset();
    if (watch)
        XCloseDisplay(watch);
}

void X11WindowStacking::readRootEvents() {
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
        if (changed && !raised.contains(changed))
            raised.clear();
    }
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
        return;
    }
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

void X11WindowStacking::takeFocus(QWidget* window) {
    Display* display = qtX11Display();
    const Window id = nativeWindow(window);
    // Focusing a window that is not viewable is an error; a hidden window cannot take the keyboard anyway.
    if (!display || !id || !window->isVisible())
        return;
    XSetInputFocus(display, id, RevertToParent, CurrentTime);
    XFlush(display);
}
