// SPDX-License-Identifier: MIT
// INI file access: the private-profile layer, and cInifile with its window placement (on a window of the
// test's own that keeps its geometry in memory). No display.
//
// The fixtures are found through INI_FIXTURES_DIR, else through BRIMVEL_SOURCE_DIR. The unwritable-target
// cases that need a read-only or full file system mount small tmpfs folders in a private mount namespace;
// where mounting is not allowed those rows are skipped. The same-size rewrite cases also run on a ramfs
// folder mounted the same way (coarse time stamps) when they can.

#include <cerrno>
#include <functional>
#include <optional>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/PrivateProfile.h"
#include "core/cInifile.h"
#include "support/ChildProcess.h"
#include "support/FileBytes.h"
#include "support/PlacementIni.h"

using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)

#if !defined(INI_FIXTURES_DIR) && defined(BRIMVEL_SOURCE_DIR)
#define INI_FIXTURES_DIR BRIMVEL_SOURCE_DIR "/tests/fixtures/ini"
#endif
#ifndef INI_FIXTURES_DIR
#error "INI_FIXTURES_DIR or BRIMVEL_SOURCE_DIR must lead to the INI fixtures"
#endif

namespace {

const OptionalText absent = std::nullopt;

QByteArray fixture(const QString& name) {
    const QString path = QStringLiteral(INI_FIXTURES_DIR) + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(path));
    return file.readAll();
}

