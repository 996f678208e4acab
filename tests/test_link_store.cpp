// SPDX-License-Identifier: MIT
// Writes to the link file through LinkStore: a saved slot, a removal, a swap, and a failed save that leaves
// the file byte for byte as it was. Real files in a temporary folder.

#include "core/LinkStore.h"

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
};

QTEST_GUILESS_MAIN(TestLinkStore)
#include "test_link_store.moc"
