// SPDX-License-Identifier: MIT
#include "PictureBox.h"

#include <QPainter>

PictureBox::PictureBox(QWidget* parent, int left, int top, int width, int height, const Picture* first)
    : Control(parent, left, top, width, height), picture_(first) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::setPicture(const Picture* picture) {
    if (!picture || picture == picture_)
        return;
    picture_ = picture;
    update();
}

void PictureBox::clearPicture() {
    picture_ = nullptr;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (!picture_ || picture_->pixmap().isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_->pixmap());
}
