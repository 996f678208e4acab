// SPDX-License-Identifier: MIT
#pragma once

#include "../core/Timer.h"

#include <QElapsedTimer>
#include <QObject>
#include <cstdint>
#include <functional>

class KeyProbe;

// -1 when the key is down, or was pressed since the previous query of that key; 0 otherwise.
int16_t KeyPressed(KeyProbe* probe, int32_t virtualKey);

// Number-pad hotkeys: while the tab is open, number pad 1..9 and 0 open the links of the page shown. A key
// opens its link once per press; the last key is forgotten every five seconds, so the same key opens again.
// With a probe that reports presses, the scan runs when a key is pressed and keeps running only while a key
// is held down; an open tab with no key down then costs nothing. Closed, the tab runs neither timer: the key
// reset that fell due while it was closed is made when it opens.
class Hotkeys : public QObject {
public:
    Hotkeys(QObject* parent, KeyProbe* probe, std::function<void(int slot)> openSlot);

    // The scan acts only while the tab is open; closed, neither its timer nor the probe wakes the program.
    void setActive(bool on);
    bool active() const { return active_; }
    int16_t lastKey() const { return lastKey_; }
    int16_t pressedKey() const { return pressedKey_; }

    Timer& tmrKey() { return *tmrKey_; }
    Timer& tmrResetKey() { return *tmrResetKey_; }

private:
    void tmrKey_Timer();
    void tmrResetKey_Timer();

    KeyProbe* probe_;
    std::function<void(int)> openSlot_;
    bool active_ = false;
    bool pressArrived_ = false;
    QElapsedTimer sinceReset_;
    int16_t lastKey_ = 10;
    int16_t pressedKey_ = 10;
    Timer* tmrKey_;
    Timer* tmrResetKey_;
};
