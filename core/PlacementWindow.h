// SPDX-License-Identifier: MIT
#pragma once

// A window whose placement cInifile saves and restores. Geometry is in twips; window states are 0 normal,
// 1 minimised, 2 maximised. Any call may throw when the window cannot give or take what is asked (for
// example a widget that is not a top-level window); the placement members of cInifile catch that.
class PlacementWindow {
public:
    virtual ~PlacementWindow() = default;

    virtual double left() const = 0;
    virtual double top() const = 0;
    virtual double width() const = 0;
    virtual double height() const = 0;
    virtual int windowState() const = 0;
    virtual void setWindowState(int state) = 0;
    // Moves and resizes in one step.
    virtual void moveResize(double left, double top, double width, double height) = 0;

    // The screen the window is on, in twips, and its twips per pixel.
    virtual double screenWidth() const = 0;
    virtual double screenHeight() const = 0;
    virtual double twipsPerPixelX() const = 0;
    virtual double twipsPerPixelY() const = 0;
};
