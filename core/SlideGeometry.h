// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The numbers of the tab's motions, in twips.
namespace SlideGeometry {
constexpr int kStep = 37;
constexpr int kNudge = 20;
constexpr int kHandleHeight = 1200;
constexpr int kFirstStepHeight = 1515;
constexpr int kFullHeight = 4515;
constexpr int kHeightStep = 300;
constexpr int kBaseOffsetHandle = 1180; // base bar Top below the tab's Top at handle height
constexpr int kRetractedMargin = 91;    // retracted Left = screen width - 91 after start-up
constexpr int kRedockMargin = 90;       // ... and screen width - 90 after a re-dock

// Steps of a slide-out: the hidden part of the tab divided by the step, to the nearest (halves to even).
int16_t slideOutSteps(int width, int left, int screenWidth);
// Steps of a slide-in: the loop runs from 4 to nearest(width / step).
int16_t slideInSteps(int width);
} // namespace SlideGeometry
