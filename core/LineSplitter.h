// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

// The lines of a byte stream from outside (the words a second start passes to the running tab over the local
// socket), taken as the bytes arrive, in pieces of any size, with a bound on a line: a sender that never ends
// its line, or sends one longer than the bound, is cut off instead of making memory grow without end.
class LineSplitter {
public:
    // A line may hold at most `maxLine` bytes, its "\n" not counted.
    explicit LineSplitter(qsizetype maxLine) : maxLine_(maxLine) {}

    // Takes the next bytes of the stream. False once a line has grown past the bound: the bytes of that line
    // are dropped, nothing more is taken, and the caller ends the stream. Lines ended before it still come
    // out.
    bool feed(QByteArrayView bytes);
    // The next complete line without its "\n" (a "\r" before it stays), in stream order; none when no more
    // line is complete.
    std::optional<QByteArray> next();

    bool overflowed() const { return overflowed_; }

private:
    qsizetype maxLine_;
    QByteArray partial_;     // the line begun but not yet ended
    QList<QByteArray> done_; // ended lines not yet taken
    bool overflowed_ = false;
};
