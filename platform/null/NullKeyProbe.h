// SPDX-License-Identifier: MIT
#pragma once

#include "../KeyProbe.h"

// No keyboard access: no key is ever pressed.
class NullKeyProbe : public KeyProbe {
public:
    bool pressed(int) override { return false; }
    void setActive(bool on) override { active = on; }

    bool isActive() const { return active; }

private:
    bool active = true;
};
