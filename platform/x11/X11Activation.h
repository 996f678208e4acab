// SPDX-License-Identifier: MIT
#pragma once

#include <X11/Xlib.h>

// Asks the window manager to make a managed window active (raised, with the keyboard) as a pager does for
// the user: _NET_ACTIVE_WINDOW with source 2, which managers honour without their focus-stealing checks.
// The caller flushes.
inline void requestActivation(Display* display, Window window) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = 2;
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &message);
}
