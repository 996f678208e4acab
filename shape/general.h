#pragma once

#include <cstdint>

class KeyProbe;

// Waits at least `seconds` while the program keeps handling events (pointer, key, timer, paint), so handlers
// may run before it returns. It sleeps between events instead of spinning, measures on a monotonic clock, and
// returns at once for 0 or less.
void Pause(int16_t seconds);

// -1 when the key is down, or was pressed since the previous query of that key; 0 otherwise.
int16_t KeyPressed(KeyProbe* probe, int32_t virtualKey);
