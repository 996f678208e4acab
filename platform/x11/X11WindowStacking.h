#pragma once

#include "../WindowStacking.h"

#include <QHash>
#include <QObject>
#include <memory>

class QSocketNotifier;
typedef struct _XDisplay Display;

// Top-most placement on X11 for the program's windows, which bypass the window manager (override-redirect):
// no window manager keeps them above, so turning top-most on raises the window above all its siblings, and
// the program re-asserts it periodically. Off puts the window back among the others, below the highest window
// the window manager manages, and after that below each window the manager maps or raises, as a normal window
// would stand; a press on it brings it to the front.
//
// Re-asserting costs nothing while nothing changed: a private connection watches the root window for other
// windows being mapped or restacked, and a window that is already raised is raised again only after that.
// An idle desktop thus sees no request and the program no wake-up.
class X11WindowStacking : public QObject, public WindowStacking {
public:
    X11WindowStacking();
    ~X11WindowStacking() override;
    X11WindowStacking(const X11WindowStacking&) = delete;
    X11WindowStacking& operator=(const X11WindowStacking&) = delete;

    void setTopMost(QWidget* window, bool on) override;
    void takeFocus(QWidget* window) override;
    void returnFocus(QWidget* window) override;

    // The state last set for `window` (false when never set).
    bool isTopMost(const QWidget* window) const { return topMost.value(window, false); }

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void readRootEvents();
    void placeAmongOthers(Display* display, unsigned long id);

    QHash<const QWidget*, bool> topMost;
    // Windows raised since the stacking order last changed under them.
    QHash<unsigned long, bool> raised;
    // Windows that are not top-most: kept among the others in the stacking order.
    QHash<unsigned long, bool> normal;
    bool othersChanged = false;
    // The window that held the keyboard before the program took it.
    unsigned long focusBefore = 0;
    bool placing = false;
    Display* watch = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
};
