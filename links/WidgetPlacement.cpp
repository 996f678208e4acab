// SPDX-License-Identifier: MIT
#include "WidgetPlacement.h"

#include <cmath>
#include <stdexcept>

#include <QScreen>

namespace {

int toPixels(double twips) {
    return int(std::lround(twips / WidgetPlacement::twipsPerPixel));
}

} // namespace

QWidget& WidgetPlacement::window() const {
    if (!window_)
        throw std::logic_error("the window no longer exists");
    if (!window_->isWindow())
        throw std::logic_error("the widget is not a top-level window");
    return *window_;
}

double WidgetPlacement::left() const {
    return window().frameGeometry().x() * twipsPerPixel;
}
double WidgetPlacement::top() const {
    return window().frameGeometry().y() * twipsPerPixel;
}
double WidgetPlacement::width() const {
    return window().frameGeometry().width() * twipsPerPixel;
}
double WidgetPlacement::height() const {
    return window().frameGeometry().height() * twipsPerPixel;
}

int WidgetPlacement::windowState() const {
    const Qt::WindowStates states = window().windowState();
    if (states & Qt::WindowMinimized)
        return 1;
    if (states & Qt::WindowMaximized)
        return 2;
    return 0;
}

void WidgetPlacement::setWindowState(int state) {
    QWidget& widget = window();
    switch (state) {
    case 0:
        widget.setWindowState(Qt::WindowNoState);
        return;
    case 1:
        widget.setWindowState(Qt::WindowMinimized);
        return;
    case 2:
        widget.setWindowState(Qt::WindowMaximized);
        return;
    default:
        throw std::invalid_argument("unknown window state");
    }
}

void WidgetPlacement::moveResize(double left, double top, double width, double height) {
    QWidget& widget = window();
    // The frame adds to the client area; the placement is of the whole frame.
    const QRect frame = widget.frameGeometry();
    const QRect client = widget.geometry();
    const int frameWidth = frame.width() - client.width();
    const int frameHeight = frame.height() - client.height();
    widget.move(toPixels(left), toPixels(top));
    widget.resize(std::max(0, toPixels(width) - frameWidth), std::max(0, toPixels(height) - frameHeight));
}

double WidgetPlacement::screenWidth() const {
    const QScreen* screen = window().screen();
    if (!screen)
        throw std::logic_error("the window is on no screen");
    return screen->geometry().width() * twipsPerPixel;
}

double WidgetPlacement::screenHeight() const {
    const QScreen* screen = window().screen();
    if (!screen)
        throw std::logic_error("the window is on no screen");
    return screen->geometry().height() * twipsPerPixel;
}
