// SPDX-License-Identifier: MIT
#include "SlideGeometry.h"

#include "Twips.h"

namespace SlideGeometry {

int16_t slideOutSteps(int width, int left, int screenWidth) {
    const float hidden = static_cast<float>(width - (screenWidth - left));
    return nearestEven16(hidden / static_cast<float>(kStep));
}

int16_t slideInSteps(int width) {
    const int16_t n = nearestEven16(static_cast<float>(width) / static_cast<float>(kStep));
    return static_cast<int16_t>(n >= 4 ? n - 3 : 0);
}

} // namespace SlideGeometry
