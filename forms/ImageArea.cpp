// SPDX-License-Identifier: MIT
#include "ImageArea.h"

ImageArea::ImageArea(QWidget* parent, int left, int top, int width, int height)
    : Control(parent, left, top, width, height) {
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
}
