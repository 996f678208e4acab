// SPDX-License-Identifier: MIT
#include "LineSplitter.h"

#include <utility>

bool LineSplitter::feed(QByteArrayView bytes) {
    if (overflowed_)
        return false;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        if (piece.size() > maxLine_ - partial_.size()) {
            overflowed_ = true;
            partial_ = QByteArray();
            return false;
        }
        partial_ += piece;
        if (end < 0)
            break;
        done_.append(std::exchange(partial_, QByteArray()));
        bytes = bytes.sliced(end + 1);
    }
    return true;
}

std::optional<QByteArray> LineSplitter::next() {
    if (done_.isEmpty())
        return std::nullopt;
    return done_.takeFirst();
}
