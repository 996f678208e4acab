// SPDX-License-Identifier: MIT
#include "Stacking.h"

#include <X11/Xlib.h>

namespace Stacking {

Window topLevelOf(Display* display, Window window) {
    for (;;) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            return window;
        window = parent;
    }
}

int position(Display* display, Window window) {
    const Window top = topLevelOf(display, window);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!top || !XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return -1;
    int found = -1;
    for (unsigned i = 0; i < count; ++i)
        if (children[i] == top)
            found = static_cast<int>(i);
    if (children)
        XFree(children);
    return found;
}

bool isAbove(Display* display, Window upper, Window lower) {
    const int upperPosition = position(display, upper);
    const int lowerPosition = position(display, lower);
    return upperPosition >= 0 && lowerPosition >= 0 && upperPosition > lowerPosition;
}

} // namespace Stacking
