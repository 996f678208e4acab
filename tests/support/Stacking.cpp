// SPDX-License-Identifier: MIT
#include "Stacking.h"

#include "platform/x11/X11Tree.h"

#include <algorithm>

namespace Stacking {

Window topLevelOf(Display* display, Window window) {
    return X11Tree::topLevelOf(display, window);
}

int position(Display* display, Window window) {
    const Window top = topLevelOf(display, window);
    if (!top)
        return -1;
    const std::vector<::Window> children = X11Tree::children(display, DefaultRootWindow(display));
    const auto it = std::find(children.begin(), children.end(), top);
    return it == children.end() ? -1 : static_cast<int>(it - children.begin());
}

bool isAbove(Display* display, Window upper, Window lower) {
    const int upperPosition = position(display, upper);
    const int lowerPosition = position(display, lower);
    return upperPosition >= 0 && lowerPosition >= 0 && upperPosition > lowerPosition;
}

} // namespace Stacking
