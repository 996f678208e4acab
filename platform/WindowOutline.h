// SPDX-License-Identifier: MIT
#pragma once

class QRegion;
class QWidget;

// The outline of a window that is not a rectangle. On X11 the window's shape cuts it to the outline, for
// drawing and for the pointer alike. X11 windows under a Wayland compositor (XWayland) are drawn whole,
// whatever their shape, with black where the shape cuts them: there the outline comes from the window's alpha
// channel, and only the input shape lets the pointer through outside it.
namespace WindowOutline {

// True when the display server draws windows without their shape, so the outline must come from alpha.
bool drawnFromAlpha();

// Lets the pointer reach `window` only inside `outline` (in the window's pixels), without changing its look.
void setInputOutline(QWidget* window, const QRegion& outline);

} // namespace WindowOutline
