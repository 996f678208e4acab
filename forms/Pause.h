// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Waits at least `seconds` while the program keeps handling events (pointer, key, timer, paint), so handlers
// may run before it returns. It sleeps between events instead of spinning, measures on a monotonic clock, and
// returns at once for 0 or less. The wait follows the time scale of the forms runtime.
void Pause(int16_t seconds);