// A tmpfs folder mounted in this thread's own mount namespace, so nothing is left mounted on the machine
// whatever happens to the test.
class ScratchMount {
public:
    explicit ScratchMount(const QString& folder, const QByteArray& options, const char* type = "tmpfs")
        : folder_(folder.toLocal8Bit()) {
        if (!enterPrivateNamespace())
            return;
        mounted_ = ::mount(type, folder_.constData(), type, 0, options.constData()) == 0;
    }
    ~ScratchMount() {
        if (mounted_)
            ::umount2(folder_.constData(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool mounted() const { return mounted_; }
    bool makeReadOnly() {
        return ::mount(nullptr, folder_.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    static bool enterPrivateNamespace() {
        static const bool entered =
            ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        return entered;
    }

    QByteArray folder_;
    bool mounted_ = false;
};

// Fills the file system holding `folder` until it refuses more bytes.
void fillFileSystem(const QString& folder) {
    QFile filler(folder + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly))
        return;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
}

ino_t inodeOf(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statusOf(const QString& path) {
    struct stat status {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status;
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Rewrites a file in place (same inode), then gives it back the access and modification times it had.
bool rewriteKeepingTimes(const QString& path, const QByteArray& bytes) {
    const struct stat before = statusOf(path);
    if (!writeBytes(path, bytes))
        return false;
    const timespec times[2] = {before.st_atim, before.st_mtim};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

QString readValue(const QString& path, const QString& section, const QString& key) {
    QString buffer;
    PrivateProfile::getString(section, key, QStringLiteral("dflt"), buffer, 255, path);
    return buffer;
}

QByteArray readList(const QString& path, const OptionalText& section) {
    QString buffer;
    PrivateProfile::getString(section, absent, absent, buffer, 8192, path);
    return buffer.toUtf8();
}

} // namespace

class TestIni : public QObject {
    Q_OBJECT

private slots:
    void init();

    // Private-profile layer.
    void readsValues_data();
    void readsValues();
    void listsNames_data();
    void listsNames();
    void writeChangesOnlyItsLine_data();
    void writeChangesOnlyItsLine();
    void writesValueAsGiven_data();
    void writesValueAsGiven();
    void refusesWritesThatWouldBreakTheFile_data();
    void refusesWritesThatWouldBreakTheFile();
    void writeCreatesMissingFile();
    void writeKeepsPermissions();
    void removingWhatIsAbsentSucceedsWithoutWriting_data();
    void removingWhatIsAbsentSucceedsWithoutWriting();
    void unwritableTargetStaysAsItWas_data();
    void unwritableTargetStaysAsItWas();
    void readsSeeTheFileAsItIsNow();
    void sameSizeRewriteIsSeenAtOnce_data();
    void sameSizeRewriteIsSeenAtOnce();
    void snapshotServesOneStateUntilAWrite();
    void oversizedFileReadsAsAbsent_data();
    void oversizedFileReadsAsAbsent();
    void largeValidFileLoads();

    // cInifile.
    void freshInstance();
    void valueReadsDefault();
    void absentKeyDiffersFromEmptyKey();
    void longValueReadsCut();
    void valueWriteDropsNulCharacters();
    void failedWriteIsRecorded();
    void deleteMembers();
    void iniSectionWriteRemovesSection();
    void enumerations_data();
    void enumerations();
    void clngDefault_data();
    void clngDefault();

    // Window placement on a window of the test's own.
    void savePlacement_data();
    void savePlacement();
    void loadPlacement_data();
    void loadPlacement();
    void placementFailureRestoresFields_data();
    void placementFailureRestoresFields();

private:
    QString iniPath() const { return folder_->filePath(QStringLiteral("links.ini")); }

    std::optional<QTemporaryDir> folder_;
};

void TestIni::init() {
    folder_.emplace();
    QVERIFY(folder_->isValid());
}

// ---------------------------------------------------------------------------------------------------------
// Reads

void TestIni::readsValues_data() {
    QTest::addColumn<QByteArray>("file"); // a null QByteArray: no file at all
    QTest::addColumn<OptionalText>("section");
    QTest::addColumn<OptionalText>("key");
    QTest::addColumn<OptionalText>("defaultText");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, const QByteArray& file, const QString& section, const QString& key,
                        const QString& expected, OptionalText defaultText = std::nullopt, int size = 255) {
        QTest::newRow(name) << file << OptionalText(section) << OptionalText(key) << defaultText << size
                            << expected;
    };
    const OptionalText dflt = QStringLiteral("dflt");

    row("case-insensitive names", "[Links]\nName0=abc\n", "lINKS", "NAME0", "abc");
    row("case-insensitive beyond ASCII", "[\xc3\x84rger]\n\xc3\x96l=1\n", "\u00e4RGER", "\u00f6L", "1");
    row("first of duplicate keys", "[a]\nk=1\nK=2\n", "a", "k", "1");
    row("first of duplicate sections", "[a]\nk=1\n[A]\nk=2\n", "a", "k", "1");
    row("key only in a later duplicate section", "[a]\nx=1\n[a]\nk=2\n", "a", "k", "dflt", dflt);
    row("blanks around names and value", "  [ a b ]  \n \t k x \t=\t v w  \n", "a b", "k x", "v w");
    row("blanks around requested names", "[a]\nk=1\n", " a\t", "\tk ", "1");
    row("double quotes", "[a]\nk=\"  v \"\n", "a", "k", "  v ");
    row("single quotes", "[a]\nk= 'v' \n", "a", "k", "v");
    row("mismatched quotes stay", "[a]\nk=\"v'\n", "a", "k", "\"v'");
    row("lone quote stays", "[a]\nk=\"\n", "a", "k", "\"");
    row("inner quotes stay", "[a]\nk=a\"b\"\n", "a", "k", "a\"b\"");
    row("only one pair of quotes removed", "[a]\nk=\"\"v\"\"\n", "a", "k", "\"v\"");
    row("comment line", "[a]\n  ;k=1\nk=2\n", "a", "k", "2");
    row("hash starts no comment", "[a]\n#k=1\n", "a", "#k", "1");
    row("line without equals is no key", "[a]\nk\nk=2\n", "a", "k", "2");
    row("equals inside the value", "[a]\nk=a=b\n", "a", "k", "a=b");
    row("lines before the first section", "k=0\n[a]\nk=1\n", "a", "k", "1");
    row("text after the bracket", "[a] trailing ] text\nk=1\n", "a", "k", "1");
    row("header without closing bracket", "[a\nk=1\n", "a", "k", "1");
    row("empty section name", "[]\nk=1\n", "", "k", "1");
    row("empty key name", "[a]\n = v\n", "a", "", "v");
    row("CRLF line endings", "[a]\r\nk=v\r\n", "a", "k", "v");
    row("no final newline", "[a]\nk=v", "a", "k", "v");
    row("byte-order mark", "\xef\xbb\xbf[a]\nk=1\n", "a", "k", "1");
    row("bytes that are not UTF-8 elsewhere", "[a]\nx=\xff\xfe\nk=1\n", "a", "k", "1");
    row("empty value is no default", "[a]\nk=\n", "a", "k", "", dflt);
    row("absent key", "[a]\nk=1\n", "a", "j", "dflt", dflt);
    row("absent section", "[a]\nk=1\n", "b", "k", "dflt", dflt);
    row("absent file", QByteArray(), "a", "k", "dflt", dflt);
    row("absent file, absent default", QByteArray(), "a", "k", "");
    row("300-byte value", "[a]\nk=" + QByteArray(300, 'v') + '\n', "a", "k", QString(254, u'v'));
    row("254-byte value", "[a]\nk=" + QByteArray(254, 'v') + '\n', "a", "k", QString(254, u'v'));
    row("cut before a 2-byte sequence", "[a]\nk=" + QByteArray(253, 'v') + "\xc3\xa9\n", "a", "k",
        QString(253, u'v'));
    row("cut before a 3-byte sequence", "[a]\nk=" + QByteArray(252, 'v') + "\xe2\x82\xac\n", "a", "k",
        QString(252, u'v'));
    row("sequence that fits is kept", "[a]\nk=" + QByteArray(251, 'v') + "\xe2\x82\xac\n", "a", "k",
        QString(251, u'v') + u'\u20ac');
    row("small buffer", "[a]\nk=abcdef\n", "a", "k", "abc", absent, 4);
    row("default cut too", "[a]\n", "a", "k", "df", dflt, 3);
    row("buffer of one", "[a]\nk=abc\n", "a", "k", "", absent, 1);
}

void TestIni::readsValues() {
    QFETCH(QByteArray, file);
    QFETCH(OptionalText, section);
    QFETCH(OptionalText, key);
    QFETCH(OptionalText, defaultText);
    QFETCH(int, size);
    QFETCH(QString, expected);
    if (!file.isNull())
        QVERIFY(writeBytes(iniPath(), file));

    QString buffer = QStringLiteral("stale");
    const int count = PrivateProfile::getString(section, key, defaultText, buffer, size, iniPath());
    QCOMPARE(buffer, expected);
    QCOMPARE(count, expected.toUtf8().size());
}

void TestIni::listsNames_data() {
    QTest::addColumn<QByteArray>("file"); // a null QByteArray: no file at all
    QTest::addColumn<OptionalText>("section");
    QTest::addColumn<OptionalText>("key");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray keys = "[a]\nk1=1\n=2\nK1=3\n;c=4\nno equals\n[b]\nz=1\n";
    const QByteArray sections = "k=0\n[a]\n[ b ] x\n[]\n[A]\n";
    QTest::newRow("keys: order, duplicates, empty names")
        << keys << OptionalText("A") << absent << 8192 << QByteArray("k1\0\0K1\0", 7);
    QTest::newRow("keys of the first duplicate section")
        << QByteArray("[a]\nx=1\n[b]\ny=1\n[a]\nz=1\n") << OptionalText("a") << absent << 8192
        << QByteArray("x\0", 2);
    QTest::newRow("keys: absent section") << keys << OptionalText("c") << absent << 8192 << QByteArray();
    QTest::newRow("keys: absent file") << QByteArray() << OptionalText("a") << absent << 8192 << QByteArray();
    QTest::newRow("sections: order, duplicates, empty names")
        << sections << absent << absent << 8192 << QByteArray("a\0b\0\0A\0", 7);
    QTest::newRow("sections: key ignored")
        << sections << absent << OptionalText("k") << 8192 << QByteArray("a\0b\0\0A\0", 7);
    QTest::newRow("sections: absent file") << QByteArray() << absent << absent << 8192 << QByteArray();
    QTest::newRow("list that just fits")
        << QByteArray("[abc]\n[def]\n") << absent << absent << 9 << QByteArray("abc\0def\0", 8);
    QTest::newRow("list one byte short is cut to size - 2")
        << QByteArray("[abc]\n[def]\n") << absent << absent << 8 << QByteArray("abc\0de", 6);
    QTest::newRow("cut never splits a sequence")
        << QByteArray("[a\xc3\xa9]\n") << absent << absent << 4 << QByteArray("a", 1);
    QTest::newRow("buffer of two") << QByteArray("[a]\n") << absent << absent << 2 << QByteArray();
}

void TestIni::listsNames() {
    QFETCH(QByteArray, file);
    QFETCH(OptionalText, section);
    QFETCH(OptionalText, key);
    QFETCH(int, size);
    QFETCH(QByteArray, expected);
    if (!file.isNull())
        QVERIFY(writeBytes(iniPath(), file));

    QString buffer;
    const int count =
        PrivateProfile::getString(section, key, QStringLiteral("dflt"), buffer, size, iniPath());
    QCOMPARE(buffer.toUtf8(), expected);
    QCOMPARE(count, expected.size());
}

// ---------------------------------------------------------------------------------------------------------
// Writes

void TestIni::writeChangesOnlyItsLine_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<OptionalText>("section");
    QTest::addColumn<OptionalText>("key");
    QTest::addColumn<OptionalText>("text");

    const OptionalText url = QStringLiteral("http://x/");
    const auto row = [](const char* name, const QString& section, const OptionalText& key,
                        const OptionalText& text) {
        QTest::newRow(name) << QString::fromLatin1(name) << OptionalText(section) << key << text;
    };
    row("replace_crlf", "0", QStringLiteral("url0"), QStringLiteral("http://new.example/"));
    row("add_key_before_next_section", "0", QStringLiteral("url0"), url);
    row("add_key_no_final_newline", "1", QStringLiteral("url0"), url);
    row("add_section_crlf", "8", QStringLiteral("url0"), url);
    row("add_key_empty_section", "0", QStringLiteral("url0"), url);
    row("add_section_after_lone_cr", "8", QStringLiteral("url0"), url);
    row("replace_first_duplicate", "0", QStringLiteral("url0"), url);
    row("invalid_utf8_survives", "0", QStringLiteral("url0"), url);
    row("bom_kept", "0", QStringLiteral("url0"), url);
    row("delete_key", "0", QStringLiteral("URL0"), absent);
    row("delete_last_key_no_final_newline", "0", QStringLiteral("url0"), absent);
    row("delete_key_blank_line_left_last", "0", QStringLiteral("url0"), absent);
    row("delete_section", "1", absent, absent);
    row("delete_first_duplicate_section", "1", absent, absent);
}

void TestIni::writeChangesOnlyItsLine() {
    QFETCH(QString, name);
    QFETCH(OptionalText, section);
    QFETCH(OptionalText, key);
    QFETCH(OptionalText, text);
    QVERIFY(writeBytes(iniPath(), fixture(name + QStringLiteral(".ini"))));

    QVERIFY(PrivateProfile::writeString(section, key, text, iniPath()) != 0);
    QCOMPARE(readBytes(iniPath()), fixture(name + QStringLiteral(".expected.ini")));
    if (key && text) {
        QString buffer;
        PrivateProfile::getString(section, key, absent, buffer, 255, iniPath());
        QCOMPARE(buffer, *text);
    }
    QCOMPARE(entriesOf(folder_->path()), QStringList{QStringLiteral("links.ini")});
}

void TestIni::writesValueAsGiven_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("plain") << "v" << QByteArray("k=v") << "v";
    QTest::newRow("blanks kept in the file") << "  v  " << QByteArray("k=  v  ") << "v";
    QTest::newRow("quotes kept in the file") << "\"v\"" << QByteArray("k=\"v\"") << "v";
    QTest::newRow("looks like a section") << "[b]" << QByteArray("k=[b]") << "[b]";
    QTest::newRow("looks like a comment") << ";x" << QByteArray("k=;x") << ";x";
    QTest::newRow("holds equals") << "a=b" << QByteArray("k=a=b") << "a=b";
    QTest::newRow("empty") << "" << QByteArray("k=") << "";
    QTest::newRow("UTF-8") << "caf\u00e9 \u20ac" << QByteArray("k=caf\xc3\xa9 \xe2\x82\xac")
                           << "caf\u00e9 \u20ac";
}

void TestIni::writesValueAsGiven() {
    QFETCH(QString, value);
    QFETCH(QByteArray, line);
    QFETCH(QString, readBack);
    QVERIFY(writeBytes(iniPath(), "[a]\nk=old\nnext=1\n"));

    QVERIFY(PrivateProfile::writeString(QStringLiteral("a"), QStringLiteral("k"), value, iniPath()) != 0);
    QCOMPARE(readBytes(iniPath()), "[a]\n" + line + "\nnext=1\n");
    QString buffer;
    PrivateProfile::getString(QStringLiteral("a"), QStringLiteral("k"), absent, buffer, 255, iniPath());
    QCOMPARE(buffer, readBack);
    PrivateProfile::getString(QStringLiteral("a"), QStringLiteral("next"), absent, buffer, 255, iniPath());
    QCOMPARE(buffer, QStringLiteral("1"));
}

void TestIni::refusesWritesThatWouldBreakTheFile_data() {
    QTest::addColumn<OptionalText>("section");
    QTest::addColumn<OptionalText>("key");
    QTest::addColumn<QString>("text");

    QTest::newRow("LF in value injecting a key") << OptionalText("a") << OptionalText("k") << "x\nevil=1";
    QTest::newRow("CR in value") << OptionalText("a") << OptionalText("k") << "x\ry";
    QTest::newRow("CRLF in value injecting a section")
        << OptionalText("a") << OptionalText("k") << "x\r\n[b]";
    QTest::newRow("NUL in value") << OptionalText("a") << OptionalText("k") << QString::fromUtf16(u"x\0y", 3);
    QTest::newRow("bracket in section name") << OptionalText("a]b") << OptionalText("k") << "v";
    QTest::newRow("LF in section name") << OptionalText("a\nb") << OptionalText("k") << "v";
    QTest::newRow("equals in key name") << OptionalText("a") << OptionalText("k=x") << "v";
    QTest::newRow("key name read as a comment") << OptionalText("a") << OptionalText(" ;k") << "v";
    QTest::newRow("key name read as a section") << OptionalText("a") << OptionalText("[k") << "v";
    QTest::newRow("LF in key name") << OptionalText("a") << OptionalText("k\nj") << "v";
    QTest::newRow("absent section") << absent << OptionalText("k") << "v";
}

void TestIni::refusesWritesThatWouldBreakTheFile() {
    QFETCH(OptionalText, section);
    QFETCH(OptionalText, key);
    QFETCH(QString, text);
    const QByteArray before = "[a]\nk=old\n";
    QVERIFY(writeBytes(iniPath(), before));

    QCOMPARE(PrivateProfile::writeString(section, key, text, iniPath()), 0);
    QCOMPARE(readBytes(iniPath()), before);

    const QString missing = folder_->filePath(QStringLiteral("new.ini"));
    QCOMPARE(PrivateProfile::writeString(section, key, text, missing), 0);
    QVERIFY(!QFile::exists(missing));
}

void TestIni::writeCreatesMissingFile() {
    QVERIFY(PrivateProfile::writeString(QStringLiteral("3"), QStringLiteral("name0"), QStringLiteral("Home"),
                                        iniPath()) != 0);
    QCOMPARE(readBytes(iniPath()), QByteArray("[3]\nname0=Home\n"));
    // A new file is an ordinary one for its folder: the process's umask decides, not the temporary file's
    // 0600.
    const mode_t umaskNow = ::umask(0);
    ::umask(umaskNow);
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(iniPath()).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0666 & ~umaskNow);

    const QString inMissingFolder = folder_->filePath(QStringLiteral("no/such/links.ini"));
    QCOMPARE(PrivateProfile::writeString(QStringLiteral("3"), QStringLiteral("k"), QStringLiteral("v"),
                                         inMissingFolder),
             0);
    QVERIFY(!QDir(folder_->filePath(QStringLiteral("no"))).exists());
}

void TestIni::writeKeepsPermissions() {
    QVERIFY(writeBytes(iniPath(), "[a]\nk=1\n"));
    const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(iniPath(), mode));

    QVERIFY(PrivateProfile::writeString(QStringLiteral("a"), QStringLiteral("k"), QStringLiteral("2"),
                                        iniPath()));
    QCOMPARE(QFile::permissions(iniPath()) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), mode);
}

void TestIni::removingWhatIsAbsentSucceedsWithoutWriting_data() {
    QTest::addColumn<QByteArray>("file"); // a null QByteArray: no file at all
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<OptionalText>("key");

    QTest::newRow("key from an absent file") << QByteArray() << false << OptionalText("k");
    QTest::newRow("section from an absent file") << QByteArray() << false << absent;
    QTest::newRow("absent key") << QByteArray("[a]\nj=1") << false << OptionalText("k");
    QTest::newRow("key of an absent section") << QByteArray("[b]\nk=1") << false << OptionalText("k");
    QTest::newRow("absent section") << QByteArray("[b]\nk=1") << false << absent;
    QTest::newRow("absent key, read-only file") << QByteArray("[a]\nj=1") << true << OptionalText("k");
}

void TestIni::removingWhatIsAbsentSucceedsWithoutWriting() {
    QFETCH(QByteArray, file);
    QFETCH(bool, readOnly);
    QFETCH(OptionalText, key);
    if (!file.isNull())
        QVERIFY(writeBytes(iniPath(), file));
    if (readOnly)
        QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner));
    const ino_t inode = inodeOf(iniPath()); // a rewrite would put a new file in place

    QVERIFY(PrivateProfile::writeString(QStringLiteral("a"), key, absent, iniPath()) != 0);
    QCOMPARE(QFile::exists(iniPath()), !file.isNull());
    QCOMPARE(readBytes(iniPath()), file.isNull() ? QByteArray() : file);
    QCOMPARE(inodeOf(iniPath()), inode);

    const QString inMissingFolder = folder_->filePath(QStringLiteral("no/links.ini"));
    QVERIFY(PrivateProfile::writeString(QStringLiteral("a"), key, absent, inMissingFolder) != 0);
    QVERIFY(!QFile::exists(inMissingFolder));
}

