// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>

// Private-profile access to INI files: the two operations everything else in the program uses to read
// and write the link file and any other INI text.
//
// File format, as read:
// - A file is UTF-8 text; an initial UTF-8 byte-order mark is skipped and kept. Lines end with "\n" or
//   "\r\n"; each line keeps its own ending when the file is rewritten.
// - A line whose first non-blank character is ';' is a comment. A line whose first non-blank character is
//   '[' starts a section; the name runs up to the first ']' (or the end of the line when there is none), and
//   text after the ']' is ignored. A line holding '=' is a key: the name is the text before the first '=',
//   the value the text after it. Any other line is ignored, and so is everything before the first section.
// - Blanks (space, tab) around section names, key names and values are ignored; a value wrapped in one
//   matching pair of single or double quotes reads without them.
// - Names match without regard to letter case. Every operation acts on the first matching section and, in
//   it, on the first matching key; duplicates behind them are left alone (and come to light once the first
//   is removed). Names given to these operations are taken without their surrounding blanks too.
//
// Sizes and counts are in bytes of the UTF-8 file text ("characters"), not in QChars: `size` limits the
// bytes placed and the result counts them, while `buffer` holds those bytes decoded from UTF-8. A cut never
// splits a UTF-8 sequence: it moves back to the start of the sequence it would split.
//
// Outside a Snapshot (below), every call reads the file as it is at that moment. A parse of the file may be
// kept from one call to the next, but it is used again only while the file holds exactly the bytes it was
// made from, so a rewrite is seen at once however small it is and whatever the file's size and time stamps
// say.
//
// A file larger than 64 MiB (far above any real one) is not read: reads take it for absent (defaults, empty
// lists), and every write to it, removals included, is refused with 0 and leaves it untouched. A write whose
// result would be larger than that is refused the same way.
namespace PrivateProfile {

// The largest file the layer reads (64 MiB).
inline constexpr qint64 maxFileSize = qint64(64) << 20;

// The file's bytes as this layer sees them, read in bounded pieces: none when it is absent, unreadable or
// larger than maxFileSize. Everything else that reads the link file whole reads it through this, so that
// a file too large for the layer is too large everywhere.
QByteArray fileBytes(const QString& path);

// Absent arguments are std::nullopt; an absent argument is not the same as an empty text.
// - section and key given: the key's value, or defaultText when the file, section or key is absent (empty
//   when defaultText is absent); at most size - 1 bytes.
// - section given, key absent: the key names of the first matching section, in file order, duplicates and
//   empty names included, each followed by QChar(0). The count covers every name's terminating NUL but not
//   the extra NUL that would close the list; a list that does not fit (count + 1 > size) is cut to size - 2.
//   A missing file or section gives an empty list; defaultText plays no part in listings.
// - section absent (key ignored): the same for the section names of the file.
// Returns the count of bytes placed in `buffer`.
int getString(const std::optional<QString>& section, const std::optional<QString>& key,
              const std::optional<QString>& defaultText, QString& buffer, int size, const QString& path);

// Returns nonzero on success, 0 on failure.
// - section, key and text given: replaces the value of the key in place, keeping the line's text up to the
//   '=' and the blanks after it; a missing key is added as "key=text" after the section's last line that is
//   neither blank nor a comment (so blank lines and comments that lead into the next section stay in front
//   of it); a missing section is added at the end of the file as "[section]" followed by the key. A missing
//   file is created when its folder exists. The text is written exactly as given.
// - text absent: removes the key's line.
// - key absent (text ignored): removes the section's header line and its key lines; comments, blank lines
//   and other lines inside it stay where they are.
// - section absent: nothing is done and the result is 0.
// Every other byte of the file stays as it was, including a missing final newline (except that a blank line
// left last keeps its own ending, as it would vanish without it); new lines use the file's line ending
// ("\n" for a new file).
//
// Refused with 0, leaving the file untouched: a text holding CR, LF or NUL (it would break the line
// structure or let the text inject keys and sections); a section name holding ']', CR, LF or NUL; a key
// name holding '=', CR, LF or NUL or starting with ';' or '[' (it would read back as something else).
//
// Removing what is not there (including from a missing file or a missing folder) succeeds and leaves the
// disk untouched: the key or section is absent either way.
//
// A change is written to a temporary file in the same folder, flushed to disk and renamed over the old file,
// so the file is never left half written. A change that cannot be made returns 0 and leaves the old file
// byte for byte as it was: the file or its folder cannot be written, the file carries no write permission
// for its owner (the read-only mark, honoured even for root), the path is not a regular file, or the disk
// is full.
int writeString(const std::optional<QString>& section, const std::optional<QString>& key,
                const std::optional<QString>& text, const QString& path);

// One change for writeStrings, with the arguments writeString takes.
struct Edit {
    std::optional<QString> section;
    std::optional<QString> key;
    std::optional<QString> text;
};

// Makes every change of the list, in order, with one rewrite of the file, as writeString makes one: all of
// them or, when one of them would be refused or the file cannot be written, none (0, the file untouched).
// A list that changes nothing (only removals of what is not there) leaves the disk untouched.
// With `expected`, the changes are made only when the file holds exactly those bytes when it is read for the
// rewrite (an absent file holds none): changes planned on one reading never land on a file that another
// writer has changed since.
int writeStrings(const QList<Edit>& edits, const QString& path,
                 const std::optional<QByteArray>& expected = std::nullopt);

// One reading of a file that serves every read of that path made on this thread while it lives, so that a
// burst of reads (the link table's 180 values) costs one reading however large the file is, and all of them
// see the same state of it. The state is the one the file had when the snapshot began. A write to the path
// through this layer ends the snapshot: later reads go to the file again and see the change. Snapshots
// nest (and end in the reverse order, as scoped objects do); an inner one of the same path shares the outer
// one's reading.
class Snapshot {
public:
    explicit Snapshot(const QString& path);
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

private:
    friend int getString(const std::optional<QString>&, const std::optional<QString>&,
                         const std::optional<QString>&, QString&, int, const QString&);
    friend int writeStrings(const QList<Edit>&, const QString&, const std::optional<QByteArray>&);
    static const Snapshot* find(const QString& path);
    static void end(const QString& path);

    QString path_;
    QByteArray bytes_;     // the file's content when it began
    bool present_ = false; // false: the file was absent, unreadable or too large, and reads as absent
    bool live_ = true;
    Snapshot* outer_;
};

} // namespace PrivateProfile
