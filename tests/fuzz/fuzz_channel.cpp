// SPDX-License-Identifier: MIT
// libFuzzer target for the lines the running tab takes from its local socket (LineSplitter, with the bound
// the listener uses). Byte 0 and 1 give the bound (1..4096, small bounds make the edge easy to reach), byte 2
// the seed of the piece sizes the stream arrives in; the rest is the stream. What comes out is checked
// against the stream split at once: every line ended before the first over-long one, in order, and the
// splitter cut off exactly when a line (ended or not) is longer than the bound.

#include <cstdlib>

#include <QByteArray>
#include <QList>

#include "core/LineSplitter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const qsizetype bound = 1 + ((data[0] | data[1] << 8) % 4096);
    unsigned seed = data[2];
    const QByteArray stream(reinterpret_cast<const char*>(data + 3), qsizetype(size - 3));

    // Expected: the stream's lines up to the first that is too long.
    QList<QByteArray> expected;
    bool expectCut = false;
    const QList<QByteArray> all = stream.split('\n');
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].size() > bound) {
            expectCut = true;
            break;
        }
        if (i + 1 < all.size()) // the last piece has no line end
            expected.append(all[i]);
    }

    LineSplitter splitter(bound);
    QList<QByteArray> lines;
    bool fits = true;
    for (qsizetype at = 0; at < stream.size();) {
        seed = seed * 1103515245u + 12345u;
        const qsizetype piece = std::min<qsizetype>(stream.size() - at, 1 + (seed >> 16) % 600);
        const bool now = splitter.feed(QByteArrayView(stream).sliced(at, piece));
        if (!fits && now)
            std::abort(); // taken again after it was cut off
        fits = now;
        at += piece;
        while (const auto line = splitter.next()) {
            if (line->size() > bound || line->contains('\n'))
                std::abort();
            lines.append(*line);
        }
    }
    if (lines != expected || splitter.overflowed() != expectCut || fits == expectCut)
        std::abort();
    return 0;
}