void TestIni::unwritableTargetStaysAsItWas_data() {
    QTest::addColumn<QString>("kind");
    // Permission bits do not stop root, so each row uses something that truly cannot be written.
    QTest::newRow("folder is a regular file") << "parent is a file";
    QTest::newRow("folder under /proc") << "proc";
    QTest::newRow("missing folder") << "missing folder";
    QTest::newRow("path is a folder") << "path is a folder";
    QTest::newRow("file marked read-only") << "read-only mark";
    QTest::newRow("read-only file system") << "read-only mount";
    QTest::newRow("full disk") << "full disk";
}

void TestIni::unwritableTargetStaysAsItWas() {
    QFETCH(QString, kind);
    const QByteArray before = "; keep\r\n[a]\r\nk=old\r\n";
    QString folder = folder_->path();
    QString path;
    std::optional<ScratchMount> mount;

    if (kind == u"parent is a file") {
        QVERIFY(writeBytes(folder_->filePath(QStringLiteral("plain")), "not a folder"));
        path = folder_->filePath(QStringLiteral("plain/links.ini"));
    } else if (kind == u"proc") {
        path = QStringLiteral("/proc/self/links.ini");
    } else if (kind == u"missing folder") {
        path = folder_->filePath(QStringLiteral("missing/links.ini"));
    } else if (kind == u"path is a folder") {
        path = folder_->filePath(QStringLiteral("links.ini"));
        QVERIFY(QDir().mkdir(path));
    } else if (kind == u"read-only mark") {
        path = iniPath();
        QVERIFY(writeBytes(path, before));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    } else {
        folder = folder_->filePath(QStringLiteral("mnt"));
        QVERIFY(QDir().mkdir(folder));
        mount.emplace(folder, kind == u"full disk" ? "size=32k" : "size=64k");
        if (!mount->mounted())
            QSKIP("mounting a tmpfs is not allowed here");
        path = folder + QStringLiteral("/links.ini");
        QVERIFY(writeBytes(path, before));
        if (kind == u"full disk")
            fillFileSystem(folder);
        else
            QVERIFY(mount->makeReadOnly());
    }
    const bool existed = QFileInfo(path).isFile();
    const QStringList entriesBefore = entriesOf(folder);

    QCOMPARE(PrivateProfile::writeString(QStringLiteral("a"), QStringLiteral("k"),
                                         QStringLiteral("a new value, longer than a page of nothing"), path),
             0);
    QCOMPARE(PrivateProfile::writeString(QStringLiteral("b"), QStringLiteral("k"), QStringLiteral("v"), path),
             0);
    if (existed) {
        QCOMPARE(readBytes(path), before);
        QCOMPARE(PrivateProfile::writeString(QStringLiteral("a"), QStringLiteral("k"), absent, path), 0);
        QCOMPARE(PrivateProfile::writeString(QStringLiteral("a"), absent, absent, path), 0);
        QCOMPARE(readBytes(path), before);
        QString buffer;
        PrivateProfile::getString(QStringLiteral("a"), QStringLiteral("k"), absent, buffer, 255, path);
        QCOMPARE(buffer, QStringLiteral("old"));
    } else {
        QVERIFY(!QFileInfo(path).isFile());
    }
    QCOMPARE(entriesOf(folder), entriesBefore); // no temporary file left behind
}

