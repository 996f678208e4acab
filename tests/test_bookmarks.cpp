// SPDX-License-Identifier: MIT
// Bookmarks in and out of the link file: the bookmarks HTML file and the Chromium "Bookmarks" file read into
// one list, where an import puts each link, the export read back, and the link file written in one piece.
// Real files in temporary folders; the fixtures are in tests/fixtures/bookmarks.

#include "core/Bookmarks.h"
#include "core/LinkImport.h"
#include "core/LinkStore.h"
#include "core/LinkTable.h"
#include "core/PrivateProfile.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using Bookmarks::Bookmark;

namespace {

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(BRIMVEL_SOURCE_DIR "/tests/fixtures/bookmarks/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// "title <address>" per bookmark, for readable comparisons.
QStringList shown(const QList<Bookmark>& marks) {
    QStringList out;
    for (const Bookmark& m : marks)
        out << m.title + QStringLiteral(" <") + m.address + QLatin1Char('>');
    return out;
}

// A table whose first `taken` slots (page 1 slot 1 onward) hold links.
LinkTable tableWithTaken(int taken) {
    LinkTable table;
    for (int p = 0; p < LinkTable::kPages; ++p) {
        QStringList names(LinkTable::kSlots), addresses(LinkTable::kSlots);
        for (int s = 0; s < LinkTable::kSlots; ++s) {
            if (p * LinkTable::kSlots + s < taken) {
                names[s] = QStringLiteral("Taken %1.%2").arg(p).arg(s);
                addresses[s] = QStringLiteral("http://taken.example/%1/%2").arg(p).arg(s);
            }
        }
        table.setCell(p, 0, names);
        table.setCell(p, 1, addresses);
    }
    return table;
}

} // namespace

class TestBookmarks : public QObject {
    Q_OBJECT
private slots:
    void sniffsTheFormat_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("format");
        QTest::newRow("bookmarks html")
            << QByteArray("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL>") << int(Bookmarks::Format::Html);
        QTest::newRow("html, other letter case, byte order mark and blank lines")
            << QByteArray("\xEF\xBB\xBF\r\n\n  <!doctype netscape-bookmark-file-1>")
            << int(Bookmarks::Format::Html);
        QTest::newRow("chromium json")
            << QByteArray("{\n   \"checksum\"") << int(Bookmarks::Format::ChromiumJson);
        QTest::newRow("sqlite") << QByteArray("SQLite format 3\0\x10\0", 19)
                                << int(Bookmarks::Format::Sqlite);
        QTest::newRow("plain web page")
            << QByteArray("<!DOCTYPE html><html>") << int(Bookmarks::Format::Unknown);
        QTest::newRow("empty") << QByteArray() << int(Bookmarks::Format::Unknown);
        QTest::newRow("the word sqlite without the header's NUL")
            << QByteArray("SQLite format 3 is a name") << int(Bookmarks::Format::Unknown);
    }
    void sniffsTheFormat() {
        QFETCH(QByteArray, head);
        QFETCH(int, format);
        QCOMPARE(int(Bookmarks::sniff(head)), format);
    }

    // Nested folders flattened in order, separators and descriptions passed over, every entry kept (the
    // import decides which to take), references decoded, titles on one line.
    void readsNestedHtml() {
        QList<Bookmark> marks;
        QString error;
        QVERIFY2(Bookmarks::readHtml(fixture("nested.html"), marks, error), qPrintable(error));
        const QStringList expected{
            QStringLiteral("Recently bookmarked <place:parent=menu________&sort=8>"),
            QStringLiteral("Tom & \"Jerry\" 's <show> <https://news.example/?a=1&b=2>"),
            QStringLiteral("Café — Ελληνικά 日本語 \U0001F600 <http://deep.example/>"),
            QStringLiteral("Bookmarklet <javascript:alert('x')>"),
            QStringLiteral("FTP files <ftp://files.example/pub/>"),
            QStringLiteral(" <mailto:someone@mail.example>"),
            QStringLiteral("The same address again <https://news.example/?a=1&b=2>"),
            QStringLiteral("A local file <file:///etc/passwd>"),
            QStringLiteral(" <https://empty-title.example/path>"),
            QStringLiteral("Title over two lines <https://multi.example/>"),
        };
        QCOMPARE(shown(marks), expected);
        for (const Bookmark& m : marks)
            QCOMPARE(m.page, -1);
    }

