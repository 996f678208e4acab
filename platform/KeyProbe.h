#pragma once

// The keyboard state of the whole desktop, whichever window has the focus. Key codes are the number-pad
// virtual-key codes 0x60..0x69 (number pad 0..9). pressed() is true while the key is held down, and once after
// a press that happened since the previous query of that key.
class KeyProbe {
public:
    virtual ~KeyProbe() = default;
    virtual bool pressed(int virtualKey) = 0;
    // Starts or stops listening; a stopped probe costs nothing while idle.
    virtual void setActive(bool active) = 0;
};