void TestIni::readsSeeTheFileAsItIsNow() {
    cInifile reader;
    reader.setPath(iniPath());
    reader.setSection(QStringLiteral("0"));
    reader.setKey(QStringLiteral("url0"));
    QCOMPARE(reader.Value(), QString());

    cInifile writer;
    writer.setPath(iniPath());
    writer.setSection(QStringLiteral("0"));
    writer.setKey(QStringLiteral("url0"));
    writer.setValue(QStringLiteral("http://a/"));
    QVERIFY(writer.Success());
    QCOMPARE(reader.Value(), QStringLiteral("http://a/"));

    QVERIFY(writeBytes(iniPath(), "[0]\nurl0=http://edited/\n"));
    QCOMPARE(reader.Value(), QStringLiteral("http://edited/"));
    // Edited in place, to the same size: the same file, changed all the same.
    QVERIFY(writeBytes(iniPath(), "[0]\nurl0=http://EDITED/\n"));
    QCOMPARE(reader.Value(), QStringLiteral("http://EDITED/"));
    QVERIFY(QFile::remove(iniPath()));
    QCOMPARE(reader.Value(), QString());
}

void TestIni::sameSizeRewriteIsSeenAtOnce_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after"); // the same size
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // read with the default "dflt"
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QByteArray>("sections");

    QTest::newRow("value changed") << QByteArray("[0]\nurl0=http://a/\n")
                                   << QByteArray("[0]\nurl0=http://b/\n") << "0"
                                   << "url0"
                                   << "http://b/" << QByteArray("url0\0", 5) << QByteArray("0\0", 2);
    QTest::newRow("key renamed") << QByteArray("[0]\nname1=x\n") << QByteArray("[0]\nname2=x\n") << "0"
                                 << "name1"
                                 << "dflt" << QByteArray("name2\0", 6) << QByteArray("0\0", 2);
    QTest::newRow("section renamed") << QByteArray("[0]\nk=v\n") << QByteArray("[1]\nk=v\n") << "1"
                                     << "k"
                                     << "v" << QByteArray("k\0", 2) << QByteArray("1\0", 2);
    QTest::newRow("values swapped between sections")
        << QByteArray("[0]\nk=a\n[1]\nk=b\n") << QByteArray("[0]\nk=b\n[1]\nk=a\n") << "0"
        << "k"
        << "b" << QByteArray("k\0", 2)
        << QByteArray("0\0"
                      "1\0",
                      4);
    QTest::newRow("key commented out") << QByteArray("[0]\nk=v\n") << QByteArray("[0]\n;k=v") << "0"
                                       << "k"
                                       << "dflt" << QByteArray() << QByteArray("0\0", 2);
}

