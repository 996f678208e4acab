// SPDX-License-Identifier: MIT
#include "../WindowOutline.h"

#include "QtX11Display.h"

#include <QRegion>
#include <QWidget>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

namespace WindowOutline {

bool drawnFromAlpha() {
    Display* display = qtX11Display();
    // XWayland makes this atom when it starts (it governs when a window's content is handed to the
    // compositor); no plain X server has it.
    return display && XInternAtom(display, "_XWAYLAND_ALLOW_COMMITS", True) != None;
}

void setInputOutline(QWidget* window, const QRegion& outline) {
    Display* display = qtX11Display();
    if (!display || !window)
        return;
    const Window id = static_cast<Window>(window->winId());
    if (outline.isEmpty()) { // no outline: the whole window takes the pointer, as with no shape
        XShapeCombineMask(display, id, ShapeInput, 0, 0, None, ShapeSet);
        XFlush(display);
        return;
    }
    const qreal scale = window->devicePixelRatioF();
    std::vector<XRectangle> rectangles;
    for (const QRect& logical : outline) {
        const QRect r(
            QPoint(qRound(logical.left() * scale), qRound(logical.top() * scale)),
            QPoint(qRound((logical.right() + 1) * scale) - 1, qRound((logical.bottom() + 1) * scale) - 1));
        rectangles.push_back({static_cast<short>(r.x()), static_cast<short>(r.y()),
                              static_cast<unsigned short>(r.width()),
                              static_cast<unsigned short>(r.height())});
    }
    XShapeCombineRectangles(display, id, ShapeInput, 0, 0, rectangles.data(),
                            static_cast<int>(rectangles.size()), ShapeSet, Unsorted);
    XFlush(display);
}

} // namespace WindowOutline
