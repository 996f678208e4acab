// SPDX-License-Identifier: MIT
// Writes to the link file through LinkStore: a saved slot, a removal, a swap, and a failed save that leaves
// the file byte for byte as it was; a link file too large for the INI layer, never read whole (the checks
// run in a child whose address space is limited), never written, and seen by the file watch as absent.
// Real files in a temporary folder; the large ones are sparse.

#include "core/LinkFileWatch.h"
#include "core/LinkStore.h"
#include "core/PrivateProfile.h"
#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sched.h>
#include <sys/mount.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// "page/key" read straight from the file's lines.
QString value(const QString& path, const QString& key) {
    const QStringList parts = key.split(QLatin1Char('/'));
    QString section;
    for (const QString& line : QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
        else if (section == parts[0] && line.startsWith(parts[1] + QLatin1Char('=')))
            return line.mid(parts[1].size() + 1).trimmed();
    }
    return QString();
}

const QByteArray twoLinks = "[0]\nname0=A\nurl0=http://a.example/\nname1=B\nurl1=http://b.example/\n";

// Room for everything the checks need, and far less than a whole oversized file.
constexpr qint64 headroom = qint64(1) << 30;

// The state of a file a refused write must leave alone: where it is, its size, its time and its first bytes.
struct Untouched {
    explicit Untouched(const QString& path) : path_(path), status_(statusOf(path)), head_(head(path)) {}
    bool holds() const {
        const struct stat now = statusOf(path_);
        return now.st_ino == status_.st_ino && now.st_size == status_.st_size &&
               now.st_mtim.tv_sec == status_.st_mtim.tv_sec &&
               now.st_mtim.tv_nsec == status_.st_mtim.tv_nsec && head(path_) == head_;
    }

private:
    static struct stat statusOf(const QString& path) {
        struct stat status {};
        ::stat(QFile::encodeName(path).constData(), &status);
        return status;
    }
    static QByteArray head(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.read(4096) : QByteArray();
    }
    QString path_;
    struct stat status_;
    QByteArray head_;
};

} // namespace

