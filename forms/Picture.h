// SPDX-License-Identifier: MIT
#pragma once

#include <QPixmap>
#include <QString>

// A picture that a picture box can show. Pictures are compared by identity: a box shows "image n of a list"
// exactly when the last picture assigned to it is that list's entry.
//
// A picture of the program's embedded images is decoded the first time it is drawn or measured, so that
// start-up decodes only what the first look of a window shows; ImageList::decodeAll decodes the rest once
// the window stands on screen.
class Picture {
public:
    Picture() = default;
    explicit Picture(QPixmap pixmap) : pixmap_(std::move(pixmap)), decoded_(true) {}
    // The embedded image ":/img/<stem>.png" (or its "@2x" picture), decoded when first asked for.
    static Picture embedded(QString stem);

    const QPixmap& pixmap() const;
    bool decoded() const { return decoded_; }

private:
    QString stem_;
    mutable QPixmap pixmap_;
    mutable bool decoded_ = false;
};
