// SPDX-License-Identifier: MIT
#pragma once

#include "Control.h"
#include "Picture.h"

// A picture box: shows its current picture at its top-left corner, clipped to its own size, with no border.
// The picture last assigned is kept by identity so that handlers can test which image a box shows.
class PictureBox : public Control {
public:
    PictureBox(QWidget* parent, int left, int top, int width, int height, const Picture* first = nullptr);

    const Picture* picture() const { return picture_; }
    // Assigning nullptr is a failed step (an image missing from its list): the box keeps its picture.
    void setPicture(const Picture* picture);
    // Replaces the picture with an empty one.
    void clearPicture();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Picture* picture_;
};
