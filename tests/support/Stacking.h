// SPDX-License-Identifier: MIT
#pragma once

// The X server's stacking order of top-level windows, read through a given connection. Windows are X ids
// (Window); the header leaves Xlib out, whose macros clash with Qt's names.
struct _XDisplay;

namespace Stacking {
using Display = ::_XDisplay;
using Window = unsigned long;

// The child of the root that holds `window`: the window itself when it bypasses the window manager, its frame
// when the window manager has reparented it; 0 when the window is gone.
Window topLevelOf(Display* display, Window window);
// The position of the window's top level among the root's children, bottom first (higher is nearer the
// top); -1 when not found.
int position(Display* display, Window window);
// Whether both windows are stacked and `upper` is above `lower`.
bool isAbove(Display* display, Window upper, Window lower);
} // namespace Stacking
