// SPDX-License-Identifier: MIT
#include "Control.h"

#include "../core/Twips.h"
#include "ImageList.h"

#include <QMouseEvent>

namespace {
int buttonCode(Qt::MouseButtons buttons) {
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

int shiftCode(Qt::KeyboardModifiers mods) {
    int code = 0;
    if (mods & Qt::ShiftModifier)
        code |= 1;
    if (mods & Qt::ControlModifier)
        code |= 2;
    if (mods & Qt::AltModifier)
        code |= 4;
    return code;
}
} // namespace

void deliverPointer(const Control::PointerHandler& handler, const QMouseEvent* event, bool forRelease) {
    if (!handler)
        return;
    const QPointF p = event->position();
    const int button = buttonCode(forRelease ? Qt::MouseButtons(event->button()) : event->buttons());
    handler(button, shiftCode(event->modifiers()), p.x() * kTwipsPerPixel, p.y() * kTwipsPerPixel);
}

Control::Control(QWidget* parent, int left, int top, int width, int height)
    : QWidget(parent), left_(left), top_(top), width_(width), height_(height) {
    setMouseTracking(true);
    setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void Control::setGeometryTwips(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void Control::setPointer(Pointer pointer) {
    if (pointer == pointer_)
        return;
    pointer_ = pointer;
    if (pointer == Pointer::Hand)
        setCursor(handCursor());
    else
        unsetCursor();
}

QCursor Control::handCursor() {
    static const QCursor hand = [] {
        const QPixmap pm = ImageList::load(QStringLiteral("hand"));
        return pm.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(pm, 5, 0);
    }();
    return hand;
}

void Control::mousePressEvent(QMouseEvent* event) {
    event->accept();
    deliverPointer(onMouseDown, event);
}

void Control::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    deliverPointer(onMouseMove, event);
}

void Control::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    // The handlers may hide or disable this widget; keep what the click test needs first.
    const bool leftRelease = event->button() == Qt::LeftButton;
    const bool inside = rect().contains(event->position().toPoint());
    deliverPointer(onMouseUp, event, true);
    if (leftRelease && inside && onClick && isVisible() && isEnabled())
        onClick();
}
