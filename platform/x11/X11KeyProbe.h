// SPDX-License-Identifier: MIT
#pragma once

#include "../KeyProbe.h"

#include <bitset>
#include <memory>

class QSocketNotifier;
typedef struct _XDisplay Display;

// The desktop-wide number-pad state on X11. A private Xlib connection listens to the raw key presses of every
// keyboard (XInput 2, selected on the root window), so a key tapped between two queries is remembered until
// that digit is queried; XQueryKeymap answers for keys held down.
//
// A key counts as number pad N only when, under the keyboard state of the moment, it types the keysym KP_N:
// with NumLock off the same keys type KP_End, KP_Down and so on and count as nothing, and Shift turns them
// back the way the layout says. Raw key events carry no modifiers, so the probe follows the keyboard state
// itself: it takes it with XkbGetState when it starts listening and then from the XKB state notifications
// it selects. Those arrive on the same connection, in the order the server produced them, interleaved with
// the raw key presses, so each press is read under the state that was in force when it was made (a NumLock
// toggled after a press and before the next query does not change what the press meant). A held key is
// read under the state as of the look at the keyboard. A main-row digit never counts as a number-pad key.
class X11KeyProbe : public KeyProbe {
public:
    // Opens its connection on the display of the running Qt application (or $DISPLAY without one).
    X11KeyProbe();
    ~X11KeyProbe() override;
    X11KeyProbe(const X11KeyProbe&) = delete;
    X11KeyProbe& operator=(const X11KeyProbe&) = delete;

    bool pressed(int virtualKey) override;
    void setActive(bool active) override;
    void beginScan() override;
    void endScan() override;
    // Under XWayland as well: the compositor hands XWayland the keys only while one of its windows holds the
    // keyboard (the open tab, or another program's X window), and XWayland then sends the raw presses to
    // every client that selected them, as an X server does; while a native Wayland window holds the keyboard
    // no key reaches XWayland at all, and looking at the keyboard would see none either.
    bool reportsPresses() const override { return rawKeysAvailable; }
    void setPressListener(std::function<void()> listener) override { pressListener = std::move(listener); }
    bool anyHeld() const override { return heldDigits.any(); }

    // False when no X server could be reached or it lacks XInput 2 (taps between queries are then missed).
    bool listensToRawKeys() const { return rawKeysAvailable; }

private:
    static constexpr int kFirstVirtualKey = 0x60; // number pad 0
    static constexpr int kVirtualKeyCount = 10;   // number pad 0..9

    enum class StateEvents { Follow, Skip };

    void selectEvents(bool on);
    void drainEvents(StateEvents stateEvents = StateEvents::Follow);
    void readKeyboardState();
    void lookAtKeyboard();
    // The number-pad digit the key types under the followed keyboard state, or -1.
    int digitOf(unsigned int keycode) const;

    Display* display = nullptr;
    int xinputOpcode = -1;
    int xkbEventBase = -1; // -1 without the XKB extension: the state is then read at each look
    bool rawKeysAvailable = false;
    bool active = false;
    std::unique_ptr<QSocketNotifier> notifier;
    // The modifiers and group keysyms are looked up with, as a core event's state field.
    unsigned int keyboardState = 0;
    std::bitset<kVirtualKeyCount> pressedSinceQuery; // per digit
    // The digits held down at the last look; within a scan all queries share it.
    std::bitset<kVirtualKeyCount> heldDigits;
    bool scanning = false;
    std::function<void()> pressListener;
};
