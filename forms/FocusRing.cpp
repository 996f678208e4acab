// SPDX-License-Identifier: MIT
#include "FocusRing.h"

#include <QPainter>
#include <QPainterPath>

FocusRing::FocusRing(QWidget* form, QColor ink, QColor halo)
    : Control(form, 0, 0, 0, 0), ink_(ink), halo_(halo) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(false);
    hide();
}

void FocusRing::surround(const QWidget* target) {
    target_ = target;
    if (!target) {
        hide();
        return;
    }
    // The ring lies on the target's edge, its halo a little outside, so that it hides nothing of a small
    // control.
    setGeometry(QRect(target->mapTo(parentWidget(), QPoint(0, 0)), target->size())
                    .adjusted(-kMargin, -kMargin, kMargin, kMargin));
    raise();
    show();
    update();
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Logical pixels: on a 2x screen the painter doubles every line, so the ring keeps its weight.
    const QRectF frame = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const qreal radius = std::min(4.0, frame.height() / 4);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(halo_, 4));
    painter.drawRoundedRect(frame, radius, radius);
    painter.setPen(QPen(ink_, 2));
    painter.drawRoundedRect(frame, radius, radius);
}
