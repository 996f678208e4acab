// Number-pad hotkeys: while the tab is open, number pad 1..9 and 0 open the links of the current page.

#include "../app/frmMain.h"
#include "../shape/general.h"

namespace {
// Examined in this order, so when several are down together the last one wins (0 over 9 over ... 1).
constexpr int kScanOrder[10][2] = {{97, 0},  {98, 1},  {99, 2},  {100, 3}, {101, 4},
                                   {102, 5}, {103, 6}, {104, 7}, {105, 8}, {96, 9}};
} // namespace

void frmMain::setKeyScan(bool on) {
    tmrKey->setEnabled(on);
    if (m.services.keys)
        m.services.keys->setActive(on);
}

void frmMain::tmrKey_Timer() {
    if (m.tabOpen == 0)
        return;
    {
        const KeyProbe::Scan scan(m.services.keys.get());
        for (const auto& entry : kScanOrder) {
            if (KeyPressed(m.services.keys.get(), entry[0]))
                m.pressedKey = static_cast<int16_t>(entry[1]);
        }
    }
    if (m.lastKey != m.pressedKey) {
        // Record the key before the open waits, so that a scan during the wait does not open it again.
        const int16_t key = m.pressedKey;
        m.lastKey = key;
        if (key >= 0 && key <= 9)
            picLink_Click(key);
        m.lastKey = m.pressedKey;
    }
}

void frmMain::tmrResetKey_Timer() {
    m.lastKey = 10;
    m.pressedKey = 10;
}
