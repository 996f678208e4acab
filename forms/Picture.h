// SPDX-License-Identifier: MIT
#pragma once

#include <QPixmap>

// A picture that a picture box can show. Pictures are compared by identity: a box shows "image n of a list"
// exactly when the last picture assigned to it is that list's entry.
struct Picture {
    QPixmap pixmap;
};
