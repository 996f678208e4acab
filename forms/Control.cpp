// SPDX-License-Identifier: MIT
#include "Control.h"

#include "../core/Twips.h"
#include "AccessibleGroup.h"
#include "FocusReturn.h"
#include "ImageList.h"

#include <QAccessibleEvent>
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

// ---- assistive technology ----

void Control::announce(QAccessible::Event event) {
    QAccessibleEvent change(this, event);
    QAccessible::updateAccessibility(&change);
}

void Control::setAccessibleRole(QAccessible::Role role) {
    if (role == access_.role)
        return;
    access_.role = role;
    // The node changes kind: the bus reads it afresh from its parent.
    announce(QAccessible::ObjectReorder);
}

void Control::setAccessibleTexts(const QString& name, const QString& description) {
    if (name != access_.name) {
        access_.name = name;
        announce(QAccessible::NameChanged);
    }
    if (description != access_.description) {
        access_.description = description;
        announce(QAccessible::DescriptionChanged);
    }
}

void Control::setAccessibleChecked(bool checked) {
    if (access_.checkable && checked == access_.checked)
        return;
    QAccessible::State changed;
    changed.checkable = !access_.checkable;
    changed.checked = true;
    access_.checkable = true;
    access_.checked = checked;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void Control::setAccessibleSelected(bool selected) {
    if (access_.selectable && selected == access_.selected)
        return;
    QAccessible::State changed;
    changed.selectable = !access_.selectable;
    changed.selected = true;
    access_.selectable = true;
    access_.selected = selected;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void Control::setKeyboardStop(bool stop) {
    if (stop == access_.keyboardStop)
        return;
    access_.keyboardStop = stop;
    QAccessible::State changed;
    changed.focusable = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void Control::joinAccessibleGroup(AccessibleGroup& group) {
    access_.group = &group;
    group.add(this);
}

bool Control::activate() {
    if (!isVisible() || !isEnabled())
        return false;
    // Asked for by the keyboard or assistive technology: a dialog it opens gives the keyboard back here.
    const FocusReturn::Opening opening(this);
    if (action_) {
        action_();
        return true;
    }
    const double x = width() * kTwipsPerPixel / 2.0;
    const double y = height() * kTwipsPerPixel / 2.0;
    if (onMouseDown)
        onMouseDown(1, 0, x, y);
    // The handlers may hide or disable this widget, as after a real press.
    if (onMouseUp)
        onMouseUp(1, 0, x, y);
    if (onClick && isVisible() && isEnabled())
        onClick();
    return true;
}
