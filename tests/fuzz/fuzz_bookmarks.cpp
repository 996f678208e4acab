// SPDX-License-Identifier: MIT
// libFuzzer target for the bookmarks files an import reads: the bytes go through sniff() as a file's head
// and, as the import does, to the reader of the format this fuzzer is built for (BRIMVEL_FUZZ_JSON=0: the
// HTML bookmarks file, 1: Chromium's JSON Bookmarks file). Besides running clean under the sanitizers, a
// reader keeps its contract: a refused text leaves no bookmarks and says why, an accepted one gives no
// reason, and the same bytes read twice give the same bookmarks.

#include <cstdlib>

#include <QByteArray>
#include <QList>
#include <QString>

#include "core/Bookmarks.h"

namespace {

bool read(const QByteArray& bytes, QList<Bookmarks::Bookmark>& marks, QString& error) {
#if BRIMVEL_FUZZ_JSON
    return Bookmarks::readChromiumJson(bytes, marks, error);
#else
    return Bookmarks::readHtml(bytes, marks, error);
#endif
}

bool same(const QList<Bookmarks::Bookmark>& a, const QList<Bookmarks::Bookmark>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].title != b[i].title || a[i].address != b[i].address || a[i].page != b[i].page ||
            a[i].slot != b[i].slot)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Bookmarks::Format format = Bookmarks::sniff(bytes.left(4096));
    if (format == Bookmarks::Format::Sqlite && !bytes.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        std::abort();

    QList<Bookmarks::Bookmark> marks{Bookmarks::Bookmark{QStringLiteral("left over"), QString()}};
    QString error;
    const bool ok = read(bytes, marks, error);
    if (ok != error.isEmpty())
        std::abort(); // a refusal without a reason, or a reason beside an accepted text
    if (!ok && !marks.isEmpty())
        std::abort();
    QList<Bookmarks::Bookmark> again;
    QString againError;
    if (read(bytes, again, againError) != ok || againError != error || !same(marks, again))
        std::abort();
    return 0;
}
