// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

class Form;
class PictureBox;

// Gives `window` the picture of `box` as its own, sizes the window to it and cuts the window to the picture's
// pixels that differ from the transparent colour (0x00BBGGRR): holes show the desktop and let the pointer
// through to what lies beneath. A colour below 1 takes the picture's top-left pixel and writes it back.
// The box's picture is cleared and the window shown.
void ApplySkin(Form& window, PictureBox& box, int32_t& transparentColour);
