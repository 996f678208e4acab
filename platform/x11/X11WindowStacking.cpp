#include "X11WindowStacking.h"

#include "QtX11Display.h"

#include <QWidget>

#include <X11/Xlib.h>

namespace {

// The window's X id when it has a native window already; asking QWidget::winId() would create one for a
// window that was never shown, before its flags are final.
Window nativeWindow(const QWidget* window) {
    return window ? static_cast<Window>(window->internalWinId()) : 0;
}

} // namespace

void X11WindowStacking::setTopMost(QWidget* window, bool on) {
    if (!window)
        return;
    topMost.insert(window, on);
    Display* display = qtX11Display();
    const Window id = nativeWindow(window);
    if (!on || !display || !id)
        return;
    // Sent on Qt's own connection and flushed now, so the raise is not left in the output buffer until
    // the event loop runs again (the caller may be in the middle of a slide).
    XRaiseWindow(display, id);
    XFlush(display);
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
