#include "Hotkeys.h"

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
    tmrResetKey_ = new Timer(this, 5000, true, [this] { tmrResetKey_Timer(); });
}

void Hotkeys::setActive(bool on) {
    active_ = on;
    tmrKey_->setEnabled(on);
    if (probe_)
        probe_->setActive(on);
}

void Hotkeys::tmrKey_Timer() {
    if (!active_)
        return;
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
}

void Hotkeys::tmrResetKey_Timer() {
    lastKey_ = 10;
    pressedKey_ = 10;
}