void TestIni::sameSizeRewriteIsSeenAtOnce() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, keys);
    QFETCH(QByteArray, sections);
    QCOMPARE(after.size(), before.size());

    // A file system with coarse time stamps (ramfs) gives the rewrite the very same size and times, change
    // time included, as the file it replaces; the usual one gives it at least a new change time.
    QStringList folders{folder_->path()};
    const QString ramfsFolder = folder_->filePath(QStringLiteral("ramfs"));
    QVERIFY(QDir().mkdir(ramfsFolder));
    ScratchMount ramfs(ramfsFolder, "", "ramfs");
    if (ramfs.mounted())
        folders << ramfsFolder;
    for (const QString& folder : std::as_const(folders)) {
        const QString path = folder + QStringLiteral("/links.ini");
        int identicalRewrites = 0;
        // Tries a few times for a rewrite that falls into the same time-stamp tick.
        for (int attempt = 0; attempt < 20 && identicalRewrites == 0; ++attempt) {
            QVERIFY(writeBytes(path, before));
            QVERIFY(readValue(path, section, key) != value || readList(path, section) != keys ||
                    readList(path, absent) != sections);
            const struct stat old = statusOf(path);
            QVERIFY(rewriteKeepingTimes(path, after));
            const struct stat now = statusOf(path);
            QCOMPARE(now.st_ino, old.st_ino);
            QVERIFY(sameTime(now.st_mtim, old.st_mtim));
            if (sameTime(now.st_ctim, old.st_ctim))
                ++identicalRewrites;

            QCOMPARE(readValue(path, section, key), value);
            QCOMPARE(readList(path, section), keys);
            QCOMPARE(readList(path, absent), sections);
            const PrivateProfile::Snapshot snapshot(path);
            QCOMPARE(readValue(path, section, key), value);
        }
        if (folder == ramfsFolder && identicalRewrites == 0)
            qWarning("no rewrite on ramfs kept the change time; the case ran with a changed one");
    }
}

void TestIni::snapshotServesOneStateUntilAWrite() {
    const QString path = iniPath();
    const QString other = folder_->filePath(QStringLiteral("other.ini"));
    const QString zero = QStringLiteral("0");
    const QString k = QStringLiteral("k");
    QVERIFY(writeBytes(path, "[0]\nk=1\n"));
    QVERIFY(writeBytes(other, "[0]\nk=other\n"));
    {
        const PrivateProfile::Snapshot snapshot(path);
        QVERIFY(writeBytes(path, "[0]\nk=2\n[1]\nj=3\n"));
        QCOMPARE(readValue(path, zero, k), QStringLiteral("1"));
        QCOMPARE(readList(path, absent), QByteArray("0\0", 2));
        QCOMPARE(readList(path, zero), QByteArray("k\0", 2));
        QCOMPARE(readValue(other, zero, k), QStringLiteral("other")); // other files are read as they are
        {
            const PrivateProfile::Snapshot inner(path);
            QCOMPARE(readValue(path, zero, k), QStringLiteral("1"));
        }
        QCOMPARE(readValue(path, zero, k), QStringLiteral("1"));
    }
    QCOMPARE(readValue(path, zero, k), QStringLiteral("2"));
    QCOMPARE(readList(path, absent), QByteArray("0\0"
                                                "1\0",
                                                4));

    {
        // A write ends it: the written value and every later change are seen.
        const PrivateProfile::Snapshot snapshot(path);
        QVERIFY(PrivateProfile::writeString(zero, k, QStringLiteral("5"), path) != 0);
        QCOMPARE(readValue(path, zero, k), QStringLiteral("5"));
        QVERIFY(writeBytes(path, "[0]\nk=6\n"));
        QCOMPARE(readValue(path, zero, k), QStringLiteral("6"));
    }

    {
        const PrivateProfile::Snapshot snapshot(other);
        QVERIFY(writeBytes(path, "[0]\nk=7\n"));
        QCOMPARE(readValue(path, zero, k), QStringLiteral("7"));
    }

    const QString missing = folder_->filePath(QStringLiteral("missing.ini"));
    {
        const PrivateProfile::Snapshot snapshot(missing);
        QVERIFY(writeBytes(missing, "[0]\nk=8\n"));
        QCOMPARE(readValue(missing, zero, k), QStringLiteral("dflt"));
        QCOMPARE(readList(missing, absent), QByteArray());
    }
    QCOMPARE(readValue(missing, zero, k), QStringLiteral("8"));
}

void TestIni::oversizedFileReadsAsAbsent_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("present");

    const qint64 limit = qint64(64) << 20;
    QTest::newRow("at the limit") << limit << true;
    QTest::newRow("one byte over") << limit + 1 << false;
    QTest::newRow("64 GiB") << (qint64(64) << 30) << false;
}

