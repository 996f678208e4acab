// SPDX-License-Identifier: MIT
#pragma once

#include "Picture.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// A 1-based list of pictures of one size, from the program's embedded images ":/img/<stem>_<n>.png" (with
// the "@2x" picture on high-DPI screens). Each picture is decoded when it is first drawn or measured.
class ImageList {
public:
    ImageList(const QString& stem, int count);
    // A list of the named pictures, in order.
    explicit ImageList(const QStringList& stems);
    // Image n (1-based); nullptr when n is out of range, which callers treat as a failed step.
    const Picture* image(int n) const;
    int count() const { return static_cast<int>(images_.size()); }
    // Decodes every picture not decoded yet, so that none waits for its first showing.
    void decodeAll() const;

    // Loads one embedded picture by file stem ("skin_tab"), choosing the 2x picture when the screen wants it.
    static QPixmap load(const QString& stem);

private:
    std::vector<std::unique_ptr<Picture>> images_;
};
