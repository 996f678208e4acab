// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

// The keyboard state of the whole desktop, whichever window has the focus. Key codes are the number-pad
// virtual-key codes 0x60..0x69 (number pad 0..9). pressed() is true while the key is held down, and once
// after a press that happened since the previous query of that key. Keys count by what they type under the
// keyboard state of the moment: the number-pad digits exist only while NumLock is on, and the same keys with
// NumLock off (End, Down, Page Down, ...) are no digit keys.
class KeyProbe {
public:
    virtual ~KeyProbe() = default;
    virtual bool pressed(int virtualKey) = 0;
    // Starts or stops listening; a stopped probe costs nothing while idle.
    virtual void setActive(bool active) = 0;

    // A probe that reports presses calls the listener whenever a number-pad digit is pressed while it
    // listens, so that its user need not poll while no key is down; the others leave their users polling.
    virtual bool reportsPresses() const { return false; }
    virtual void setPressListener(std::function<void()> listener) { (void)listener; }
    // Whether a number-pad digit was held down at the last look at the keyboard.
    virtual bool anyHeld() const { return false; }

    // Between beginScan() and endScan() every query answers from one look at the keyboard taken by
    // beginScan(), so a scan of all ten keys asks the system once; outside a scan each query looks afresh.
    virtual void beginScan() {}
    virtual void endScan() {}

    // Holds a scan open for the life of the object.
    class Scan {
    public:
        explicit Scan(KeyProbe* probe) : probe_(probe) {
            if (probe_)
                probe_->beginScan();
        }
        ~Scan() {
            if (probe_)
                probe_->endScan();
        }
        Scan(const Scan&) = delete;
        Scan& operator=(const Scan&) = delete;

    private:
        KeyProbe* probe_;
    };
};
