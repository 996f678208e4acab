// SPDX-License-Identifier: MIT
#pragma once

#include "../WindowStacking.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

class QSocketNotifier;
typedef struct _XDisplay Display;
union _XEvent;

// Top-most placement on X11 for the program's windows, which bypass the window manager (override-redirect):
// no window manager keeps them above, so the program stacks them itself. The top-most windows move as one
// group. Turning top-most on puts the group at the top of the stacking order, or, when windows that must not
// be covered stand at the top, just below the lowest of those: a window that fills a monitor and bypasses the
// manager (a screen locker) or is full-screen by the manager (a video, a game), a window of another program
// that bypasses the manager as a menu, tooltip or other pop-up does, and the program's own dialogs while they
// show. Off puts the windows back among the others, below the highest window the window manager manages, and
// after that below each window the manager maps or raises, as a normal window would stand; a press on one of
// them brings all of them to the front together.
//
// A private connection watches the root window for other windows being mapped, moved or restacked and for
// the screen changing size, and tells the watcher: the re-assert runs on the X server's news, and an idle
// desktop sends none, so the program does not wake up.
class X11WindowStacking : public QObject, public WindowStacking {
public:
    X11WindowStacking();
    ~X11WindowStacking() override;
    X11WindowStacking(const X11WindowStacking&) = delete;
    X11WindowStacking& operator=(const X11WindowStacking&) = delete;

    void setTopMost(QWidget* window, bool on) override;
    void takeFocus(QWidget* window) override;
    void returnFocus(QWidget* window) override;
    void regainFocus(QWidget* window) override;
    bool watchOthers(std::function<void()> changed) override;
    void standBelow(QWidget* dialog, bool on) override;

    // The state last set for `window` (false when never set).
    bool isTopMost(const QWidget* window) const { return topMost.value(window, false); }

private:
    using Windows = std::vector<unsigned long>;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void readRootEvents();
    bool othersChangedBy(const _XEvent& event) const;
    Windows ids(const QList<QPointer<QWidget>>& windows) const;
    void keepAbove(Display* display);
    void placeAmongOthers(Display* display);
    void holdKeyboard(Display* display, unsigned long tab);
    // Whether the window manager gives the keyboard to a window that bypasses it (wlroots compositors do).
    bool managerFocusesBypassingWindows(Display* display);
    void describeManagedHolder(Display* display);
    // Asks the manager to give the managed holder the keyboard, again after a while until it has it.
    void activateHolder(Display* display);
    // Whether a window of another program still exists and is on screen (asked on the private connection).
    bool stillShown(unsigned long window) const;
    unsigned long ceiling(Display* display, const Windows& children, const Windows& group) const;

    QHash<const QWidget*, bool> topMost;
    // The top-most windows and the others, each in the order they were put there (the last stands highest).
    QList<QPointer<QWidget>> above;
    QList<QPointer<QWidget>> normal;
    // The program's dialogs the top-most windows stand below while they show.
    QList<QPointer<QWidget>> dialogs;
    std::function<void()> changed_;
    // The window that held the keyboard before the program took it.
    unsigned long focusBefore = 0;
    // Under XWayland: the window mapped to hold the keyboard while the tab is open.
    unsigned long keyboardHolder = 0;
    bool keyboardGrabbed = false;
    // Whether the holder is a window the manager manages (where it gives bypassing windows no keyboard).
    bool holderManaged = false;
    static constexpr int kActivations = 10;
    static constexpr int kActivationRetryMs = 100;
    int activationsLeft = 0;
    // The X11 window the manager had made active before the holder took the keyboard (none when a native
    // Wayland window had it).
    unsigned long activeBefore = 0;
    // Between holdKeyboard() and returnFocus().
    bool holding = false;
    bool placing = false;
    Display* watch = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
};
