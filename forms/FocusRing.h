// SPDX-License-Identifier: MIT
#pragma once

#include "Control.h"

#include <QColor>

// The keyboard's focus ring: a frame drawn above every control of a form around the one that has the
// keyboard. It never takes the pointer, and assistive technology does not see it (the focused control itself
// reports its focus).
class FocusRing : public Control {
public:
    // `ink`: the frame; `halo`: a thin line on either side of it, so that it shows on dark and light parts of
    // a skin alike.
    FocusRing(QWidget* form, QColor ink, QColor halo);

    // Stands around `target` (a widget of the form, or inside one) and shows; nullptr hides it.
    void surround(const QWidget* target);
    const QWidget* target() const { return target_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Logical pixels the ring reaches beyond its target.
    static constexpr int kMargin = 2;
    QColor ink_;
    QColor halo_;
    const QWidget* target_ = nullptr;
};
