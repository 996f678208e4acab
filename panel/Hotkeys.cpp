// SPDX-License-Identifier: MIT
#include "Hotkeys.h"

#include "../core/TimeScale.h"
#include "../platform/KeyProbe.h"

namespace {
// Examined in this order, so when several are down together the last one wins (0 over 9 over ... 1).
constexpr int kScanOrder[10][2] = {{97, 0},  {98, 1},  {99, 2},  {100, 3}, {101, 4},
                                   {102, 5}, {103, 6}, {104, 7}, {105, 8}, {96, 9}};
} // namespace

int16_t KeyPressed(KeyProbe* probe, int32_t virtualKey) {
    return probe && probe->pressed(virtualKey) ? -1 : 0;
}

Hotkeys::Hotkeys(QObject* parent, KeyProbe* probe, std::function<void(int slot)> openSlot)
    : QObject(parent), probe_(probe), openSlot_(std::move(openSlot)) {
    tmrKey_ = new Timer(this, 50, false, [this] { tmrKey_Timer(); });
    tmrResetKey_ = new Timer(this, 5000, false, [this] { tmrResetKey_Timer(); });
    sinceReset_.start();
    if (probe_)
        probe_->setPressListener([this] {
            pressArrived_ = true;
            if (active_)
                tmrKey_->setEnabled(true);
        });
}

void Hotkeys::setActive(bool on) {
    if (on && !active_ && sinceReset_.elapsed() >= TimeScale::scaled(tmrResetKey_->Interval()))
        tmrResetKey_Timer();
    active_ = on;
    if (probe_)
        probe_->setActive(on);
    tmrResetKey_->setEnabled(on);
    // A first scan at once (a key held while the tab opened counts); later ones as keys are pressed.
    tmrKey_->setEnabled(on);
}

void Hotkeys::tmrKey_Timer() {
    if (!active_)
        return;
    pressArrived_ = false;
    {
        const KeyProbe::Scan scan(probe_);
        for (const auto& entry : kScanOrder) {
            if (KeyPressed(probe_, entry[0]))
                pressedKey_ = static_cast<int16_t>(entry[1]);
        }
    }
    if (lastKey_ != pressedKey_) {
        // Record the key before the open waits, so that a scan during the wait does not open it again.
        const int16_t key = pressedKey_;
        lastKey_ = key;
        if (key >= 0 && key <= 9)
            openSlot_(key);
        lastKey_ = pressedKey_;
    }
    // Polling goes on only while a key is held down (a held key opens again after the reset) or a press came
    // in during the scan.
    if (probe_ && probe_->reportsPresses() && !probe_->anyHeld() && !pressArrived_)
        tmrKey_->setEnabled(false);
}

void Hotkeys::tmrResetKey_Timer() {
    lastKey_ = 10;
    pressedKey_ = 10;
    sinceReset_.restart();
}
