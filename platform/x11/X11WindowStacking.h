#pragma once

#include "../WindowStacking.h"

#include <QHash>

// Top-most placement on X11 for the program's windows, which bypass the window manager (override-redirect):
// no window manager keeps them above, so turning top-most on raises the window above all its siblings at
// once, and the program re-asserts it periodically. Off only records the state: the window stays where it is.
class X11WindowStacking : public WindowStacking {
public:
    void setTopMost(QWidget* window, bool on) override;
    void takeFocus(QWidget* window) override;

    // The state last set for `window` (false when never set).
    bool isTopMost(const QWidget* window) const { return topMost.value(window, false); }

private:
    QHash<const QWidget*, bool> topMost;
};
