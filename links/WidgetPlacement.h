// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QWidget>

#include "../core/PlacementWindow.h"

// Placement of a top-level QWidget in twips: 15 twips per logical pixel. Left, top, width and height are
// those of the window's frame, so a saved placement restores the same outer rectangle. The screen is the
// one the widget is on. Every call throws std::logic_error when the widget is gone or is not a window.
class WidgetPlacement : public PlacementWindow {
public:
    static constexpr double twipsPerPixel = 15.0;

    explicit WidgetPlacement(QWidget* window) : window_(window) {}

    double left() const override;
    double top() const override;
    double width() const override;
    double height() const override;
    int windowState() const override;
    void setWindowState(int state) override;
    void moveResize(double left, double top, double width, double height) override;
    double screenWidth() const override;
    double screenHeight() const override;
    double twipsPerPixelX() const override { return twipsPerPixel; }
    double twipsPerPixelY() const override { return twipsPerPixel; }

private:
    QWidget& window() const;

    QPointer<QWidget> window_;
};
