// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// A regular file open for reading, read whole only while it is no larger than a limit: a file from outside
// (the link file, a bookmarks file) may be of any size, and one far larger than any real one is refused
// instead of being read into memory. The file is read in pieces as large as it says it is, from its start,
// so one that grows while it is read is caught at the limit too.
class BoundedFile {
public:
    enum class State {
        Missing,    // nothing at the path
        Readable,   // a regular file no larger than the limit
        Unreadable, // there, but it cannot be opened or it is not a regular file
        TooLarge,   // a regular file larger than the limit
    };

    // Opens without blocking, so that a FIFO put in the file's place cannot stall the open.
    BoundedFile(const QString& path, qint64 limit);
    ~BoundedFile();
    BoundedFile(const BoundedFile&) = delete;
    BoundedFile& operator=(const BoundedFile&) = delete;

    State state() const { return state_; }
    // Why the file could not be opened or looked at (the system's wording); empty when it could.
    const QString& errorString() const { return error_; }

    // The whole file, read from its start; one that has grown past the limit since it was opened is TooLarge.
    // `bytes` holds the content only when the result is Readable.
    State readAll(QByteArray& bytes);
    // The file's first bytes, at most `count` (whatever its size); empty when it is not open.
    QByteArray head(qsizetype count);
    // Whether the file holds exactly `bytes`, compared piece by piece without a copy of the whole file.
    bool holds(const QByteArray& bytes);

private:
    int fd_ = -1;
    qint64 size_ = 0;
    qint64 limit_ = 0;
    State state_ = State::Missing;
    QString error_;
};
