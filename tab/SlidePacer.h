// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>

// Paces the steps of a slide so that each position reaches the screen and the whole slide takes a few hundred
// milliseconds: after every step it dispatches pending events and waits (handling events, not spinning) until
// that step's time has come.
class SlidePacer {
public:
    static constexpr int kStepMicroseconds = 5000;

    SlidePacer();
    // Dispatches events; with `endOfStep`, also waits for the step's time slot.
    void yield(bool endOfStep = true);

private:
    QElapsedTimer clock_;
    int steps_ = 0;
};
