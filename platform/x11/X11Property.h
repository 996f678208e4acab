// SPDX-License-Identifier: MIT
#pragma once

#include <X11/Xlib.h>

// Whether the window carries the property, of whatever type.
inline bool hasProperty(Display* display, Window window, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &type,
                                          &format, &count, &remaining, &data) == Success &&
                       type != None;
    if (data)
        XFree(data);
    return found;
}
