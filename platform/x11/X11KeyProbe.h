#pragma once

#include "../KeyProbe.h"

#include <array>
#include <bitset>
#include <memory>
#include <vector>

class QSocketNotifier;
typedef struct _XDisplay Display;

// The desktop-wide number-pad state on X11. A private Xlib connection listens to the raw key presses of every
// keyboard (XInput 2, selected on the root window), so a key tapped between two queries is remembered until
// that key is queried; XQueryKeymap answers for keys held down. Keys are compared by keycode: the number-pad
// keys map to the keycodes that carry the digit or the navigation keysym of that key, so the answer does not
// depend on NumLock and a main-row digit never counts as a number-pad key.
//
// The probe starts active. While inactive it deselects the raw events and disables its notifier, so it
// neither receives nor wakes up for anything, and pressed() answers false without talking to the server.
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

    // False when no X server could be reached or it lacks XInput 2 (taps between queries are then missed).
    bool listensToRawKeys() const { return rawKeysAvailable; }

private:
    static constexpr int kFirstVirtualKey = 0x60; // number pad 0
    static constexpr int kVirtualKeyCount = 10;   // number pad 0..9

    void mapKeycodes();
    void selectRawKeys(bool on);
    void drainEvents();
    void lookAtKeyboard();

    Display* display = nullptr;
    int xinputOpcode = -1;
    bool rawKeysAvailable = false;
    bool active = false;
    std::unique_ptr<QSocketNotifier> notifier;
    std::array<std::vector<unsigned char>, kVirtualKeyCount> keycodesOf;
    std::bitset<256> pressedSinceQuery; // per keycode
    // The keymap of the last look; within a scan all queries share it.
    char keymap[32] = {};
    bool scanning = false;
};
