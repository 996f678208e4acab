// libFuzzer target for the private-profile layer: arbitrary bytes as an INI file, then reads, both
// listings and one write, checking that the write touches nothing but its own lines.
// Build and run with tests/fuzz/run.sh.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include "links/PrivateProfile.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

QString scratchFolder;

void removeScratchFolder() {
    QDir(scratchFolder).removeRecursively();
}

QString scratchFile() {
    char folderTemplate[] = "/tmp/fuzz_profile-XXXXXX";
    const char* folder = ::mkdtemp(folderTemplate);
    check(folder != nullptr, "scratch folder");
    scratchFolder = QString::fromLocal8Bit(folder);
    std::atexit(removeScratchFolder);
    return scratchFolder + QStringLiteral("/profile.ini");
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Line {
    QByteArray text;
    QByteArray ending;
};

std::vector<Line> splitLines(const QByteArray& bytes) {
    std::vector<Line> lines;
    qsizetype position = 0;
    while (position < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', position);
        if (newline < 0) {
            lines.push_back({bytes.sliced(position), {}});
            break;
        }
        const bool crlf = newline > position && bytes[newline - 1] == '\r';
        const qsizetype textEnd = crlf ? newline - 1 : newline;
        lines.push_back({bytes.sliced(position, textEnd - position), crlf ? "\r\n" : "\n"});
        position = newline + 1;
    }
    return lines;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString trimBlanks(QString text) {
    while (!text.isEmpty() && isBlank(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

bool hasLineBreakOrNul(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

// What a reader would see unchanged: a value without surrounding blanks or quotes that fits the buffer.
bool readsBackAsWritten(const QString& value) {
    if (trimBlanks(value) != value || value.toUtf8().size() > 254)
        return false;
    const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                        value.back() == value.front();
    return !quoted;
}

// Kept lines must keep their bytes; only a line that is last in one image and not in the other may gain
// or lose its line ending.
void checkKeptLine(const Line& before, const Line& after, bool lastBefore, bool lastAfter) {
    check(before.text == after.text, "kept line text");
    if (!lastBefore && !lastAfter)
        check(before.ending == after.ending, "kept line ending");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = scratchFile();
    FuzzedDataProvider input(data, size);
    const int operation = input.ConsumeIntegralInRange(0, 2); // 0 set value, 1 remove key, 2 remove section
    const int listSize = input.ConsumeIntegralInRange(0, 64);
    const QString section = QString::fromStdString(input.ConsumeRandomLengthString(24));
    const QString key = QString::fromStdString(input.ConsumeRandomLengthString(24));
    const QString value = QString::fromStdString(input.ConsumeRandomLengthString(300));
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray before(rest.data(), qsizetype(rest.size()));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "write the file image");
        check(file.write(before) == before.size(), "write the file image");
    }

    // Reads: counts stay inside the buffer, values never span lines.
    QString buffer;
    int count = PrivateProfile::getString(section, key, std::nullopt, buffer, 255, path);
    check(count >= 0 && count <= 254, "value count");
    check(!buffer.contains(u'\n'), "value spans lines");
    count = PrivateProfile::getString(section, std::nullopt, std::nullopt, buffer, listSize, path);
    check(count >= 0 && count <= std::max(0, listSize - 1), "key list count");
    count = PrivateProfile::getString(std::nullopt, std::nullopt, std::nullopt, buffer, listSize, path);
    check(count >= 0 && count <= std::max(0, listSize - 1), "section list count");
    count = PrivateProfile::getString(std::nullopt, std::nullopt, std::nullopt, buffer, 1 << 20, path);
    if (count > 0)
        check(buffer.endsWith(QChar(0)), "an uncut list ends with a NUL");

    const std::optional<QString> writtenKey = operation == 2 ? std::nullopt : std::optional<QString>(key);
    const std::optional<QString> writtenText = operation == 0 ? std::optional<QString>(value) : std::nullopt;
    const int result = PrivateProfile::writeString(section, writtenKey, writtenText, path);
    QByteArray after = readAll(path);
    check(QDir(path.section(u'/', 0, -2)).entryList(QDir::Files | QDir::Hidden).size() == 1,
          "no temporary file left");

    if (result == 0) {
        check(after == before, "a refused write changed the file");
        const QString trimmedSection = trimBlanks(section);
        const QString trimmedKey = trimBlanks(key);
        const bool valid = !hasLineBreakOrNul(trimmedSection) && !trimmedSection.contains(u']') &&
                           !hasLineBreakOrNul(trimmedKey) && !trimmedKey.contains(u'=') &&
                           !trimmedKey.startsWith(u';') && !trimmedKey.startsWith(u'[') &&
                           !hasLineBreakOrNul(value);
        check(operation == 0 && !valid, "a valid write into a writable file was refused");
        return 0;
    }

    // A byte-order mark stays in front; the rest is compared line by line.
    static const QByteArray bom("\xEF\xBB\xBF");
    QByteArray beforeBody = before;
    if (before.startsWith(bom)) {
        check(after.startsWith(bom), "byte-order mark kept");
        beforeBody = before.sliced(3);
        after = after.sliced(3);
    }
    const std::vector<Line> old = splitLines(beforeBody);
    const std::vector<Line> now = splitLines(after);
    const size_t n = old.size();
    const size_t m = now.size();
    const bool hadFinalNewline = beforeBody.isEmpty() || beforeBody.endsWith('\n');
    if (!after.isEmpty() && !now.back().text.isEmpty())
        check(after.endsWith('\n') == hadFinalNewline, "final newline kept or kept missing");

    if (operation == 2) {
        // Removing a section drops lines and adds none: what is left is a subsequence of the old lines, byte
        // for byte but for the ending of a line that is last on either side.
        size_t j = 0;
        for (size_t i = 0; i < n; ++i) {
            const bool eitherLast = i + 1 == n || j + 1 == m;
            if (j < m && old[i].text == now[j].text && (eitherLast || old[i].ending == now[j].ending)) {
                ++j;
            } else {
                check(old[i].text.contains('[') || old[i].text.contains('='),
                      "removed a line that is no header or key");
            }
        }
        check(j == m, "removing a section added lines");
        return 0;
    }

    size_t prefix = 0;
    while (prefix < n && prefix < m && old[prefix].text == now[prefix].text)
        ++prefix;
    size_t suffix = 0;
    while (suffix < n - prefix && suffix < m - prefix && old[n - 1 - suffix].text == now[m - 1 - suffix].text)
        ++suffix;
    for (size_t i = 0; i < prefix; ++i)
        checkKeptLine(old[i], now[i], i + 1 == n, i + 1 == m);
    for (size_t i = 0; i < suffix; ++i)
        checkKeptLine(old[n - 1 - i], now[m - 1 - i], i == 0, i == 0);
    const size_t removed = n - prefix - suffix;
    const size_t inserted = m - prefix - suffix;

    if (operation == 1) {
        check(inserted == 0 && removed <= 1, "removing a key touched more than its line");
        if (removed == 1)
            check(old[prefix].text.contains('='), "removed a line that is no key");
        return 0;
    }

    const QByteArray newLineEnding =
        n > 0 && !old.front().ending.isEmpty() ? old.front().ending : QByteArray("\n");
    if (removed == 1) {
        check(inserted == 1, "a replaced value changed the line count");
        const QByteArray& oldText = old[prefix].text;
        const qsizetype equals = oldText.indexOf('=');
        check(equals >= 0, "replaced a line that is no key");
        check(now[prefix].text.startsWith(oldText.first(equals + 1)), "replaced the key name");
        check(now[prefix].ending == old[prefix].ending || prefix + 1 == m || prefix + 1 == n,
              "replaced line ending");
    } else {
        check(removed == 0 && inserted <= 2, "a write touched more than its lines");
        for (size_t i = prefix; i < prefix + inserted; ++i) {
            if (i + 1 < m)
                check(now[i].ending == newLineEnding, "new line in the file's line ending");
        }
    }

    const QString readBack = [&] {
        QString text;
        PrivateProfile::getString(section, key, QStringLiteral("absent"), text, 255, path);
        return text;
    }();
    if (readsBackAsWritten(value))
        check(readBack == value, "a written value reads back");
    return 0;
}
