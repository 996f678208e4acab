// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

class QWidget;

// Top-most placement of a window that bypasses the window manager. While on, the window stands above every
// other window, except those a user must never find covered: a window that fills a whole monitor (a screen
// locker, a full-screen video), another program's menus and pop-ups while they show, and the program's own
// dialogs while they show. Off leaves it where it is in the normal stacking order.
class WindowStacking {
public:
    virtual ~WindowStacking() = default;
    // Sets the top-most state of `window`; turning it on raises the window at once. Top-most windows move
    // together: the one made top-most last stands highest.
    virtual void setTopMost(QWidget* window, bool on) = 0;
    // Gives keyboard focus to a window that the window manager does not manage, remembering which window
    // had it.
    virtual void takeFocus(QWidget* window) = 0;
    // Gives the keyboard back to the window that had it before takeFocus(), as long as `window` still holds
    // it (a window the user focused since keeps it) and that window still exists.
    virtual void returnFocus(QWidget* window) = 0;
    // Gives the keyboard back to `window`, which held it after takeFocus() until one of the program's own
    // dialogs took it, keeping the window that had it before for returnFocus().
    virtual void regainFocus(QWidget* window) = 0;
    // From now on calls `changed` each time another window is mapped, moved or restacked, or the screen
    // changes size. False when this platform cannot tell; the caller then has to look again from time to
    // time.
    virtual bool watchOthers(std::function<void()> changed) = 0;
    // While on, the top-most windows stand just below `dialog`, a dialog of the program that shows, so that
    // the dialog stays in view and can be answered with the pointer.
    virtual void standBelow(QWidget* dialog, bool on) = 0;
};
