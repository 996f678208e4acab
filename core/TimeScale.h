// SPDX-License-Identifier: MIT
#pragma once

// The pace of the program's clock: pauses, the slide pacer and every form timer wait their time multiplied by
// this factor. It is 1 in the running program; tests set a small factor so that a one-second pause or a
// fifteen-second retract passes in milliseconds without changing the order in which anything happens.
namespace TimeScale {
double factor();
void setFactor(double factor);
// `ms` at the current pace, never below 1 ms for a positive time.
int scaled(int ms);
// The same for a time in nanoseconds.
long long scaledNs(long long ns);
} // namespace TimeScale
