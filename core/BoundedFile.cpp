// SPDX-License-Identifier: MIT
#include "BoundedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

BoundedFile::BoundedFile(const QString& path, qint64 limit) : limit_(limit) {
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat status {};
    if (fd_ < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        // Something that cannot be looked at is absent; something that exists but cannot be opened is not.
        state_ = ::stat(name.constData(), &status) != 0 ? State::Missing : State::Unreadable;
        return;
    }
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        error_ = QStringLiteral("not a regular file");
        state_ = State::Unreadable;
        return;
    }
    size_ = status.st_size;
    state_ = size_ > limit_ ? State::TooLarge : State::Readable;
}

BoundedFile::~BoundedFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

BoundedFile::State BoundedFile::readAll(QByteArray& bytes) {
    if (state_ != State::Readable)
        return state_;
    bytes.resize(qsizetype(size_) + 1); // one byte more shows whether it has grown
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > limit_)
                return State::TooLarge;
            bytes.resize(qsizetype(std::min(limit_ + 1, 2 * qint64(filled))));
        }
        const ssize_t count = ::pread(fd_, bytes.data() + filled, size_t(bytes.size() - filled), filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return State::Unreadable;
        if (count == 0)
            break;
        filled += count;
    }
    bytes.truncate(filled);
    return filled > limit_ ? State::TooLarge : State::Readable;
}

QByteArray BoundedFile::head(qsizetype count) {
    QByteArray bytes;
    if (fd_ < 0 || count <= 0)
        return bytes;
    bytes.resize(count);
    qsizetype filled = 0;
    while (filled < count) {
        const ssize_t got = ::pread(fd_, bytes.data() + filled, size_t(count - filled), filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

bool BoundedFile::holds(const QByteArray& bytes) {
    if (state_ != State::Readable || size_ != bytes.size())
        return false;
    char piece[64 * 1024];
    qsizetype done = 0;
    while (done < bytes.size()) {
        const size_t wanted = size_t(std::min<qsizetype>(sizeof piece, bytes.size() - done));
        const ssize_t count = ::pread(fd_, piece, wanted, done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0 || std::memcmp(piece, bytes.constData() + done, size_t(count)) != 0)
            return false;
        done += count;
    }
    return true;
}
