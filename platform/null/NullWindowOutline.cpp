// SPDX-License-Identifier: MIT
#include "../WindowOutline.h"

// Without X11 the toolkit's own window mask is all there is.
namespace WindowOutline {

bool drawnFromAlpha() {
    return false;
}

void setInputOutline(QWidget*, const QRegion&) {}

} // namespace WindowOutline
