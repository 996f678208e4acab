// SPDX-License-Identifier: MIT
#include "PrivateProfile.h"

#include "BoundedFile.h"

#include <algorithm>

#include <QHash>

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace {

using PrivateProfile::Edit;

// The file is handled as raw bytes so that bytes that are not valid UTF-8 survive a rewrite untouched.

const QByteArray utf8ByteOrderMark("\xEF\xBB\xBF");

struct Line {
    QByteArray text;   // without the line ending
    QByteArray ending; // "\n", "\r\n", or empty for a last line without a final newline
};

enum class LineKind { Ignored, Comment, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Ignored;
    QByteArrayView name;      // section or key name without surrounding blanks
    qsizetype valueStart = 0; // key lines: offset of the value, past the '=' and the blanks after it
};

struct ProfileImage {
    QByteArray byteOrderMark;
    QList<Line> lines;
    QByteArray newLineEnding = "\n";
    bool endsWithNewline = true;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimBlanks(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin);
}

bool isContinuationByte(uchar c) {
    return (c & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence a lead byte opens; 0 for ASCII, continuation and invalid bytes.
int sequenceLength(uchar lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool isValidUtf8(QByteArrayView text) {
    for (qsizetype i = 0; i < text.size();) {
        const uchar lead = uchar(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const int length = sequenceLength(lead);
        if (length == 0 || i + length > text.size())
            return false;
        const uchar second = uchar(text[i + 1]);
        // Reject overlong forms, surrogates and code points above U+10FFFF.
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return false;
        for (int k = 1; k < length; ++k) {
            if (!isContinuationByte(uchar(text[i + k])))
                return false;
        }
        i += length;
    }
    return true;
}

// The largest length not above `limit` that does not end inside a UTF-8 sequence.
qsizetype cutLength(QByteArrayView text, qsizetype limit) {
    if (limit <= 0)
        return 0;
    if (limit >= text.size() || !isContinuationByte(uchar(text[limit])))
        return std::min(limit, text.size());
    for (qsizetype back = 1; back <= 3 && limit - back >= 0; ++back) {
        const uchar c = uchar(text[limit - back]);
        if (isContinuationByte(c))
            continue;
        return sequenceLength(c) > back ? limit - back : limit;
    }
    return limit;
}

bool isAscii(QByteArrayView text) {
    for (char c : text) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

// A name asked for by a caller, prepared once for comparing with the names in the file.
class WantedName {
public:
    explicit WantedName(const QString& name) : text_(trimBlanks(name)), bytes_(text_.toUtf8()) {}

    const QString& text() const { return text_; }
    const QByteArray& bytes() const { return bytes_; }

    bool matches(QByteArrayView nameInFile) const {
        if (nameInFile == QByteArrayView(bytes_))
            return true;
        if (isAscii(nameInFile) && isAscii(bytes_))
            return nameInFile.compare(bytes_, Qt::CaseInsensitive) == 0;
        // Names that are not valid UTF-8 only match byte for byte: decoding would make different bytes
        // look alike.
        if (!isValidUtf8(nameInFile))
            return false;
        return QString::fromUtf8(nameInFile).compare(text_, Qt::CaseInsensitive) == 0;
    }

private:
    QString text_;
    QByteArray bytes_;
};

LineInfo classify(const QByteArray& text) {
    LineInfo info;
    const QByteArrayView line = trimBlanks(QByteArrayView(text));
    if (line.isEmpty())
        return info;
    if (line.front() == ';') {
        info.kind = LineKind::Comment;
        return info;
    }
    if (line.front() == '[') {
        const QByteArrayView inner = line.sliced(1);
        const qsizetype close = inner.indexOf(']');
        info.kind = LineKind::Section;
        info.name = trimBlanks(close < 0 ? inner : inner.first(close));
        return info;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return info;
    info.kind = LineKind::Key;
    info.name = trimBlanks(QByteArrayView(text).first(equals));
    qsizetype valueStart = equals + 1;
    while (valueStart < text.size() && isBlank(text[valueStart]))
        ++valueStart;
    info.valueStart = valueStart;
    return info;
}

QByteArray valueOf(const QByteArray& text, const LineInfo& info) {
    QByteArrayView value = trimBlanks(QByteArrayView(text).sliced(info.valueStart));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.toByteArray();
}

ProfileImage parse(const QByteArray& bytes) {
    ProfileImage image;
    qsizetype position = 0;
    if (bytes.startsWith(utf8ByteOrderMark)) {
        image.byteOrderMark = utf8ByteOrderMark;
        position = utf8ByteOrderMark.size();
    }
    bool endingSeen = false;
    while (position < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', position);
        Line line;
        if (newline < 0) {
            line.text = bytes.sliced(position);
            position = bytes.size();
            image.endsWithNewline = false;
        } else {
            qsizetype textEnd = newline;
            if (textEnd > position && bytes[textEnd - 1] == '\r')
                --textEnd;
            line.text = bytes.sliced(position, textEnd - position);
            line.ending = bytes.sliced(textEnd, newline + 1 - textEnd);
            if (!endingSeen) {
                image.newLineEnding = line.ending;
                endingSeen = true;
            }
            position = newline + 1;
        }
        image.lines.append(line);
    }
    return image;
}

QByteArray serialize(ProfileImage& image) {
    // Lines added or removed at the end must not change whether the file ends with a newline. A blank line
    // that becomes the last one keeps its ending, though: without it the line itself would be gone.
    for (qsizetype i = 0; i < image.lines.size(); ++i) {
        Line& line = image.lines[i];
        const bool last = i == image.lines.size() - 1;
        if (last && !image.endsWithNewline && !line.text.isEmpty())
            line.ending.clear();
        else if (line.ending.isEmpty())
            // A last line ending in a lone CR would have it taken into a CRLF by a plain LF.
            line.ending = line.text.endsWith('\r') ? QByteArray("\r\n") : image.newLineEnding;
    }
    QByteArray bytes = image.byteOrderMark;
    for (const Line& line : image.lines)
        bytes += line.text + line.ending;
    return bytes;
}

using FileState = BoundedFile::State;

FileState readFile(const QString& path, QByteArray& bytes) {
    BoundedFile file(path, PrivateProfile::maxFileSize);
    return file.readAll(bytes);
}

// Index range [header, end) of the first section whose name matches, or header == -1.
struct SectionSpan {
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionSpan findSection(const ProfileImage& image, const WantedName& section) {
    SectionSpan span;
    for (qsizetype i = 0; i < image.lines.size(); ++i) {
        const LineInfo info = classify(image.lines[i].text);
        if (info.kind != LineKind::Section)
            continue;
        if (span.header >= 0) {
            span.end = i;
            return span;
        }
        if (section.matches(info.name))
            span.header = i;
    }
    if (span.header >= 0)
        span.end = image.lines.size();
    return span;
}

qsizetype findKey(const ProfileImage& image, const SectionSpan& span, const WantedName& key) {
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        const LineInfo info = classify(image.lines[i].text);
        if (info.kind == LineKind::Key && key.matches(info.name))
            return i;
    }
    return -1;
}

QByteArray sectionNameList(const ProfileImage& image) {
    QByteArray list;
    for (const Line& line : image.lines) {
        const LineInfo info = classify(line.text);
        if (info.kind == LineKind::Section)
            list += info.name.toByteArray() + '\0';
    }
    return list;
}

QByteArray keyNameList(const ProfileImage& image, const WantedName& section) {
    QByteArray list;
    const SectionSpan span = findSection(image, section);
    for (qsizetype i = span.header + 1; span.header >= 0 && i < span.end; ++i) {
        const LineInfo info = classify(image.lines[i].text);
        if (info.kind == LineKind::Key)
            list += info.name.toByteArray() + '\0';
    }
    return list;
}

int placeText(const QByteArray& text, int size, QString& buffer) {
    const qsizetype length = cutLength(text, size - 1);
    buffer = QString::fromUtf8(text.first(length));
    return int(length);
}

int placeList(const QByteArray& list, int size, QString& buffer) {
    qsizetype length = list.size();
    if (length + 1 > size)
        length = cutLength(list, size - 2);
    buffer = QString::fromUtf8(list.first(length));
    return int(length);
}

bool containsLineBreakOrNul(QByteArrayView text) {
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

bool isWritableSectionName(const WantedName& section) {
    return !containsLineBreakOrNul(section.bytes()) && !section.bytes().contains(']');
}

bool isWritableKeyName(const WantedName& key) {
    const QByteArray& name = key.bytes();
    return !containsLineBreakOrNul(name) && !name.contains('=') && !name.startsWith(';') &&
           !name.startsWith('[');
}

// The read-only mark of this program's files is a missing owner write permission; it is honoured even
// where the process could write anyway (as root), so a file marked read-only stays as it is.
bool mayReplace(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    return info.isFile() && info.isWritable() && info.permission(QFileDevice::WriteOwner);
}

int save(const QString& path, ProfileImage& image) {
    if (!mayReplace(path))
        return 0;
    const QByteArray bytes = serialize(image);
    // The layer never makes a file that it would then take for absent.
    if (bytes.size() > PrivateProfile::maxFileSize)
        return 0;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    // QSaveFile buffers writes and its commit() can succeed after a failed flush (seen with a full disk),
    // which would replace the file with a truncated one: the flush is checked here before committing.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return 0;
    }
    return file.commit() ? 1 : 0;
}

// The edits below change the parsed image only and say whether anything changed; the caller saves.
bool removeSection(ProfileImage& image, const WantedName& section) {
    const SectionSpan span = findSection(image, section);
    if (span.header < 0)
        return false;
    for (qsizetype i = span.end - 1; i > span.header; --i) {
        if (classify(image.lines[i].text).kind == LineKind::Key)
            image.lines.removeAt(i);
    }
    image.lines.removeAt(span.header);
    return true;
}

bool removeKey(ProfileImage& image, const WantedName& section, const WantedName& key) {
    const SectionSpan span = findSection(image, section);
    const qsizetype keyLine = span.header < 0 ? -1 : findKey(image, span, key);
    if (keyLine < 0)
        return false;
    image.lines.removeAt(keyLine);
    return true;
}

void setValue(ProfileImage& image, const WantedName& section, const WantedName& key,
              const QByteArray& value) {
    const SectionSpan span = findSection(image, section);
    if (span.header < 0) {
        image.lines.append(Line{'[' + section.bytes() + ']', {}});
        image.lines.append(Line{key.bytes() + '=' + value, {}});
        return;
    }
    const qsizetype keyLine = findKey(image, span, key);
    if (keyLine >= 0) {
        QByteArray& text = image.lines[keyLine].text;
        text = text.first(classify(text).valueStart) + value;
        return;
    }
    qsizetype insertAfter = span.header;
    for (qsizetype i = span.end - 1; i > span.header; --i) {
        const LineKind kind = classify(image.lines[i].text).kind;
        if (kind == LineKind::Key || kind == LineKind::Ignored) {
            if (!trimBlanks(QByteArrayView(image.lines[i].text)).isEmpty()) {
                insertAfter = i;
                break;
            }
        }
    }
    image.lines.insert(insertAfter + 1, Line{key.bytes() + '=' + value, {}});
}

// Whether an edit may be made at all (see writeString); nothing is checked for removals.
bool acceptable(const Edit& edit) {
    if (!edit.section)
        return false;
    if (!edit.key || !edit.text)
        return true;
    return !containsLineBreakOrNul(edit.text->toUtf8()) && isWritableSectionName(WantedName(*edit.section)) &&
           isWritableKeyName(WantedName(*edit.key));
}

// Makes one edit on the image; true when it changed anything.
bool apply(ProfileImage& image, const Edit& edit) {
    const WantedName wantedSection(*edit.section);
    if (!edit.key)
        return removeSection(image, wantedSection);
    const WantedName wantedKey(*edit.key);
    if (!edit.text)
        return removeKey(image, wantedSection, wantedKey);
    setValue(image, wantedSection, wantedKey, edit.text->toUtf8());
    return true;
}

// The first value of every section and key of one state of a file, for the frequent reads of single values.
// It is kept for the last file read, with the bytes it was built from, and used again only while the file
// holds those very bytes: time stamps and sizes cannot tell a rewrite of the same size within one tick of a
// coarse clock, so every read compares the file with them.
class ValueIndex {
public:
    // The index of the file as it is now, or nullptr when it is absent, unreadable or too large.
    static const ValueIndex* forFile(const QString& path);
    // The index of these bytes, the file's content; the bytes are kept with it (shared, not copied).
    static const ValueIndex* forBytes(const QString& path, const QByteArray& bytes);

    const QByteArray& bytes() const { return bytes_; }

    // The value of the first matching key of the first matching section, or nullptr when there is none.
    const QByteArray* find(const QString& section, const QString& key) const {
        const auto sectionIt = sections_.constFind(fold(trimBlanks(section)));
        if (sectionIt == sections_.constEnd())
            return nullptr;
        const auto keyIt = sectionIt->constFind(fold(trimBlanks(key)));
        return keyIt == sectionIt->constEnd() ? nullptr : &keyIt.value();
    }

private:
    // Names compare without regard to letter case; a name that is not valid UTF-8 matches byte for byte
    // only, so it is kept apart from every name a caller can ask for.
    static QString fold(QByteArrayView name) {
        if (isAscii(name))
            return QString::fromLatin1(name.toByteArray().toLower());
        if (!isValidUtf8(name))
            return QStringLiteral("\x01") + QString::fromLatin1(name.toByteArray().toHex());
        return QString::fromUtf8(name).toCaseFolded();
    }
    static QString fold(const QString& name) { return fold(QByteArrayView(name.toUtf8())); }

    void build(const ProfileImage& image) {
        QHash<QString, QByteArray>* current = nullptr;
        for (const Line& line : image.lines) {
            const LineInfo info = classify(line.text);
            if (info.kind == LineKind::Section) {
                const QString name = fold(info.name);
                // A later section of the same name is never read: the first one wins.
                current = sections_.contains(name) ? nullptr : &sections_[name];
            } else if (info.kind == LineKind::Key && current) {
                const QString name = fold(info.name);
                if (!current->contains(name))
                    current->insert(name, valueOf(line.text, info));
            }
        }
    }

    QString path_;
    QByteArray bytes_;
    QHash<QString, QHash<QString, QByteArray>> sections_;
};

ValueIndex& lastIndex() {
    static ValueIndex index;
    return index;
}

const ValueIndex* ValueIndex::forFile(const QString& path) {
    const ValueIndex& cached = lastIndex();
    BoundedFile file(path, PrivateProfile::maxFileSize);
    if (file.state() != FileState::Readable)
        return nullptr; // absent, unreadable or too large: the general path answers
    if (cached.path_ == path && file.holds(cached.bytes_))
        return &cached;
    QByteArray bytes;
    if (file.readAll(bytes) != FileState::Readable)
        return nullptr;
    return forBytes(path, bytes);
}

const ValueIndex* ValueIndex::forBytes(const QString& path, const QByteArray& bytes) {
    ValueIndex& cached = lastIndex();
    const bool shared =
        cached.bytes_.constData() == bytes.constData() && cached.bytes_.size() == bytes.size();
    if (cached.path_ == path && (shared || cached.bytes_ == bytes))
        return &cached;
    cached = ValueIndex();
    cached.build(parse(bytes));
    cached.path_ = path;
    cached.bytes_ = bytes;
    return &cached;
}

// The innermost snapshot of this thread; each one links to the one it was started in.
thread_local PrivateProfile::Snapshot* innermostSnapshot = nullptr;

} // namespace

namespace PrivateProfile {

Snapshot::Snapshot(const QString& path) : path_(path), outer_(innermostSnapshot) {
    if (const Snapshot* outer = find(path)) {
        bytes_ = outer->bytes_;
        present_ = outer->present_;
    } else {
        present_ = readFile(path, bytes_) == FileState::Readable;
        // Taking the index's own copy when it is equal lets every read of the snapshot find the index by
        // identity rather than by comparing the bytes again.
        if (present_)
            bytes_ = ValueIndex::forBytes(path, bytes_)->bytes();
        else
            bytes_.clear();
    }
    innermostSnapshot = this;
}

Snapshot::~Snapshot() {
    innermostSnapshot = outer_;
}

const Snapshot* Snapshot::find(const QString& path) {
    for (const Snapshot* snapshot = innermostSnapshot; snapshot; snapshot = snapshot->outer_) {
        if (snapshot->live_ && snapshot->path_ == path)
            return snapshot;
    }
    return nullptr;
}

void Snapshot::end(const QString& path) {
    for (Snapshot* snapshot = innermostSnapshot; snapshot; snapshot = snapshot->outer_) {
        if (snapshot->path_ == path) {
            snapshot->live_ = false;
            snapshot->bytes_.clear();
        }
    }
}

int getString(const std::optional<QString>& section, const std::optional<QString>& key,
              const std::optional<QString>& defaultText, QString& buffer, int size, const QString& path) {
    buffer.clear();
    if (size <= 0)
        return 0;
    const Snapshot* snapshot = Snapshot::find(path);
    if (section && key && (!snapshot || snapshot->present_)) {
        const ValueIndex* index =
            snapshot ? ValueIndex::forBytes(path, snapshot->bytes_) : ValueIndex::forFile(path);
        if (index) {
            const QByteArray* value = index->find(*section, *key);
            return placeText(value         ? *value
                             : defaultText ? defaultText->toUtf8()
                                           : QByteArray(),
                             size, buffer);
        }
    }
    ProfileImage image;
    if (snapshot) {
        if (snapshot->present_)
            image = parse(snapshot->bytes_);
    } else {
        QByteArray bytes;
        if (readFile(path, bytes) == FileState::Readable)
            image = parse(bytes);
    }
    if (!section)
        return placeList(sectionNameList(image), size, buffer);
    const WantedName wantedSection(*section);
    if (!key)
        return placeList(keyNameList(image, wantedSection), size, buffer);

    const WantedName wantedKey(*key);
    const SectionSpan span = findSection(image, wantedSection);
    const qsizetype keyLine = span.header < 0 ? -1 : findKey(image, span, wantedKey);
    if (keyLine >= 0) {
        const QByteArray& text = image.lines[keyLine].text;
        return placeText(valueOf(text, classify(text)), size, buffer);
    }
    return placeText(defaultText ? defaultText->toUtf8() : QByteArray(), size, buffer);
}

QByteArray fileBytes(const QString& path) {
    QByteArray bytes;
    if (readFile(path, bytes) != FileState::Readable)
        bytes.clear();
    return bytes;
}

int writeString(const std::optional<QString>& section, const std::optional<QString>& key,
                const std::optional<QString>& text, const QString& path) {
    return writeStrings({Edit{section, key, text}}, path);
}

int writeStrings(const QList<Edit>& edits, const QString& path, const std::optional<QByteArray>& expected) {
    // Whatever becomes of the write, reads that follow it go to the file.
    Snapshot::end(path);
    for (const Edit& edit : edits) {
        if (!acceptable(edit))
            return 0;
    }
    QByteArray bytes;
    const FileState state = readFile(path, bytes);
    if (state == FileState::Unreadable || state == FileState::TooLarge)
        return 0;
    if (expected && bytes != *expected)
        return 0;
    ProfileImage image = parse(bytes);
    bool changed = false;
    for (const Edit& edit : edits)
        changed = apply(image, edit) || changed;
    // Removing only what is not there leaves the disk untouched.
    return changed ? save(path, image) : 1;
}

} // namespace PrivateProfile
