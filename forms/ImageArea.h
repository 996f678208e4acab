// SPDX-License-Identifier: MIT
#pragma once

#include "Control.h"

// An image without a picture: an invisible hit area drawn on the form's surface. Created before the picture
// boxes of its form, it lies beneath them, so a picture box that overlaps it receives the pointer.
class ImageArea : public Control {
public:
    ImageArea(QWidget* parent, int left, int top, int width, int height);
};
