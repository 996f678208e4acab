// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdint>

// Window and widget geometry is kept in twips, 15 to a logical pixel; Qt maps logical pixels to device pixels
// on high-DPI screens.
constexpr int kTwipsPerPixel = 15;

inline int twipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}
inline int pixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

// Nearest integer with halves to the even neighbour (83.5 -> 84, 82.5 -> 82), as a 16-bit value.
inline int16_t nearestEven16(double x) {
    return static_cast<int16_t>(std::nearbyint(x));
}
