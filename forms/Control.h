// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>

// A widget of a form, placed in twips relative to its parent, with the form runtime's pointer events:
// press, move and release carry the button (1 left, 2 right, 4 middle), the shift state (1 Shift, 2 Ctrl,
// 4 Alt) and X, Y in twips relative to the widget; a click follows the release of a left press that ends over
// the widget. Qt's implicit grab delivers the moves and the release to the pressed widget even when the
// pointer leaves it. A disabled or hidden widget receives no pointer events.
class Control : public QWidget {
public:
    using PointerHandler = std::function<void(int button, int shift, double x, double y)>;
    enum class Pointer { Arrow, Hand };

    Control(QWidget* parent, int left, int top, int width, int height);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void setGeometryTwips(int left, int top, int width, int height);

    void setPointer(Pointer pointer);
    Pointer pointer() const { return pointer_; }

    PointerHandler onMouseDown;
    PointerHandler onMouseMove;
    PointerHandler onMouseUp;
    std::function<void()> onClick;

    // The shared pointing-hand cursor (hot spot at the tip of the index finger).
    static QCursor handCursor();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int left_, top_, width_, height_;
    Pointer pointer_ = Pointer::Arrow;
};

// Translates a Qt mouse event into the form runtime's button, shift and twips arguments and calls `handler`.
void deliverPointer(const Control::PointerHandler& handler, const QMouseEvent* event,
                    bool forRelease = false);
