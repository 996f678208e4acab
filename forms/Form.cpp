// SPDX-License-Identifier: MIT
#include "Form.h"

#include "../core/Twips.h"

#include "../platform/WindowOutline.h"
#include "Accessibility.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

Form::Form(bool bypassWindowManager, QWidget* parent) : QWidget(parent) {
    Accessibility::install();
    Qt::WindowFlags flags = Qt::Window;
    if (bypassWindowManager)
        flags = Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::Tool;
    setWindowFlags(flags);
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    // An alpha channel, so that a compositor shows the desktop, not black, where the outline cuts the window.
    if (bypassWindowManager)
        setAttribute(Qt::WA_TranslucentBackground);
}

void Form::setLeft(int twips) {
    left_ = twips;
    place();
}

void Form::setTop(int twips) {
    top_ = twips;
    place();
}

void Form::setWidth(int twips) {
    width_ = twips;
    place();
}

void Form::setHeight(int twips) {
    height_ = twips;
    place();
}

void Form::moveTwips(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    place();
}

void Form::place() {
    const QRect target(twipsToPixels(left_), twipsToPixels(top_), std::max(1, twipsToPixels(width_)),
                       std::max(1, twipsToPixels(height_)));
    if (target.size() != size()) {
        resize(target.size());
        applyInputOutline();
    }
    if (target.topLeft() != pos())
        move(target.topLeft());
}

// The window takes the pointer, and what other programs drag, only inside its outline as far as the window
// reaches now. The region is set explicitly at every change of size: where the outline is only the window's
// shape, the X server narrows the input area with the window without telling anyone, and a drag source that
// read the input area of the retracted tab when its drag began kept using it after the tab had grown.
void Form::applyInputOutline() {
    if (outline_.isEmpty())
        return;
    WindowOutline::setInputOutline(this, outline_ & QRect(QPoint(0, 0), size()));
}

void Form::setBackgroundPicture(const QPixmap& picture) {
    background_ = picture;
    update();
}

void Form::setOutline(const QRegion& outline) {
    outline_ = outline;
    // Under XWayland the shape would only add black around the outline: the alpha channel draws it there.
    if (!WindowOutline::drawnFromAlpha())
        setMask(outline);
    if (outline.isEmpty())
        WindowOutline::setInputOutline(this, QRegion()); // the whole window takes the pointer
    else
        applyInputOutline();
    update();
}

QRect Form::screenTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect g = screen->geometry();
    return {pixelsToTwips(g.x()), pixelsToTwips(g.y()), pixelsToTwips(g.width()), pixelsToTwips(g.height())};
}

void Form::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background_.isNull()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    if (testAttribute(Qt::WA_TranslucentBackground)) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (!outline_.isEmpty())
            painter.setClipRegion(outline_);
    }
    painter.drawPixmap(0, 0, background_);
}

void Form::mousePressEvent(QMouseEvent* event) {
    event->accept();
    deliverPointer(onMouseDown, event);
}

void Form::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    deliverPointer(onMouseMove, event);
}

void Form::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    deliverPointer(onMouseUp, event, true);
}
