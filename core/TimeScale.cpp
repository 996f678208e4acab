// SPDX-License-Identifier: MIT
#include "TimeScale.h"

#include <algorithm>
#include <cmath>

namespace {
double pace = 1.0;
}

namespace TimeScale {

double factor() {
    return pace;
}

void setFactor(double factor) {
    pace = factor > 0 ? factor : 1.0;
}

int scaled(int ms) {
    if (ms <= 0 || pace == 1.0)
        return ms;
    return std::max(1, static_cast<int>(std::lround(ms * pace)));
}

long long scaledNs(long long ns) {
    if (ns <= 0 || pace == 1.0)
        return ns;
    return std::max(1LL, static_cast<long long>(std::llround(static_cast<double>(ns) * pace)));
}

} // namespace TimeScale
