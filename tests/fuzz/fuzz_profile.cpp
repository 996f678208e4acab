// SPDX-License-Identifier: MIT
// libFuzzer target for the private-profile layer. Each input is a short script of operations followed by the
// bytes of an INI file. The script runs against the real layer and against a small reference model of the
// file written from the layer's documented contract; after every operation the two must agree exactly: the
// bytes on disk and the result of a write, the text and count of a read, and at the end every value and list
// the file holds.
//
// Input: byte 0 chooses the folder the file lives in (see Place), byte 1 the number of operations (1..16),
// then 8 bytes per operation (see Operation), then the file's bytes. Missing bytes read as 0.
//
// Built twice (tests/fuzz/run.sh builds and runs both):
// - the logic fuzzer (BRIMVEL_FUZZ_FAULTS=0): every file lives in memory (ramfs, else a folder of /dev/shm),
// so
//   a run costs little more than the layer's own work and the model's;
// - the fault fuzzer (BRIMVEL_FUZZ_FAULTS=1): files on the real disk, marked read-only, in a read-only folder
//   and on a full disk, where every write must fail cleanly and leave the file as it was.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include "core/PrivateProfile.h"

namespace {

using Text = std::optional<QString>;

// ---------------------------------------------------------------------------------------------------------
// Reference model: the file as bytes, and what each operation makes of them, as the header describes it.

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimmed(QByteArray text) {
    while (!text.isEmpty() && isBlank(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

QString trimmed(QString text) {
    while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
    return text;
}

bool inRange(uchar c, uchar low, uchar high) {
    return c >= low && c <= high;
}

// Well-formed UTF-8 after the Unicode standard's table of byte sequences.
bool wellFormed(const QByteArray& text) {
    qsizetype i = 0;
    const auto at = [&](qsizetype k) { return k < text.size() ? uchar(text[k]) : uchar(0); };
    while (i < text.size()) {
        const uchar b = at(i);
        if (b < 0x80) {
            i += 1;
        } else if (inRange(b, 0xC2, 0xDF) && inRange(at(i + 1), 0x80, 0xBF)) {
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            const uchar low = b == 0xE0 ? 0xA0 : 0x80;
            const uchar high = b == 0xED ? 0x9F : 0xBF;
            if (!inRange(at(i + 1), low, high) || !inRange(at(i + 2), 0x80, 0xBF))
                return false;
            i += 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            const uchar low = b == 0xF0 ? 0x90 : 0x80;
            const uchar high = b == 0xF4 ? 0x8F : 0xBF;
            if (!inRange(at(i + 1), low, high) || !inRange(at(i + 2), 0x80, 0xBF) ||
                !inRange(at(i + 3), 0x80, 0xBF))
                return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

// Bytes placed for `text` in a buffer of `limit` + 1: never part of a sequence that a valid lead byte opens.
qsizetype cutPoint(const QByteArray& text, qsizetype limit) {
    if (limit <= 0)
        return 0;
    if (limit >= text.size())
        return text.size();
    const auto continuation = [&](qsizetype k) { return (uchar(text[k]) & 0xC0) == 0x80; };
    qsizetype start = limit;
    while (start > 0 && limit - start < 3 && continuation(start))
        --start;
    if (start == limit || continuation(start))
        return limit;
    const uchar lead = uchar(text[start]);
    const int length = inRange(lead, 0xC2, 0xDF)   ? 2
                       : inRange(lead, 0xE0, 0xEF) ? 3
                       : inRange(lead, 0xF0, 0xF4) ? 4
                                                   : 1;
    return start + length > limit ? start : limit;
}

bool namesMatch(const QByteArray& inFile, const QString& asked) {
    const QString wanted = trimmed(asked);
    return inFile == wanted.toUtf8() ||
           (wellFormed(inFile) && QString::fromUtf8(inFile).compare(wanted, Qt::CaseInsensitive) == 0);
}

enum class Kind { Blank, Comment, Section, Key, Other };

struct Parsed {
    Kind kind = Kind::Other;
    QByteArray name;
    QByteArray value; // key lines: as a read returns it
};

Parsed parseLine(const QByteArray& text) {
    Parsed p;
    const QByteArray line = trimmed(text);
    if (line.isEmpty()) {
        p.kind = Kind::Blank;
    } else if (line.startsWith(';')) {
        p.kind = Kind::Comment;
    } else if (line.startsWith('[')) {
        p.kind = Kind::Section;
        const qsizetype close = line.indexOf(']');
        p.name = trimmed(close < 0 ? line.mid(1) : line.mid(1, close - 1));
    } else if (const qsizetype equals = text.indexOf('='); equals >= 0) {
        p.kind = Kind::Key;
        p.name = trimmed(text.left(equals));
        p.value = trimmed(text.mid(equals + 1));
        if (p.value.size() >= 2 && (p.value.front() == '"' || p.value.front() == '\'') &&
            p.value.back() == p.value.front())
            p.value = p.value.mid(1, p.value.size() - 2);
    }
    return p;
}

struct Line {
    QByteArray text;
    QByteArray ending; // "\n", "\r\n" or empty
    Parsed info = {};  // of the line as it was read
};

struct File {
    QByteArray bom;
    std::vector<Line> lines;
    QByteArray newline = "\n";
    bool finalNewline = true;
};

File split(const QByteArray& bytes) {
    File file;
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF")) {
        file.bom = body.left(3);
        body.remove(0, 3);
    }
    file.finalNewline = body.isEmpty() || body.endsWith('\n');
    for (const QByteArray& piece : body.split('\n'))
        file.lines.push_back({piece, "\n"});
    file.lines.pop_back(); // what follows the last "\n" (empty when the file ends with one)
    if (!file.finalNewline)
        file.lines.push_back({body.mid(body.lastIndexOf('\n') + 1), {}});
    for (Line& line : file.lines) {
        if (!line.ending.isEmpty() && line.text.endsWith('\r')) {
            line.text.chop(1);
            line.ending = "\r\n";
        }
        line.info = parseLine(line.text);
    }
    for (const Line& line : file.lines) {
        if (!line.ending.isEmpty()) {
            file.newline = line.ending;
            break;
        }
    }
    return file;
}

QByteArray join(File file) {
    QByteArray bytes = file.bom;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        Line& line = file.lines[i];
        if (i + 1 == file.lines.size() && !file.finalNewline && !line.text.isEmpty()) {
            line.ending.clear(); // the last line stays without a newline
        } else if (line.ending.isEmpty()) {
            // A line that needs an ending takes the file's; one whose text ends in CR takes CRLF, which keeps
            // that CR in its text.
            line.ending = line.text.endsWith('\r') ? QByteArray("\r\n") : file.newline;
        }
        bytes += line.text + line.ending;
    }
    return bytes;
}

// [header, end) of the first section named `name`; header -1 when there is none.
std::pair<qsizetype, qsizetype> sectionSpan(const File& file, const QString& name) {
    qsizetype header = -1;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        const Parsed& p = file.lines[i].info;
        if (p.kind != Kind::Section)
            continue;
        if (header >= 0)
            return {header, qsizetype(i)};
        if (namesMatch(p.name, name))
            header = qsizetype(i);
    }
    return {header, qsizetype(file.lines.size())};
}

qsizetype keyLine(const File& file, std::pair<qsizetype, qsizetype> span, const QString& name) {
    for (qsizetype i = span.first + 1; span.first >= 0 && i < span.second; ++i) {
        const Parsed& p = file.lines[size_t(i)].info;
        if (p.kind == Kind::Key && namesMatch(p.name, name))
            return i;
    }
    return -1;
}

struct Read {
    QString buffer;
    int count = 0;
};

// The model's file split into lines. A run reads one state of the file many times (to choose names, to
// predict reads, in the final checks): it is split again only when its bytes change.
const File& splitOnce(const std::optional<QByteArray>& bytes) {
    static QByteArray lastBytes;
    static File file;
    static bool split_ = false;
    if (!split_ || bytes.value_or(QByteArray()) != lastBytes) {
        lastBytes = bytes.value_or(QByteArray());
        file = split(lastBytes);
        split_ = true;
    }
    return file;
}

Read modelRead(const std::optional<QByteArray>& bytes, const Text& section, const Text& key, const Text& dflt,
               int size) {
    if (size <= 0)
        return {};
    const File& file = splitOnce(bytes);
    QByteArray result;
    bool list = true;
    if (!section) {
        for (const Line& line : file.lines) {
            const Parsed& p = line.info;
            if (p.kind == Kind::Section)
                result += p.name + '\0';
        }
    } else if (!key) {
        const auto span = sectionSpan(file, *section);
        for (qsizetype i = span.first + 1; span.first >= 0 && i < span.second; ++i) {
            const Parsed& p = file.lines[size_t(i)].info;
            if (p.kind == Kind::Key)
                result += p.name + '\0';
        }
    } else {
        list = false;
        const auto span = sectionSpan(file, *section);
        const qsizetype line = keyLine(file, span, *key);
        result = line >= 0 ? file.lines[size_t(line)].info.value : dflt.value_or(QString()).toUtf8();
    }
    qsizetype length = result.size();
    if (!list)
        length = cutPoint(result, size - 1);
    else if (length + 1 > size)
        length = cutPoint(result, size - 2);
    return {QString::fromUtf8(result.left(length)), int(length)};
}

struct Write {
    int result = 0;
    std::optional<QByteArray> bytes; // the new content when the file is (re)written
};

// What a write makes of the file, where the file can be written.
Write modelWrite(const std::optional<QByteArray>& bytes, const Text& section, const Text& key,
                 const Text& text) {
    if (!section)
        return {0, {}};
    File file = split(bytes.value_or(QByteArray()));
    const auto span = sectionSpan(file, *section);
    if (!key) {
        if (span.first < 0)
            return {1, {}};
        for (qsizetype i = span.second - 1; i >= span.first; --i) {
            const Kind kind = file.lines[size_t(i)].info.kind;
            if (i == span.first || kind == Kind::Key)
                file.lines.erase(file.lines.begin() + i);
        }
        return {1, join(file)};
    }
    const qsizetype line = keyLine(file, span, *key);
    if (!text) {
        if (line < 0)
            return {1, {}};
        file.lines.erase(file.lines.begin() + line);
        return {1, join(file)};
    }
    const QByteArray value = text->toUtf8();
    const QByteArray sectionName = trimmed(*section).toUtf8();
    const QByteArray keyName = trimmed(*key).toUtf8();
    const auto breaks = [](const QByteArray& t) {
        return t.contains('\r') || t.contains('\n') || t.contains('\0');
    };
    if (breaks(value) || breaks(sectionName) || sectionName.contains(']') || breaks(keyName) ||
        keyName.contains('=') || keyName.startsWith(';') || keyName.startsWith('['))
        return {0, {}};
    if (span.first < 0) {
        file.lines.push_back({'[' + sectionName + ']', {}});
        file.lines.push_back({keyName + '=' + value, {}});
    } else if (line >= 0) {
        QByteArray& old = file.lines[size_t(line)].text;
        qsizetype start = old.indexOf('=') + 1;
        while (start < old.size() && isBlank(old[start]))
            ++start;
        old = old.left(start) + value;
    } else {
        qsizetype after = span.first;
        for (qsizetype i = span.first + 1; i < span.second; ++i) {
            const Kind kind = file.lines[size_t(i)].info.kind;
            if (kind == Kind::Key || kind == Kind::Other)
                after = i;
        }
        file.lines.insert(file.lines.begin() + after + 1, Line{keyName + '=' + value, {}});
    }
    return {1, join(file)};
}

// ---------------------------------------------------------------------------------------------------------
// The places a file lives in. Mounts are made in a private mount namespace, so they end with the process.

enum class Place { Disk, Ramfs, ReadOnlyMark, ReadOnlyFolder, FullDisk, Count };

#ifndef BRIMVEL_FUZZ_FAULTS
#define BRIMVEL_FUZZ_FAULTS 0
#endif
constexpr bool kFaults = BRIMVEL_FUZZ_FAULTS != 0;

QString scratchRoot;
QString folders[int(Place::Count)];
bool mounted[int(Place::Count)] = {};

void cleanUp() {
    for (int i = 0; i < int(Place::Count); ++i) {
        if (mounted[i])
            ::umount2(QFile::encodeName(folders[i]).constData(), MNT_DETACH);
    }
    QDir(scratchRoot).removeRecursively();
}

void fail(const char* what, int operation, const QString& detail) {
    std::fprintf(stderr, "oracle: %s (operation %d)\n%s\n", what, operation, qPrintable(detail));
    cleanUp(); // abort() skips the exit handlers
    std::abort();
}

QString shown(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toPercentEncoding(" =[];\"'"));
}

QString shown(const std::optional<QByteArray>& bytes) {
    return bytes ? shown(*bytes) : QStringLiteral("(no file)");
}

void setUp() {
    // The logic fuzzer's plain folder, should ramfs be refused, lies in memory too where /dev/shm exists.
    char folderTemplate[] = "/tmp/fuzz_profile-XXXXXX";
    char memoryTemplate[] = "/dev/shm/fuzz_profile-XXXXXX";
    const bool inMemory = !kFaults && QDir(QStringLiteral("/dev/shm")).exists();
    const char* root = ::mkdtemp(inMemory ? memoryTemplate : folderTemplate);
    if (!root)
        std::abort();
    scratchRoot = QString::fromLocal8Bit(root);
    std::atexit(cleanUp);
    const bool privateMounts =
        ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    const char* names[] = {"disk", "ramfs", "mark", "readonly", "full"};
    for (int i = 0; i < int(Place::Count); ++i) {
        folders[i] = scratchRoot + u'/' + QString::fromLatin1(names[i]);
        QDir().mkdir(folders[i]);
        const QByteArray folder = QFile::encodeName(folders[i]);
        if (!privateMounts)
            continue;
        if (Place(i) == Place::Ramfs && !kFaults)
            mounted[i] = ::mount("ramfs", folder.constData(), "ramfs", 0, "") == 0;
        else if ((Place(i) == Place::ReadOnlyFolder || Place(i) == Place::FullDisk) && kFaults)
            mounted[i] = ::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=256k") == 0;
    }
    if (kFaults)
        std::fprintf(stderr, "fuzz_profile (faults): read-only folder %s, full disk %s\n",
                     mounted[int(Place::ReadOnlyFolder)] ? "mounted" : "not mounted: not exercised",
                     mounted[int(Place::FullDisk)] ? "mounted" : "not mounted: not exercised");
    else
        std::fprintf(stderr, "fuzz_profile (logic): ramfs %s\n",
                     mounted[int(Place::Ramfs)] ? "mounted"
                     : inMemory                 ? "not mounted: a folder of /dev/shm instead"
                                                : "not mounted: a plain folder instead");
}

bool remount(Place place, bool readOnly) {
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount(nullptr, QFile::encodeName(folders[int(place)]).constData(), nullptr, flags,
                   "size=256k") == 0;
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
           file.flush();
}

std::optional<QByteArray> contentOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// Fills the file system of the folder to the last byte.
void fillDisk(const QString& folder) {
    QFile filler(folder + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::Append | QIODevice::Unbuffered))
        return;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
}

// Puts the file in place as the input says; false when the place cannot hold it this time.
bool prepare(Place place, const QString& path, const std::optional<QByteArray>& bytes) {
    const QString folder = folders[int(place)];
    if (place == Place::ReadOnlyFolder && !remount(place, false))
        return false;
    QFile::remove(path);
    QFile::remove(folder + QStringLiteral("/filler"));
    if (bytes && !writeAll(path, *bytes))
        return false;
    if (place == Place::ReadOnlyMark && bytes)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    if (place == Place::ReadOnlyFolder && !remount(place, true))
        return false;
    if (place == Place::FullDisk)
        fillDisk(folder);
    return true;
}

// Rewrites the file in place, keeping its size, inode and modification time.
bool rewriteInPlace(const QString& path, qsizetype offset, char byte) {
    struct stat before {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &before) != 0)
        return false;
    const int fd = ::open(name.constData(), O_WRONLY);
    if (fd < 0)
        return false;
    const bool written = ::pwrite(fd, &byte, 1, offset) == 1;
    ::close(fd);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    return written && ::utimensat(AT_FDCWD, name.constData(), times, 0) == 0;
}

// ---------------------------------------------------------------------------------------------------------
// The script.

class Script {
public:
    Script(const uint8_t* data, size_t size, size_t scriptSize)
        : data_(data), size_(std::min(size, scriptSize)) {}
    uint8_t next() { return position_ < size_ ? data_[position_++] : 0; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

const int operationBytes = 8;

QString swapCase(const QString& text) {
    QString result = text;
    for (QChar& c : result)
        c = c.isLower() ? c.toUpper() : c.toLower();
    return result;
}

const QStringList& fixedNames() {
    static const QStringList names = {
        QStringLiteral("0"),          QStringLiteral("1"),          QStringLiteral("8"),
        QStringLiteral("name0"),      QStringLiteral("url9"),       QStringLiteral("a"),
        QStringLiteral("A"),          QStringLiteral(" a\t"),       QStringLiteral("k"),
        QStringLiteral(""),           QStringLiteral("a]b"),        QStringLiteral("k=v"),
        QStringLiteral(";c"),         QStringLiteral("[s"),         QStringLiteral("x\ny"),
        QStringLiteral("\u00e4rger"), QStringLiteral("\u00c4RGER"), QStringLiteral("\u212a"),
        QStringLiteral("\ufffd"),     QStringLiteral("new"),
    };
    return names;
}

// A section or key name: absent, one from a fixed list, or one of the names now in the file, changed a
// little.
Text chooseName(uint8_t choice, const QList<QByteArray>& inFile) {
    if (choice == 0xFF)
        return std::nullopt;
    if (choice < 0x80 && !inFile.isEmpty()) {
        const QString name = QString::fromUtf8(inFile[(choice & 0x1F) % inFile.size()]);
        switch ((choice >> 5) & 3) {
        case 1:
            return swapCase(name);
        case 2:
            return QStringLiteral(" \t") + name + QStringLiteral(" ");
        default:
            return name;
        }
    }
    return fixedNames()[choice % fixedNames().size()];
}

Text chooseValue(uint8_t choice, uint8_t from, uint8_t length, const QByteArray& fileBytes) {
    static const QStringList values = {
        QStringLiteral("v"),
        QStringLiteral(""),
        QStringLiteral("  padded  "),
        QStringLiteral("\"quoted\""),
        QStringLiteral("'q'"),
        QStringLiteral("x\ny"),
        QStringLiteral("x\ry"),
        QStringLiteral("a=b"),
        QStringLiteral("[s]"),
        QStringLiteral(";c"),
        QStringLiteral("caf\u00e9 \u20ac"),
        QString(300, u'x'),
        QString(253, u'x') + u'\u00e9',
        QString::fromUtf16(u"nul\0inside", 10),
        QStringLiteral("http://example.test/a b?q={x}"),
    };
    if (choice == 0xFF)
        return std::nullopt;
    if (choice >= 0x80) {
        // A piece of the file's own bytes, whatever they hold.
        const qsizetype start = fileBytes.isEmpty() ? 0 : (qsizetype(from) * 37) % fileBytes.size();
        return QString::fromUtf8(fileBytes.mid(start, length));
    }
    return values[choice % values.size()];
}

int chooseSize(uint8_t choice) {
    static const int sizes[] = {255, 0, 1, 2, 3, 4, 5, 8, 16, 64, 254, 8192, -1, 7, 9, 1 << 20};
    return sizes[choice % std::size(sizes)];
}

QList<QByteArray> sectionNames(const std::optional<QByteArray>& bytes) {
    QList<QByteArray> names;
    for (const Line& line : splitOnce(bytes).lines) {
        const Parsed& p = line.info;
        if (p.kind == Kind::Section)
            names.append(p.name);
    }
    return names;
}

QList<QByteArray> keyNames(const std::optional<QByteArray>& bytes) {
    QList<QByteArray> names;
    for (const Line& line : splitOnce(bytes).lines) {
        const Parsed& p = line.info;
        if (p.kind == Kind::Key)
            names.append(p.name);
    }
    return names;
}

void compareRead(const Read& expected, const QString& buffer, int count, int operation, const char* what,
                 const Text& section, const Text& key) {
    if (buffer == expected.buffer && count == expected.count)
        return;
    fail(what, operation,
         QStringLiteral("section %1, key %2\nexpected %3 (%4)\nread     %5 (%6)")
             .arg(section ? shown(section->toUtf8()) : QStringLiteral("(absent)"),
                  key ? shown(key->toUtf8()) : QStringLiteral("(absent)"), shown(expected.buffer.toUtf8()))
             .arg(expected.count)
             .arg(shown(buffer.toUtf8()))
             .arg(count));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setUp(); // before libFuzzer starts threads, which would keep this process out of a mount namespace
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Script header(data, size, 2);
    const uint8_t placeChoice = header.next();
    const int operations = 1 + header.next() % 16;
    const size_t scriptSize = 2 + size_t(operations) * operationBytes;
    const QByteArray initial =
        size > scriptSize
            ? QByteArray(reinterpret_cast<const char*>(data) + scriptSize, qsizetype(size - scriptSize))
            : QByteArray();
    static const Place faultPlaces[4] = {Place::Disk, Place::ReadOnlyMark, Place::ReadOnlyFolder,
                                         Place::FullDisk};
    Place place = kFaults ? faultPlaces[placeChoice % 4] : Place::Ramfs;
    if (place == Place::Ramfs && !mounted[int(Place::Ramfs)])
        place = Place::Disk;
    if ((place == Place::ReadOnlyFolder || place == Place::FullDisk) && !mounted[int(place)])
        return 0;
    const bool missingFile = (placeChoice & 0x80) != 0 && place != Place::FullDisk;
    const QString folder = folders[int(place)];
    const QString path = folder + QStringLiteral("/profile.ini");

    std::optional<QByteArray> model = missingFile ? std::nullopt : std::optional<QByteArray>(initial);
    if (!prepare(place, path, model))
        return 0;
    const QStringList entriesAtStart = QDir(folder).entryList(QDir::Files | QDir::Hidden);

    // What reads see: the file, or the state a live snapshot began with.
    std::optional<PrivateProfile::Snapshot> snapshot;
    std::optional<QByteArray> snapshotModel;
    const auto seen = [&]() -> const std::optional<QByteArray>& { return snapshot ? snapshotModel : model; };

    Script script(data + 2, size > 2 ? size - 2 : 0, scriptSize - 2);
    for (int operation = 0; operation < operations; ++operation) {
        const int kind = script.next() % 8;
        const uint8_t sectionChoice = script.next();
        const uint8_t keyChoice = script.next();
        const uint8_t valueChoice = script.next();
        const uint8_t from = script.next();
        const uint8_t length = script.next();
        const uint8_t defaultChoice = script.next();
        const uint8_t sizeChoice = script.next();
        const Text section = chooseName(sectionChoice, sectionNames(model));
        const Text key = chooseName(keyChoice, keyNames(model));

        if (kind <= 2) {
            // 0 writes a value, 1 removes a key, 2 removes a section.
            const Text keyForWrite = kind == 2 ? std::nullopt : key;
            const Text text = kind == 0 ? chooseValue(valueChoice, from, length, initial) : std::nullopt;
            // A section removal ignores the text, so it is sometimes given one.
            const Text sentText = kind == 2 && (valueChoice & 1) ? Text(QStringLiteral("ignored")) : text;
            Write expected = modelWrite(model, section, keyForWrite, kind == 2 ? std::nullopt : text);
            if (expected.bytes) {
                // A missing file is created without the read-only mark; an empty file needs no room on disk.
                const bool canWrite = place == Place::Disk || place == Place::Ramfs ||
                                      (place == Place::ReadOnlyMark && missingFile) ||
                                      (place == Place::FullDisk && expected.bytes->isEmpty());
                if (!canWrite)
                    expected = {0, {}};
            }
            const int result = PrivateProfile::writeString(section, keyForWrite, sentText, path);
            snapshot.reset(); // a write ends a snapshot
            if (result != expected.result)
                fail("write result", operation,
                     QStringLiteral("expected %1, got %2; section %3, key %4, text %5\nfile %6")
                         .arg(expected.result)
                         .arg(result)
                         .arg(section ? shown(section->toUtf8()) : QStringLiteral("(absent)"),
                              keyForWrite ? shown(keyForWrite->toUtf8()) : QStringLiteral("(absent)"),
                              sentText ? shown(sentText->toUtf8()) : QStringLiteral("(absent)"),
                              shown(model)));
            if (expected.bytes)
                model = expected.bytes;
            if (place == Place::FullDisk)
                fillDisk(folder); // what the old file held is free again
            const std::optional<QByteArray> now = contentOf(path);
            if (now != model)
                fail("file bytes", operation,
                     QStringLiteral("section %1, key %2, text %3\nexpected %4\nfound    %5")
                         .arg(section ? shown(section->toUtf8()) : QStringLiteral("(absent)"),
                              keyForWrite ? shown(keyForWrite->toUtf8()) : QStringLiteral("(absent)"),
                              sentText ? shown(sentText->toUtf8()) : QStringLiteral("(absent)"), shown(model),
                              shown(now)));
            QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden);
            entries.removeAll(QStringLiteral("profile.ini"));
            QStringList expectedEntries = entriesAtStart;
            expectedEntries.removeAll(QStringLiteral("profile.ini"));
            if (entries != expectedEntries)
                fail("a temporary file was left", operation, entries.join(u' '));
        } else if (kind <= 5) {
            // 3 reads a value, 4 the key list of a section, 5 the section list.
            const Text readSection = kind == 5 ? std::nullopt : section;
            const Text readKey = kind == 3 ? key : (kind == 5 && (keyChoice & 1) ? key : std::nullopt);
            const Text dflt = defaultChoice % 3 == 0   ? std::nullopt
                              : defaultChoice % 3 == 1 ? Text(QStringLiteral("dflt"))
                                                       : Text(QString());
            const int bufferSize = chooseSize(sizeChoice);
            QString buffer = QStringLiteral("stale");
            const int count = PrivateProfile::getString(readSection, readKey, dflt, buffer, bufferSize, path);
            compareRead(modelRead(seen(), readSection, readKey, dflt, bufferSize), buffer, count, operation,
                        "read", readSection, readKey);
        } else if (kind == 6) {
            // Begins a snapshot, or ends the one that is live.
            if (snapshot) {
                snapshot.reset();
            } else {
                snapshot.emplace(path);
                snapshotModel = model;
            }
        } else if (model && !model->isEmpty() && place != Place::ReadOnlyFolder) {
            // Another program changes one byte in place and puts the old modification time back.
            const qsizetype offset = (qsizetype(from) << 8 | length) % model->size();
            if (!rewriteInPlace(path, offset, char(valueChoice)))
                fail("rewrite in place", operation, path);
            (*model)[offset] = char(valueChoice);
        }
    }
    snapshot.reset();

    // Every name and value the file now holds reads as the model says, through a snapshot or not.
    if (placeChoice & 0x40)
        snapshot.emplace(path);
    const auto check = [&](const Text& section, const Text& key) {
        QString buffer;
        const int count =
            PrivateProfile::getString(section, key, QStringLiteral("dflt"), buffer, 1 << 20, path);
        compareRead(modelRead(model, section, key, QStringLiteral("dflt"), 1 << 20), buffer, count,
                    operations, "final read", section, key);
    };
    check(std::nullopt, std::nullopt);
    const QList<QByteArray> sections = sectionNames(model);
    const QList<QByteArray> keys = keyNames(model);
    for (qsizetype s = 0; s < std::min<qsizetype>(sections.size(), 8); ++s) {
        const QString section = QString::fromUtf8(sections[s]);
        check(section, std::nullopt);
        for (qsizetype k = 0; k < std::min<qsizetype>(keys.size(), 8); ++k)
            check(section, QString::fromUtf8(keys[k]));
    }
    snapshot.reset();
    return 0;
}