void TestIni::oversizedFileReadsAsAbsent() {
    QFETCH(qint64, size);
    QFETCH(bool, present);
    // Sparse: the text, then zero bytes (one ignored line) up to the size.
    const QByteArray text = "[a]\nk=1\n";
    const QString path = iniPath();
    QVERIFY(writeBytes(path, text));
    QVERIFY(QFile::resize(path, size));
    const struct stat before = statusOf(path);

    // A layer that read the whole file would run out of memory in the child.
    const QString failed = inChildWithAddressLimit(qint64(1) << 30, [&]() -> QString {
        const QString a = QStringLiteral("a");
        const QString k = QStringLiteral("k");
        const auto expect = [](bool held, const char* what) {
            return held ? QString() : QString::fromUtf8(what);
        };
        QString result = expect(
            readValue(path, a, k) == (present ? QStringLiteral("1") : QStringLiteral("dflt")), "value");
        if (result.isEmpty())
            result = expect(readList(path, a) == (present ? QByteArray("k\0", 2) : QByteArray()), "key list");
        if (result.isEmpty())
            result = expect(readList(path, absent) == (present ? QByteArray("a\0", 2) : QByteArray()),
                            "section list");
        if (result.isEmpty()) {
            const PrivateProfile::Snapshot snapshot(path);
            result = expect(readValue(path, a, k) == (present ? QStringLiteral("1") : QStringLiteral("dflt")),
                            "value through a snapshot");
        }
        // Growing the file past the limit is refused too.
        if (result.isEmpty())
            result =
                expect(PrivateProfile::writeString(a, k, QStringLiteral("22"), path) == 0, "longer value");
        if (result.isEmpty())
            result =
                expect(PrivateProfile::writeString(QStringLiteral("b"), k, QStringLiteral("v"), path) == 0,
                       "new section");
        if (result.isEmpty())
            result = expect((PrivateProfile::writeString(a, QStringLiteral("absent"), absent, path) != 0) ==
                                present,
                            "removal of an absent key");
        if (result.isEmpty())
            result = expect((PrivateProfile::writeString(a, k, absent, path) != 0) == present, "key removal");
        if (result.isEmpty() && !present)
            result = expect(PrivateProfile::writeString(a, absent, absent, path) == 0, "section removal");
        return result;
    });
    QVERIFY2(failed.isEmpty(), qPrintable(failed));

    const struct stat after = statusOf(path);
    QCOMPARE(entriesOf(folder_->path()), QStringList{QStringLiteral("links.ini")});
    if (present) {
        // The key removal went through and made the file smaller by its line.
        QCOMPARE(qint64(after.st_size), size - 4);
        QCOMPARE(readValue(path, QStringLiteral("a"), QStringLiteral("k")), QStringLiteral("dflt"));
        return;
    }
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(qint64(after.st_size), size);
    QVERIFY(sameTime(after.st_mtim, before.st_mtim));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(text.size()), text);
}

void TestIni::largeValidFileLoads() {
    // 20 MiB of valid text: the link pages first, then notes kept by hand, then one last section.
    QByteArray text;
    for (int page = 0; page < 9; ++page) {
        text += "[" + QByteArray::number(page) + "]\n";
        for (int slot = 0; slot < 10; ++slot)
            text +=
                "name" + QByteArray::number(slot) + "=Link " + QByteArray::number(page * 10 + slot) + "\n";
    }
    const qsizetype target = qsizetype(20) << 20;
    for (int note = 0; text.size() < target - 64; ++note) {
        if (note % 100 == 0)
            text += "[notes" + QByteArray::number(note / 100) + "]\n";
        text += "note" + QByteArray::number(note) + " = something written down in passing\n";
    }
    text += "[last]\nk=end\n";
    QVERIFY(text.size() > target - 64 && text.size() < target + 64);
    const QString path = iniPath();
    QVERIFY(writeBytes(path, text));

    QCOMPARE(readValue(path, QStringLiteral("8"), QStringLiteral("name9")), QStringLiteral("Link 89"));
    QCOMPARE(readValue(path, QStringLiteral("last"), QStringLiteral("k")), QStringLiteral("end"));
    QCOMPARE(readList(path, QStringLiteral("last")), QByteArray("k\0", 2));
    {
        const PrivateProfile::Snapshot snapshot(path);
        QCOMPARE(readValue(path, QStringLiteral("0"), QStringLiteral("name0")), QStringLiteral("Link 0"));
    }
    QVERIFY(PrivateProfile::writeString(QStringLiteral("last"), QStringLiteral("k"), QStringLiteral("END"),
                                        path));
    QByteArray expected = text;
    expected.replace(expected.size() - 4, 3, "END");
    QCOMPARE(readBytes(path), expected);
}

// ---------------------------------------------------------------------------------------------------------
// cInifile

void TestIni::freshInstance() {
    const cInifile ini;
    QCOMPARE(ini.LastReturnCode(), 0);
    QVERIFY(!ini.Success());
    QVERIFY(ini.Path().isNull());
    QVERIFY(ini.Section().isNull());
    QVERIFY(ini.Key().isNull());
    QVERIFY(ini.Default().isNull());
}

void TestIni::valueReadsDefault() {
    cInifile ini;
    ini.setPath(iniPath());
    ini.setSection(QStringLiteral("0"));
    ini.setKey(QStringLiteral("name0"));
    QCOMPARE(ini.Value(), QString());

    ini.setDefault(QStringLiteral("none"));
    QCOMPARE(ini.Default(), QStringLiteral("none"));
    QCOMPARE(ini.Value(), QStringLiteral("none"));
    QVERIFY(writeBytes(iniPath(), "[0]\nname1=x\n"));
    QCOMPARE(ini.Value(), QStringLiteral("none"));
    QVERIFY(writeBytes(iniPath(), "[0]\nNAME0=x\n"));
    QCOMPARE(ini.Value(), QStringLiteral("x"));
}

void TestIni::absentKeyDiffersFromEmptyKey() {
    QVERIFY(writeBytes(iniPath(), "[0]\nname0=a\n=empty name\n"));
    cInifile ini;
    ini.setPath(iniPath());
    ini.setSection(QStringLiteral("0"));
    // A key never assigned is absent: the read lists the section's key names.
    QCOMPARE(ini.Value(), QStringLiteral("name0") + QChar(0) + QChar(0));
    ini.setKey(QString());
    QCOMPARE(ini.Value(), QStringLiteral("empty name"));

    // Writing with the key absent removes the section, as the layer does for an absent key.
    cInifile noKey;
    noKey.setPath(iniPath());
    noKey.setSection(QStringLiteral("0"));
    noKey.setValue(QStringLiteral("ignored"));
    QVERIFY(noKey.Success());
    QCOMPARE(readBytes(iniPath()), QByteArray());
}

void TestIni::longValueReadsCut() {
    cInifile ini;
    ini.setPath(iniPath());
    ini.setSection(QStringLiteral("0"));
    ini.setKey(QStringLiteral("url0"));
    const QString longValue = QStringLiteral("http://") + QString(293, u'x');
    ini.setValue(longValue);
    QVERIFY(ini.Success());
    QCOMPARE(readBytes(iniPath()), "[0]\nurl0=" + longValue.toUtf8() + '\n');
    QCOMPARE(ini.Value(), longValue.first(254));
}

void TestIni::valueWriteDropsNulCharacters() {
    cInifile ini;
    ini.setPath(iniPath());
    ini.setSection(QStringLiteral("0"));
    ini.setKey(QStringLiteral("name0"));
    ini.setValue(QString::fromUtf16(u"\0a\0b\0\0c\0", 8));
    QVERIFY(ini.Success());
    QCOMPARE(readBytes(iniPath()), QByteArray("[0]\nname0=abc\n"));
    QCOMPARE(ini.Value(), QStringLiteral("abc"));
}