class TestLinkStore : public QObject {
    Q_OBJECT
private slots:
    void saveWritesBothKeys() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("links.ini"));
        writeAll(path, "[2]\nname1=Old\nurl1=http://old.example/\nname3=Keep\nurl3=http://keep.example/\n");
        LinkStore store(path);
        QCOMPARE(
            store.save(2, 1, QStringLiteral("New & \"quoted\" é"), QStringLiteral("https://new.example/")),
            LinkStore::Result::Saved);
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.contains("name1=New & \"quoted\" \xc3\xa9"));
        QVERIFY(bytes.contains("url1=https://new.example/"));
        QVERIFY(bytes.contains("name3=Keep"));
        QVERIFY(!bytes.contains("Old"));
    }

    void removeDeletesOnlyTheSlot() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("links.ini"));
        writeAll(path, "[0]\nname0=A\nurl0=http://a.example/\nname1=B\nurl1=http://b.example/\n");
        QCOMPARE(LinkStore(path).remove(0, 0), LinkStore::Result::Saved);
        const QByteArray bytes = readAll(path);
        QVERIFY(!bytes.contains("name0="));
        QVERIFY(!bytes.contains("url0="));
        QVERIFY(bytes.contains("name1=B"));
        QVERIFY(bytes.contains("url1=http://b.example/"));
    }

    void swapExchangesSlots_data() {
        QTest::addColumn<int>("pageB");
        QTest::addColumn<int>("slotB");
        QTest::addColumn<bool>("targetFilled");
        QTest::newRow("same page, both filled") << 0 << 5 << true;
        QTest::newRow("other page, both filled") << 7 << 9 << true;
        QTest::newRow("other page, empty target") << 8 << 0 << false;
    }
    void swapExchangesSlots() {
        QFETCH(int, pageB);
        QFETCH(int, slotB);
        QFETCH(bool, targetFilled);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("links.ini"));
        QByteArray text = "[0]\nname2=A\nurl2=http://a.example/\n";
        if (targetFilled)
            text += (pageB == 0 ? QString() : QStringLiteral("[%1]\n").arg(pageB)).toUtf8() +
                    QStringLiteral("name%1=B\nurl%1=http://b.example/\n").arg(slotB).toUtf8();
        writeAll(path, text);
        QCOMPARE(LinkStore(path).swap(0, 2, pageB, slotB), LinkStore::Result::Saved);
        QCOMPARE(value(path, QStringLiteral("%1/name%2").arg(pageB).arg(slotB)), QStringLiteral("A"));
        QCOMPARE(value(path, QStringLiteral("%1/url%2").arg(pageB).arg(slotB)),
                 QStringLiteral("http://a.example/"));
        QCOMPARE(value(path, QStringLiteral("0/name2")), targetFilled ? QStringLiteral("B") : QString());
        QCOMPARE(value(path, QStringLiteral("0/url2")),
                 targetFilled ? QStringLiteral("http://b.example/") : QString());
    }

    // Nothing can be written: every change reports it, and the file stays byte for byte as it was. Root
    // writes into read-only folders, so as root the folder is a small file system of this process's own,
    // mounted read-only.
    void failedSaveLeavesFileAsItWas() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("links.ini"));
        const QByteArray before = "[0]\r\nname0 = \"A\"  \r\nurl0=http://a.example/\r\n\r\n; hand edit\r\n";
        const QByteArray folder = QFile::encodeName(dir.path());
        const bool root = geteuid() == 0;
        if (root) {
            QVERIFY2(unshare(CLONE_NEWNS) == 0 &&
                         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0,
                     "no mount namespace of its own");
            QVERIFY(mount("tmpfs", folder.constData(), "tmpfs", 0, "size=64k") == 0);
        }
        writeAll(path, before);
        if (root) {
            QVERIFY(mount(nullptr, folder.constData(), nullptr, MS_REMOUNT | MS_RDONLY, "size=64k") == 0);
        } else {
            QVERIFY(chmod(QFile::encodeName(path).constData(), 0444) == 0);
            QVERIFY(chmod(folder.constData(), 0555) == 0);
        }
        LinkStore store(path);
        QCOMPARE(store.save(0, 1, QStringLiteral("B"), QStringLiteral("http://b.example/")),
                 LinkStore::Result::Unsaved);
        QCOMPARE(store.remove(0, 0), LinkStore::Result::Unsaved);
        QCOMPARE(store.swap(0, 0, 3, 3), LinkStore::Result::Unsaved);
        QCOMPARE(readAll(path), before);
        if (root)
            umount2(folder.constData(), MNT_DETACH);
        else
            chmod(folder.constData(), 0755);
    }

    // A link file past the INI layer's limit reads as absent and is never written, whatever the change.
    void oversizedFileIsNeverWritten_data() {
        QTest::addColumn<qint64>("size");
        QTest::newRow("one byte over the limit") << PrivateProfile::maxFileSize + 1;
        QTest::newRow("64 GiB") << (qint64(64) << 30);
    }
    void oversizedFileIsNeverWritten() {
        QFETCH(qint64, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("links.ini"));
        writeAll(path, twoLinks);
        QVERIFY(QFile::resize(path, size));
        const Untouched before(path);
        const QString failed = inChildWithAddressLimit(headroom, [&]() -> QString {
            using R = LinkStore::Result;
            LinkStore store(path);
            const struct {
                const char* what;
                R result;
                R expected;
            } cases[] = {
                {"the file's bytes", PrivateProfile::fileBytes(path).isEmpty() ? R::Unsaved : R::Saved,
                 R::Unsaved},
                {"save", store.save(0, 2, QStringLiteral("C"), QStringLiteral("http://c.example/")),
                 R::Unsaved},
                {"remove", store.remove(0, 0), R::Unsaved},
                {"swap", store.swap(0, 0, 4, 4), R::Unsaved},
                // A plan made on the file as it reads (absent) lands nowhere; one made before it grew past
                // the limit finds it changed.
                {"write planned on it",
                 store.write({{1, 1, QStringLiteral("D"), QStringLiteral("http://d/")}}, {}), R::Unsaved},
                {"write planned before",
                 store.write({{1, 1, QStringLiteral("D"), QStringLiteral("http://d/")}}, twoLinks),
                 R::Changed},
            };
            for (const auto& c : cases) {
                if (c.result != c.expected)
                    return QString::fromUtf8(c.what);
            }
            return QString();
        });
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QVERIFY(before.holds());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("links.ini")});
    }

    // The running tab's watch of the link file, started on an oversized file: it reads it as absent, and
    // sees it come back as links and go again as it grows past the limit.
    void watchTakesOversizedFileForAbsent() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("links.ini"));
        const qint64 huge = qint64(64) << 30;
        writeAll(path, twoLinks);
        QVERIFY(QFile::resize(path, huge));
        const QString failed = inChildWithAddressLimit(headroom, [&]() -> QString {
            int changes = 0;
            QByteArray seen;
            LinkFileWatch watch(path, [&] {
                ++changes;
                seen = PrivateProfile::fileBytes(path);
            });
            const auto reported = [&](int count) {
                QDeadlineTimer deadline(10000);
                while (changes < count && !deadline.hasExpired())
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
                return changes == count;
            };
            if (!QFile::resize(path, twoLinks.size()) || !reported(1) || seen != twoLinks)
                return QStringLiteral("the file cut back to its links: %1 changes, %2")
                    .arg(changes)
                    .arg(QString::fromUtf8(seen));
            if (!QFile::resize(path, huge) || !reported(2) || !seen.isEmpty())
                return QStringLiteral("the file grown past the limit: %1 changes").arg(changes);
            return QString();
        });
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }
};

QTEST_GUILESS_MAIN(TestLinkStore)
#include "test_link_store.moc"
