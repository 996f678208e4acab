// SPDX-License-Identifier: MIT
#pragma once

#include "Control.h"

#include <QPixmap>
#include <QRegion>
#include <QWidget>
#include <functional>

// A top-level window of the program with the form runtime's geometry: Left, Top, Width and Height in twips of
// the screen, each write taking effect at once. The twips values are kept exactly; the window itself stands
// at the nearest logical pixel. A skinned form bypasses the window manager so that it stands exactly where
// the program puts it, partly off screen if need be.
class Form : public QWidget {
    // The class name is what the accessibility factory is asked about first (forms/Accessibility.cpp).
    Q_OBJECT
public:
    explicit Form(bool bypassWindowManager, QWidget* parent = nullptr);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void moveTwips(int left, int top, int width, int height);

    // The picture painted as the window's background.
    void setBackgroundPicture(const QPixmap& picture);
    const QPixmap& backgroundPicture() const { return background_; }

    // Cuts the window to `outline` (window pixels): outside it the window shows what lies beneath and lets
    // the pointer through. A skinned form is see-through outside the outline on a compositing desktop too.
    void setOutline(const QRegion& outline);
    const QRegion& outline() const { return outline_; }

    // What assistive technology sees the window as: a window (the default) or a dialog. Its name is the
    // accessible name when one is set, else the window title.
    void setAccessibleRole(QAccessible::Role role) { role_ = role; }
    QAccessible::Role accessibleRole() const { return role_; }

    Control::PointerHandler onMouseDown;
    Control::PointerHandler onMouseMove;
    Control::PointerHandler onMouseUp;

    // The screen: the primary monitor's rectangle on the desktop, in twips (its left and top are not 0 when
    // other monitors lie left of or above it).
    static QRect screenTwips();
    static int screenWidthTwips() { return screenTwips().width(); }
    static int screenHeightTwips() { return screenTwips().height(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void place();
    void applyInputOutline();

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    QPixmap background_;
    QRegion outline_;
    QAccessible::Role role_ = QAccessible::Window;
};