void TestIni::failedWriteIsRecorded() {
    QVERIFY(writeBytes(iniPath(), "[0]\nname0=a\n"));
    cInifile ini;
    ini.setPath(iniPath());
    ini.setSection(QStringLiteral("0"));
    ini.setKey(QStringLiteral("name0"));
    ini.setValue(QStringLiteral("b"));
    QVERIFY(ini.Success());
    QCOMPARE_NE(ini.LastReturnCode(), 0);

    ini.setValue(QStringLiteral("line\nbreak"));
    QVERIFY(!ini.Success());
    QCOMPARE(ini.LastReturnCode(), 0);
    QCOMPARE(ini.Key(), QStringLiteral("name0"));
    QCOMPARE(ini.Value(), QStringLiteral("b"));

    ini.setPath(folder_->filePath(QStringLiteral("missing/links.ini")));
    ini.setValue(QStringLiteral("c"));
    QVERIFY(!ini.Success());
    QCOMPARE(ini.Path(), folder_->filePath(QStringLiteral("missing/links.ini")));
}

void TestIni::deleteMembers() {
    QVERIFY(writeBytes(iniPath(), "[0]\nname0=a\nurl0=b\n[1]\nname0=c\n"));
    cInifile ini;
    ini.setPath(iniPath());
    ini.setSection(QStringLiteral("0"));
    ini.setKey(QStringLiteral("name0"));
    ini.DeleteKey();
    QVERIFY(ini.Success());
    QCOMPARE(readBytes(iniPath()), QByteArray("[0]\nurl0=b\n[1]\nname0=c\n"));

    ini.DeleteSection();
    QVERIFY(ini.Success());
    QCOMPARE(readBytes(iniPath()), QByteArray("[1]\nname0=c\n"));
    QCOMPARE(ini.Section(), QStringLiteral("0"));
    QCOMPARE(ini.Key(), QStringLiteral("name0"));
}

void TestIni::iniSectionWriteRemovesSection() {
    QVERIFY(writeBytes(iniPath(), "[0]\nname0=a\nurl0=b\n[1]\nname0=c\n"));
    cInifile ini;
    ini.setPath(iniPath());
    ini.setSection(QStringLiteral("0"));
    QCOMPARE(ini.INISection(), QStringLiteral("name0") + QChar(0) + QStringLiteral("url0") + QChar(0));
    QCOMPARE(ini.Sections(), QStringLiteral("0") + QChar(0) + QStringLiteral("1") + QChar(0));

    ini.setINISection(QStringLiteral("[2]\nname0=not stored"));
    QVERIFY(ini.Success());
    QCOMPARE(readBytes(iniPath()), QByteArray("[1]\nname0=c\n"));
    QCOMPARE(ini.INISection(), QString());
}

void TestIni::enumerations_data() {
    QTest::addColumn<QByteArray>("file"); // a null QByteArray: no file at all
    QTest::addColumn<QString>("section");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("sections");

    QTest::newRow("absent file") << QByteArray() << "0" << QStringList() << QStringList();
    QTest::newRow("absent section") << QByteArray("[1]\nname0=a\n") << "0" << QStringList()
                                    << QStringList{"1"};
    QTest::newRow("two keys in order") << QByteArray("[0]\nname0=a\nurl0=b\n[1]\n") << "0"
                                       << QStringList{"name0", "url0"} << QStringList{"0", "1"};
    QTest::newRow("empty names") << QByteArray("[]\n[0]\n=a\nurl0=b\n[2]\n") << "0" << QStringList{"", "url0"}
                                 << QStringList{"0", "2"};
    QTest::newRow("duplicates") << QByteArray("[0]\nk=1\nK=2\n[0]\n") << "0" << QStringList{"k", "K"}
                                << QStringList{"0", "0"};
}

void TestIni::enumerations() {
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, sections);
    if (!file.isNull())
        QVERIFY(writeBytes(iniPath(), file));
    cInifile ini;
    ini.setPath(iniPath());
    ini.setSection(section);
    ini.setDefault(QStringLiteral("FAIL"));

    QStringList list{QStringLiteral("left over")};
    int32_t count = -1;
    ini.EnumerateCurrentSection(list, count);
    QCOMPARE(list, keys);
    QCOMPARE(count, keys.size());

    list = QStringList{QStringLiteral("left over")};
    count = -1;
    ini.EnumerateAllSections(list, count);
    QCOMPARE(list, sections);
    QCOMPARE(count, sections.size());
}

void TestIni::clngDefault_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("fallback");
    QTest::addColumn<int>("expected");

    QTest::newRow("not a number") << "FAIL" << 7 << 7;
    QTest::newRow("integer") << "42" << 7 << 42;
    QTest::newRow("empty") << "" << 7 << 7;
    QTest::newRow("blanks around") << " \t-17\t " << 7 << -17;
    QTest::newRow("plus sign") << "+5" << 7 << 5;
    QTest::newRow("exponent") << "1.5e3" << 7 << 1500;
    QTest::newRow("negative exponent") << "25E-1" << 7 << 2;
    QTest::newRow("half to even down") << "2.5" << 7 << 2;
    QTest::newRow("half to even up") << "3.5" << 7 << 4;
    QTest::newRow("negative half") << "-2.5" << 7 << -2;
    QTest::newRow("zero point five") << "0.5" << 7 << 0;
    QTest::newRow("above half") << "2.51" << 7 << 3;
    QTest::newRow("leading point") << ".7" << 7 << 1;
    QTest::newRow("trailing point") << "12." << 7 << 12;
    QTest::newRow("largest") << "2147483647" << 7 << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << 7 << int(-2147483647 - 1);
    QTest::newRow("too large") << "2147483648" << 7 << 7;
    QTest::newRow("too small") << "-2147483649" << 7 << 7;
    QTest::newRow("rounds into range") << "2147483647.4" << 7 << 2147483647;
    QTest::newRow("rounds out of range") << "2147483647.5" << 7 << 7;
    QTest::newRow("negative half at the edge") << "-2147483648.5" << 7 << int(-2147483647 - 1);
    QTest::newRow("huge exponent") << "1e400" << 7 << 7;
    QTest::newRow("tiny exponent") << "1e-400" << 7 << 0;
    QTest::newRow("hexadecimal") << "0x10" << 7 << 7;
    QTest::newRow("trailing text") << "12abc" << 7 << 7;
    QTest::newRow("comma") << "1,5" << 7 << 7;
    QTest::newRow("infinity") << "inf" << 7 << 7;
    QTest::newRow("nan") << "nan" << 7 << 7;
    QTest::newRow("lone point") << "." << 7 << 7;
    QTest::newRow("blank inside") << "- 5" << 7 << 7;
    QTest::newRow("exponent without digits") << "5e" << 7 << 7;
    QTest::newRow("line break around") << "\n5\n" << 7 << 7;
}

void TestIni::clngDefault() {
    QFETCH(QString, text);
    QFETCH(int, fallback);
    QFETCH(int, expected);
    QCOMPARE(cInifile::CLngDefault(text, fallback), expected);
}

// ---------------------------------------------------------------------------------------------------------
// Window placement, on a window that keeps its geometry in memory: a 1280 x 1024 pixel screen at 15 twips per
// pixel. A window that refuses (a widget that is no window, a state it cannot take) throws, as a real one
// does.

