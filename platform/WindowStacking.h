#pragma once

class QWidget;

// Top-most placement of a window that bypasses the window manager. While on, raise() puts the window above
// every other window; off leaves it where it is in the normal stacking order.
class WindowStacking {
public:
    virtual ~WindowStacking() = default;
    // Sets the top-most state of `window`; turning it on raises the window at once.
    virtual void setTopMost(QWidget* window, bool on) = 0;
    // Gives keyboard focus to a window that the window manager does not manage, remembering which window
    // had it.
    virtual void takeFocus(QWidget* window) = 0;
    // Gives the keyboard back to the window that had it before takeFocus(), as long as `window` still holds
    // it (a window the user focused since keeps it) and that window still exists.
    virtual void returnFocus(QWidget* window) = 0;
};