    void refusesDamagedHtml_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray head = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        QTest::newRow("cut inside a tag") << head + "<DT><A HREF=\"http://a.example/\" ADD_D"
                                          << QStringLiteral("it ends inside a tag on line 3");
        QTest::newRow("link never closed")
            << head + "<DT><A HREF=\"http://a.example/\">A\n<DT><A HREF=\"x\">B</A>\n</DL>"
            << QStringLiteral("the link on line 3 is not closed");
        QTest::newRow("list cut short")
            << head + "<DT><A HREF=\"http://a.example/\">A</A>\n<DL><p>\n</DL>"
            << QStringLiteral("it ends before its bookmark list does (the file is cut short)");
        QTest::newRow("no list at all")
            << QByteArray("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>x</TITLE>\n")
            << QStringLiteral("it holds no bookmark list");
        QTest::newRow("comment never closed")
            << head + "<!-- begun\n</DL>" << QStringLiteral("it ends inside a comment begun on line 3");
        // Damage after a whole link: what was read before it is not handed out either.
        const QByteArray link = "<DT><A HREF=\"http://a.example/\">A</A>\n";
        QTest::newRow("a link, then cut inside a tag")
            << head + link + "<DT><A HREF=\"http://b.ex" << QStringLiteral("it ends inside a tag on line 4");
        QTest::newRow("a link, then a link never closed")
            << head + link + "<DT><A HREF=\"http://b.example/\">B\n</DL>"
            << QStringLiteral("the link on line 4 is not closed");
        QTest::newRow("a link, then a comment never closed")
            << head + link + "<!-- begun\n</DL>"
            << QStringLiteral("it ends inside a comment begun on line 4");
        QTest::newRow("not UTF-8") << head + "<DT><A HREF=\"http://a.example/\">caf\xE9</A>\n</DL>"
                                   << QStringLiteral("it is not UTF-8 text");
        QTest::newRow("an ordinary web page")
            << QByteArray("<!DOCTYPE html><html><body><a href=\"http://a.example/\">a</a></body></html>")
            << QStringLiteral(
                   "it does not begin as a bookmarks file does (<!DOCTYPE NETSCAPE-Bookmark-file-1>)");
    }
    void refusesDamagedHtml() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QList<Bookmark> marks{{QStringLiteral("stale"), QStringLiteral("http://stale.example/")}};
        QString error;
        QVERIFY(!Bookmarks::readHtml(bytes, marks, error));
        QCOMPARE(error, reason);
        QVERIFY(marks.isEmpty());
    }

    // The bar, then the other bookmarks, then those synced from other devices; folders depth first.
    void readsChromiumBookmarks() {
        QList<Bookmark> marks;
        QString error;
        QVERIFY2(Bookmarks::readChromiumJson(fixture("Bookmarks.json"), marks, error), qPrintable(error));
        QCOMPARE(
            shown(marks),
            (QStringList{
                QStringLiteral("Bar link <https://bar.example/>"),
                QStringLiteral("In a folder: \"quotes\" & ampersands <https://folder.example/a?b=1&c=2>"),
                QStringLiteral("Überall — 中文 <http://deep.example/>"),
                QStringLiteral("Bookmarklet <javascript:void(0)>"),
                QStringLiteral(" <https://other.example/page>"),
                QStringLiteral("From the phone <https://phone.example/>"),
            }));
    }

    void refusesDamagedChromiumBookmarks_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reasonStart");
        const QByteArray whole = fixture("Bookmarks.json");
        QTest::newRow("cut in half") << whole.first(whole.size() / 2)
                                     << QStringLiteral("it is not valid JSON (");
        QTest::newRow("json without roots")
            << QByteArray("{\"version\": 1}") << QStringLiteral("it has no bookmark roots");
        QTest::newRow("an array") << QByteArray("[1, 2]") << QStringLiteral("it has no bookmark roots");
    }
    void refusesDamagedChromiumBookmarks() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reasonStart);
        QList<Bookmark> marks;
        QString error;
        QVERIFY(!Bookmarks::readChromiumJson(bytes, marks, error));
        QVERIFY2(error.startsWith(reasonStart), qPrintable(error));
        QVERIFY(marks.isEmpty());
    }

    // What the import takes, where it goes and what it is called.
    void importPlacesLinksInFreeSlots() {
        QList<Bookmark> marks;
        QString error;
        QVERIFY(Bookmarks::readHtml(fixture("nested.html"), marks, error));
        LinkTable table = tableWithTaken(0);
        // Page 1 slot 2 holds a link already; slot 4 holds only a name (it is not free either); the deep
        // link's address is in the table already, written differently.
        table.setCell(0, 0, {QString(), QStringLiteral("Kept"), QString(), QStringLiteral("Only a name")});
        table.setCell(0, 1,
                      {QString(), QStringLiteral("https://kept.example/"), QString(), QString(), QString(),
                       QString(), QString(), QString(), QString(), QStringLiteral("HTTP://DEEP.example/")});
        const LinkImport::Plan plan = LinkImport::plan(table, marks);
        QStringList where;
        for (const LinkStore::SlotText& s : plan.writes)
            where << QStringLiteral("%1.%2 %3 <%4>").arg(s.page).arg(s.slot).arg(s.name, s.address);
        QCOMPARE(where, (QStringList{
                            QStringLiteral("0.0 Tom & \"Jerry\" 's <show> <https://news.example/?a=1&b=2>"),
                            QStringLiteral("0.2 FTP files <ftp://files.example/pub/>"),
                            QStringLiteral("0.4 someone@mail.example <mailto:someone@mail.example>"),
                            QStringLiteral("0.5 empty-title.example <https://empty-title.example/path>"),
                            QStringLiteral("0.6 Title over two lines <https://multi.example/>"),
                        }));
        QCOMPARE(plan.imported, 5);
        // place:, javascript:, file:, the address twice, the one already in the table.
        QCOMPARE(plan.skipped, 5);
    }

    // 200 bookmarks into a file with 80 slots taken: the ten free slots fill, in order, and nothing is
    // written over.
    void importStopsWhenTheSlotsRunOut() {
        QList<Bookmark> marks;
        for (int i = 0; i < 200; ++i)
            marks.append(
                {QStringLiteral("Mark %1").arg(i), QStringLiteral("https://many.example/%1").arg(i)});
        const LinkImport::Plan plan = LinkImport::plan(tableWithTaken(80), marks);
        QCOMPARE(plan.imported, 10);
        QCOMPARE(plan.skipped, 190);
        QCOMPARE(plan.writes.size(), 10);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(plan.writes[i].page, 8);
            QCOMPARE(plan.writes[i].slot, i);
            QCOMPARE(plan.writes[i].name, QStringLiteral("Mark %1").arg(i));
        }
        QCOMPARE(LinkImport::plan(tableWithTaken(90), marks).imported, 0);
    }

    // What a value of the link file cannot hold: a title is cut (never inside a character), an address that
    // would be cut is not taken at all.
    void importKeepsToWhatTheFileHolds() {
        const QString longTitle = QString(126, QChar(0x00E9)) + QStringLiteral("xyz"); // 252 + 3 bytes
        const QString longAddress = QStringLiteral("https://long.example/") + QString(240, QLatin1Char('a'));
        const LinkImport::Plan plan =
            LinkImport::plan(tableWithTaken(0), {{longTitle, QStringLiteral("https://t.example/")},
                                                 {QStringLiteral("Long"), longAddress}});
        QCOMPARE(plan.imported, 1);
        QCOMPARE(plan.skipped, 1);
        QCOMPARE(plan.writes[0].name, QString(126, QChar(0x00E9)) + QStringLiteral("xy"));
        QCOMPARE(plan.writes[0].name.toUtf8().size(), LinkImport::kValueBytes);
        const QString emoji = QString(63, QChar(0x4E2D)) + QStringLiteral("\U0001F600\U0001F600"); // 189 + 8
        const QString cut = LinkImport::nameFor({emoji + QString(60, QLatin1Char('z')), QString()});
        QVERIFY(cut.toUtf8().size() <= LinkImport::kValueBytes);
        QVERIFY(!cut.back().isHighSurrogate());
    }

    // Every link, with names and addresses that need escaping and gaps between them, goes out and comes back
    // into an empty link file in the same slots, through real files.
    void exportComesBackInTheSameSlots() {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("source.dat"));
        const QByteArray links = "[0]\nname0=Tom & \"Jerry\" <b>\nurl0=https://a.example/?x=1&y=2\n"
                                 "name3=\"\"Quoted\"\"\nurl3=mailto:q@mail.example\n"
                                 "[4]\nname9=Café 日本語 'single'\nurl9=http://b.example/caf%C3%A9\n"
                                 "[8]\nname0=Last\nurl0=ftp://c.example/\n";
        QVERIFY(writeBytes(source, links));
        LinkTable before;
        before.load(source);
        int count = 0;
        const QByteArray html = Bookmarks::writeHtml(before, count);
        QCOMPARE(count, 4);
        QVERIFY(html.contains("<DT><H3>Page 1</H3>") && html.contains("<DT><H3>Page 5</H3>") &&
                html.contains("<DT><H3>Page 9</H3>") && !html.contains("Page 2"));
        QVERIFY(html.contains("Tom &amp; &quot;Jerry&quot; &lt;b&gt;"));
        QVERIFY(html.contains("HREF=\"https://a.example/?x=1&amp;y=2\""));

        QList<Bookmark> marks;
        QString error;
        QVERIFY2(Bookmarks::readHtml(html, marks, error), qPrintable(error));
        const QString target = dir.filePath(QStringLiteral("target.dat"));
        LinkTable empty;
        empty.load(target);
        const LinkImport::Plan plan = LinkImport::plan(empty, marks);
        QCOMPARE(plan.imported, 4);
        QCOMPARE(LinkStore(target).write(plan.writes), LinkStore::Result::Saved);
        LinkTable after;
        after.load(target);
        for (int p = 0; p < LinkTable::kPages; ++p)
            for (int s = 0; s < LinkTable::kSlots; ++s) {
                QCOMPARE(after.name(p, s), before.name(p, s));
                QCOMPARE(after.address(p, s), before.address(p, s));
            }
        QCOMPARE(after.name(0, 3), QStringLiteral("\"Quoted\""));
    }

    // A slot carried by the file goes back there only when it is free; otherwise the link takes the first
    // free slot like any other.
    void carriedSlotsNeverOverwrite() {
        LinkTable table = tableWithTaken(0);
        table.setCell(2, 0, {QStringLiteral("Here already")});
        table.setCell(2, 1, {QStringLiteral("http://here.example/")});
        Bookmark onTaken{QStringLiteral("Wants 3.1"), QStringLiteral("http://wants.example/"), 2, 0};
        Bookmark plain{QStringLiteral("Plain"), QStringLiteral("http://plain.example/")};
        Bookmark onFree{QStringLiteral("Wants 1.1"), QStringLiteral("http://free.example/"), 0, 0};
        const LinkImport::Plan plan = LinkImport::plan(table, {onTaken, plain, onFree});
        QStringList where;
        for (const LinkStore::SlotText& s : plan.writes)
            where << QStringLiteral("%1.%2 %3").arg(s.page).arg(s.slot).arg(s.name);
        QCOMPARE(where, (QStringList{QStringLiteral("0.0 Wants 1.1"), QStringLiteral("0.1 Wants 3.1"),
                                     QStringLiteral("0.2 Plain")}));
    }

    // One rewrite for many changes: all of them, or none when one would be refused.
    void manyChangesInOneRewrite() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("links.dat"));
        const QByteArray before = "; hand-written\r\n[0]\r\nname0=A\r\nurl0=http://a.example/\r\n";
        QVERIFY(writeBytes(path, before));
        struct stat was {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &was) == 0);

        // The third change would put a line break in the file: nothing is written.
        QCOMPARE(PrivateProfile::writeStrings(
                     {{QStringLiteral("0"), QStringLiteral("name1"), QStringLiteral("B")},
                      {QStringLiteral("0"), QStringLiteral("name0"), std::nullopt},
                      {QStringLiteral("1"), QStringLiteral("url0"), QStringLiteral("x\ny")}},
                     path),
                 0);
        QCOMPARE(readBytes(path), before);
        // Removing only what is not there leaves the disk alone: the same file, not a rewrite of it.
        QCOMPARE(PrivateProfile::writeStrings({{QStringLiteral("5"), QStringLiteral("name1"), std::nullopt}},
                                              path),
                 1);
        struct stat now {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &now) == 0);
        QCOMPARE(now.st_ino, was.st_ino);

        QCOMPARE(PrivateProfile::writeStrings(
                     {{QStringLiteral("0"), QStringLiteral("name1"), QStringLiteral("B")},
                      {QStringLiteral("0"), QStringLiteral("url1"), QStringLiteral("http://b/")},
                      {QStringLiteral("0"), QStringLiteral("name0"), std::nullopt},
                      {QStringLiteral("0"), QStringLiteral("url0"), std::nullopt}},
                     path),
                 1);
        QCOMPARE(readBytes(path), QByteArray("; hand-written\r\n[0]\r\nname1=B\r\nurl1=http://b/\r\n"));
    }

    // Changes planned on one reading of the file land only on that very file: once another writer has changed
    // it, they are refused and the other writer's link stays.
    void changesPlannedOnAnOlderFileAreRefused() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("links.dat"));
        const QByteArray planned = "[0]\nname0=A\nurl0=http://a.example/\n";
        QVERIFY(writeBytes(path, planned));
        const QByteArray meanwhile = planned + "name1=Saved meanwhile\nurl1=http://meanwhile.example/\n";
        QVERIFY(writeBytes(path, meanwhile));
        const QList<LinkStore::SlotText> import{
            {0, 1, QStringLiteral("Imported"), QStringLiteral("http://i.example/")}};
        QCOMPARE(LinkStore(path).write(import, planned), LinkStore::Result::Changed);
        QCOMPARE(readBytes(path), meanwhile);
        QCOMPARE(LinkStore(path).write(import, meanwhile), LinkStore::Result::Saved);
        QVERIFY(readBytes(path).contains("name1=Imported\n"));
        // A file that was absent when the plan was made must still be absent.
        const QString fresh = dir.filePath(QStringLiteral("fresh.dat"));
        QCOMPARE(LinkStore(fresh).write(import, QByteArray()), LinkStore::Result::Saved);
        QVERIFY(readBytes(fresh).contains("name1=Imported\n"));
    }
};

QTEST_GUILESS_MAIN(TestBookmarks)
#include "test_bookmarks.moc"