namespace {

class MemoryWindow : public PlacementWindow {
public:
    explicit MemoryWindow(QRectF twips, int state = 0) : geometry(twips), state_(state) {}

    double left() const override { return refuseOr(geometry.left()); }
    double top() const override { return refuseOr(geometry.top()); }
    double width() const override { return refuseOr(geometry.width()); }
    double height() const override { return refuseOr(geometry.height()); }
    int windowState() const override { return int(refuseOr(state_)); }
    void setWindowState(int state) override {
        refuseOr(0);
        state_ = state;
    }
    void moveResize(double left, double top, double width, double height) override {
        refuseOr(0);
        geometry = QRectF(left, top, width, height);
        ++moves;
    }
    double screenWidth() const override { return 1280 * 15.0; }
    double screenHeight() const override { return 1024 * 15.0; }
    double twipsPerPixelX() const override { return 15; }
    double twipsPerPixelY() const override { return 15; }

    QRectF geometry;
    bool refuses = false;
    int moves = 0;

private:
    double refuseOr(double value) const {
        if (refuses)
            throw std::logic_error("the widget is not a top-level window");
        return value;
    }
    int state_;
};

} // namespace

void TestIni::savePlacement_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QByteArray>("expected"); // what follows the section's first key
    QTest::newRow("normal") << 0 << QByteArray("Maximised=0\nLeft=1800\nTop=2100\nWidth=4800\nHeight=3600\n");
    QTest::newRow("minimised: nothing written") << 1 << QByteArray();
    QTest::newRow("maximised: the flag only") << 2 << QByteArray("Maximised=1\n");
}

void TestIni::savePlacement() {
    QFETCH(int, state);
    QFETCH(QByteArray, expected);
    MemoryWindow window(QRectF(1800, 2100, 4800, 3600), state);
    QVERIFY(writeBytes(iniPath(), "[frmMain]\nKeep=1\n"));

    cInifile ini = placementIni(iniPath());
    ini.SaveFormPosition(window);

    QCOMPARE(ini.Key(), QStringLiteral("Current"));
    QCOMPARE(readBytes(iniPath()), "[frmMain]\nKeep=1\n" + expected);
    QCOMPARE(ini.Success(), state != 1);
}

void TestIni::loadPlacement_data() {
    // Stored keys and the window's geometry before, and after (twips).
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QRectF>("start");
    QTest::addColumn<QRectF>("expected");
    QTest::addColumn<int>("state");
    const QRectF start(750, 900, 3750, 3750);
    QTest::newRow("nothing stored: raised to the minimum and pulled 4 px inside")
        << QByteArray() << QRectF(0, 0, 1500, 1200) << QRectF(60, 60, 3000, 3000) << 0;
    QTest::newRow("nothing stored: a large window stays")
        << QByteArray() << QRectF(750, 900, 6000, 4500) << QRectF(750, 900, 6000, 4500) << 0;
    QTest::newRow("stored placement") << QByteArray("Left=1500\nTop=2250\nWidth=6000\nHeight=4500\n") << start
                                      << QRectF(1500, 2250, 6000, 4500) << 0;
    QTest::newRow("stored fractions round")
        << QByteArray("Left=1.5e3\nTop=2250.4\nWidth=6E3\nHeight=4500.5\n") << start
        << QRectF(1500, 2250, 6000, 4500) << 0;
    QTest::newRow("unreadable values keep the window's")
        << QByteArray("Left=abc\nTop=\nWidth=FAIL\nHeight=1e99\n") << start << start << 0;
    QTest::newRow("too small is raised") << QByteArray("Left=1500\nTop=1500\nWidth=150\nHeight=-20\n")
                                         << start << QRectF(1500, 1500, 3000, 3000) << 0;
    QTest::newRow("past the right and bottom edges")
        << QByteArray("Left=999999\nTop=999999\nWidth=6000\nHeight=4500\n") << start
        << QRectF(19200 - 60 - 6000, 15360 - 60 - 4500, 6000, 4500) << 0;
    QTest::newRow("negative position") << QByteArray("Left=-3000\nTop=-1\nWidth=6000\nHeight=4500\n") << start
                                       << QRectF(60, 60, 6000, 4500) << 0;
    QTest::newRow("wider and taller than the screen")
        << QByteArray("Left=1500\nTop=1500\nWidth=9999999\nHeight=9999999\n") << start
        << QRectF(60, 60, 19200 - 120, 15360 - 120) << 0;
    QTest::newRow("maximised, with spaces around the flag")
        << QByteArray("Maximised= 1 \n") << QRectF(750, 900, 4500, 3750) << QRectF(750, 900, 4500, 3750) << 2;
    QTest::newRow("an overflowing sum leaves the window where it was")
        << QByteArray("Left=2147483000\nWidth=6000\nHeight=4500\n") << start << start << 0;
}

void TestIni::loadPlacement() {
    QFETCH(QByteArray, stored);
    QFETCH(QRectF, start);
    QFETCH(QRectF, expected);
    QFETCH(int, state);
    QVERIFY(writeBytes(iniPath(), "[frmMain]\n" + stored));
    MemoryWindow window(start);

    cInifile ini = placementIni(iniPath());
    ini.setDefault(QStringLiteral("own default"));
    ini.LoadFormPosition(window);

    QCOMPARE(window.geometry, expected);
    QCOMPARE(window.windowState(), state);
    QCOMPARE(ini.Key(), QStringLiteral("Current"));
    QCOMPARE(ini.Default(), QStringLiteral("own default"));
    QCOMPARE(readBytes(iniPath()), "[frmMain]\n" + stored); // loading writes nothing
}

void TestIni::placementFailureRestoresFields_data() {
    QTest::addColumn<bool>("saving");
    QTest::newRow("save") << true;
    QTest::newRow("load") << false;
}

void TestIni::placementFailureRestoresFields() {
    QFETCH(bool, saving);
    QVERIFY(writeBytes(iniPath(), "[frmMain]\nLeft=1500\n"));
    cInifile ini = placementIni(iniPath());
    ini.setValue(QStringLiteral("1"));
    QVERIFY(ini.Success());

    MemoryWindow window(QRectF(750, 900, 4500, 3750));
    window.refuses = true;
    if (saving)
        ini.SaveFormPosition(window);
    else
        ini.LoadFormPosition(window);
    QCOMPARE(ini.LastReturnCode(), 0);
    QCOMPARE(ini.Key(), QStringLiteral("Current"));
    QVERIFY(ini.Default().isNull());
    QCOMPARE(ini.Value(), QStringLiteral("1"));
    QCOMPARE(window.moves, 0);
    QCOMPARE(readBytes(iniPath()), QByteArray("[frmMain]\nLeft=1500\nCurrent=1\n"));
}

QTEST_GUILESS_MAIN(TestIni)

#include "test_ini.moc"
