// SPDX-License-Identifier: MIT
// Moving and removing links in the open tab: the right-click menu of a link row (Edit…, Remove, Move to
// page), link rows dragged onto rows and page selectors, a failed save that says so and leaves the file as it
// was, and the running tab showing links that a second process imported. Real XTest pointer and keys, real
// files.

#include "app/frmMain.h"
#include "core/LinkTable.h"
#include "links/frmInput.h"
#include "panel/LinkEdits.h"
#include "panel/LinkPanel.h"
#include "support/FileBytes.h"
#include "support/LinkPanelDriver.h"
#include "support/MessageBoxAnswerer.h"
#include "support/TabView.h"
#include "support/TestDesktop.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <X11/keysym.h>
#include <sys/stat.h>

namespace {

// Page 1: A, B, (free), D; page 3 full; page 5: one link in slot 3.
QByteArray seededLinks() {
    QByteArray text = "[0]\nname0=A\nurl0=http://a.example/\nname1=B\nurl1=http://b.example/\n"
                      "name3=D\nurl3=http://d.example/\n[2]\n";
    for (int s = 0; s < 10; ++s)
        text += "name" + QByteArray::number(s) + "=Full " + QByteArray::number(s) + "\nurl" +
                QByteArray::number(s) + "=http://full.example/" + QByteArray::number(s) + "\n";
    text += "[4]\nname2=Five\nurl2=http://five.example/\n";
    return text;
}

// A table of names on page 1 (the rest empty), for the summaries of changes made elsewhere.
LinkTable pageOne(const QStringList& names, const QStringList& addresses = {}) {
    LinkTable table;
    table.setCell(0, 0, names);
    table.setCell(0, 1, addresses.isEmpty() ? names : addresses);
    return table;
}

// Starts a program whose link file holds the seeded links.
frmMain& startSeeded(TestProgram& program) {
    program.writeLinks(seededLinks());
    return program.start();
}

LinkTable tableOf(const QString& path) {
    LinkTable table;
    table.load(path);
    return table;
}

// Waits for the row's menu and for its keyboard grab: keys typed before it would go elsewhere.
QMenu* openPopup() {
    QMenu* menu = nullptr;
    const bool shown = waitUntil([&] {
        menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu && menu->isVisible();
    });
    return shown && RealInput::waitForKeyboardGrab() && QApplication::activePopupWidget() == menu ? menu
                                                                                                  : nullptr;
}

QStringList texts(const QMenu* menu) {
    QStringList out;
    for (const QAction* action : menu->actions())
        out << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
    return out;
}

// One key to the open menu; it returns once the menu has handled it.
void menuKey(unsigned long keysym) {
    RealInput::tapKey(keysym);
    QVERIFY(RealInput::handled());
}

// Right-clicks row `row` and waits for its menu.
QMenu* menuOf(frmMain& tab, int row) {
    RealInput::click(screenPoint(view(tab).picLink[row]), 3);
    return openPopup();
}

// Drags with the left button from one widget to another in small steps, as a hand does. The steps come from
// a process of their own (xdotool, through XTest): the drag runs its own event loop inside the tab's pointer
// handler, and the test waits below it until the steps are done.
bool dragBetween(const QWidget* from, const QWidget* to) {
    const QPoint start = screenPoint(from);
    const QPoint end = screenPoint(to);
    QStringList steps{
        "mousemove", QString::number(start.x()), QString::number(start.y()), "sleep", "0.1", "mousedown",
        "1"};
    for (int i = 1; i <= 20; ++i) {
        const QPoint at = start + (end - start) * i / 20;
        steps << "mousemove" << QString::number(at.x()) << QString::number(at.y()) << "sleep"
              << "0.03";
    }
    steps << "sleep"
          << "0.2"
          << "mouseup"
          << "1";
    QProcess hand;
    hand.start(QStringLiteral("xdotool"), steps);
    return waitUntil([&] { return hand.state() == QProcess::NotRunning; }, 20000) && hand.exitCode() == 0;
}

} // namespace

Q_DECLARE_METATYPE(LinkTable)

class TestLinkMenu : public QObject {
    Q_OBJECT
private slots:
    void init() {
        clearOpenedAddresses();
        QVERIFY(PanelDriver::parkPointer());
    }

    // The three choices in their order, the nine pages with the shown one left out; an empty slot can only be
    // edited. Escape closes the menu and changes nothing.
    void menuOffersItsChoices() {
        TestProgram program;
        frmMain& tab = startSeeded(program);
        QVERIFY(slideOut(tab));
        const QByteArray before = readBytes(program.linkFile());

        QMenu* menu = menuOf(tab, 1);
        QVERIFY(menu);
        QCOMPARE(texts(menu), (QStringList{"&Edit…", "&Remove", "&Move to page"}));
        QMenu* pages = menu->actions().at(2)->menu();
        QVERIFY(pages);
        QCOMPARE(texts(pages), (QStringList{"Page &1 (off)", "Page &2", "Page &3", "Page &4", "Page &5",
                                            "Page &6", "Page &7", "Page &8", "Page &9"}));
        // The tab waits while its menu shows.
        QVERIFY(tab.handlersHeld());
        menuKey(XK_Escape);
        QVERIFY(waitUntil([] { return !QApplication::activePopupWidget(); }));
        QTRY_VERIFY(!tab.handlersHeld());

        menu = menuOf(tab, 2);
        QVERIFY(menu);
        QCOMPARE(texts(menu), (QStringList{"&Edit…", "&Remove (off)", "&Move to page (off)"}));
        menuKey(XK_Escape);
        QVERIFY(waitUntil([] { return !QApplication::activePopupWidget(); }));
        QCOMPARE(readBytes(program.linkFile()), before);
    }

    // Edit… opens the editor for the row as its light does.
    void editOpensTheEditor() {
        TestProgram program;
        frmMain& tab = startSeeded(program);
        QVERIFY(slideOut(tab));
        QVERIFY(menuOf(tab, 1));
        menuKey(XK_Down);
        menuKey(XK_Return);
        QVERIFY(waitUntil([&] { return tab.editorShowing(); }));
        QCOMPARE(tab.input().txtName->text(), QString("B"));
        QCOMPARE(tab.input().txtURL->text(), QString("http://b.example/"));
    }

    // Remove asks first; Yes deletes the slot's two keys and nothing else, No changes nothing.
    void removeAsksFirst_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void removeAsksFirst() {
        QFETCH(bool, yes);
        TestProgram program;
        frmMain& tab = startSeeded(program);
        QVERIFY(slideOut(tab));
        const QByteArray before = readBytes(program.linkFile());

        MessageBoxAnswerer answerer(yes ? QMessageBox::Yes : QMessageBox::No);
        QVERIFY(menuOf(tab, 1));
        menuKey(XK_Down);
        menuKey(XK_Down);
        menuKey(XK_Return);
        QTRY_COMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().text, QString("Remove the link \"B\"?"));
        QCOMPARE(answerer.seen().first().buttons, QMessageBox::Yes | QMessageBox::No);
        if (yes) {
            QByteArray expected = before;
            expected.replace("name1=B\nurl1=http://b.example/\n", "");
            QTRY_COMPARE(readBytes(program.linkFile()), expected);
            QTRY_COMPARE(view(tab).lblLink[1]->Caption(), QString());
        } else {
            // The removal is saved in the handler the answer returns to: a wrong save reaches the file by
            // then.
            settle(300);
            QCOMPARE(readBytes(program.linkFile()), before);
            QCOMPARE(view(tab).lblLink[1]->Caption(), QString("B"));
        }
    }

    // Move to page: the link goes to that page's first free slot; a full page says so and nothing moves.
    void moveToPageFromTheMenu_data() {
        QTest::addColumn<int>("page"); // 1-based, as the menu shows it
        QTest::addColumn<QString>("message");
        QTest::newRow("page 5, first free slot 1") << 5 << QString();
        QTest::newRow("page 3 is full") << 3 << QString("Page 3 is full");
    }
    void moveToPageFromTheMenu() {
        QFETCH(int, page);
        QFETCH(QString, message);
        TestProgram program;
        frmMain& tab = startSeeded(program);
        QVERIFY(slideOut(tab));
        const QByteArray before = readBytes(program.linkFile());

        MessageBoxAnswerer answerer;
        QVERIFY(menuOf(tab, 0));
        for (int i = 0; i < 3; ++i)
            menuKey(XK_Down);
        menuKey(XK_Right);
        QVERIFY(waitUntil([] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->objectName() == QLatin1String("movePageMenu");
        }));
        menuKey(XK_0 + page);
        if (message.isEmpty()) {
            QTRY_COMPARE(tableOf(program.linkFile()).name(page - 1, 0), QString("A"));
            const LinkTable after = tableOf(program.linkFile());
            QCOMPARE(after.address(page - 1, 0), QString("http://a.example/"));
            QVERIFY(!after.holdsLink(0, 0));
            QCOMPARE(after.name(4, 2), QString("Five"));
            QTRY_COMPARE(view(tab).lblLink[0]->Caption(), QString());
            QVERIFY(answerer.seen().isEmpty());
        } else {
            QTRY_COMPARE(answerer.seen().size(), 1);
            QCOMPARE(answerer.seen().first().text, message);
            QCOMPARE(readBytes(program.linkFile()), before);
        }
    }

    // A row dragged onto another row moves there, or the two change places; dropped onto a page selector it
    // goes to that page's first free slot, or stays when the page is full.
    void rowsDraggedWithThePointer_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("ontoRow");       // -1: onto a selector
        QTest::addColumn<int>("ontoSelector");  // 0-based
        QTest::addColumn<QStringList>("page1"); // names of page 1's first four slots afterwards
        QTest::addColumn<QString>("message");
        QTest::newRow("onto a free row") << 0 << 2 << -1 << QStringList{"", "B", "A", "D"} << QString();
        QTest::newRow("onto a row with a link: they change places")
            << 0 << 3 << -1 << QStringList{"D", "B", "", "A"} << QString();
        QTest::newRow("onto the selector of page 5")
            << 1 << -1 << 4 << QStringList{"A", "", "", "D"} << QString();
        QTest::newRow("onto a full page")
            << 1 << -1 << 2 << QStringList{"A", "B", "", "D"} << QString("Page 3 is full");
    }
    void rowsDraggedWithThePointer() {
        QFETCH(int, row);
        QFETCH(int, ontoRow);
        QFETCH(int, ontoSelector);
        QFETCH(QStringList, page1);
        QFETCH(QString, message);
        TestProgram program;
        frmMain& tab = startSeeded(program);
        QVERIFY(slideOut(tab));
        const QByteArray before = readBytes(program.linkFile());
        const QString movedName = tab.panel().name(row);

        MessageBoxAnswerer answerer;
        QVERIFY(dragBetween(view(tab).picLink[row],
                            ontoRow >= 0 ? static_cast<QWidget*>(view(tab).picLink[ontoRow])
                                         : static_cast<QWidget*>(view(tab).picMode[ontoSelector])));
        if (!message.isEmpty()) {
            QTRY_COMPARE(answerer.seen().size(), 1);
            QCOMPARE(answerer.seen().first().text, message);
            QCOMPARE(readBytes(program.linkFile()), before);
        } else {
            QTRY_COMPARE(tableOf(program.linkFile()).name(0, ontoRow >= 0 ? ontoRow : row),
                         ontoRow >= 0 ? movedName : QString());
            if (ontoSelector >= 0)
                QCOMPARE(tableOf(program.linkFile()).name(ontoSelector, 0), movedName);
        }
        const LinkTable after = tableOf(program.linkFile());
        for (int s = 0; s < 4; ++s) {
            QCOMPARE(after.name(0, s), page1[s]);
            QTRY_COMPARE(view(tab).lblLink[s]->Caption(), page1[s]);
        }
        // The release ended the drag: no click opened a link. A click slides the tab in after a second of the
        // program's time and opens the link a second later; two and a half seconds show either.
        settleProgramTime(2500);
        QCOMPARE(tab.motion().extended(), int16_t(-1));
        QVERIFY(openedAddresses().isEmpty());
    }

    // The link-file changes on their own, beside a plain window and a real file: what each asks and says,
    // what it saves, and that the tab is told to read the file again only after a save.
    void linkEditsOnTheirOwn_data() {
        QTest::addColumn<QString>("change");   // remove, move, toPage
        QTest::addColumn<QList<int>>("where"); // page, row, then the page (and row) it goes to
        QTest::addColumn<bool>("yes");         // the answer to a question
        QTest::addColumn<bool>("readOnly");    // the link file may not be written
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QStringList>("page1"); // names of page 1's first four slots afterwards
        const QString unsaved = QStringLiteral("The links could not be saved to %1; the file is as it was.");
        QTest::newRow("remove, yes") << "remove" << QList<int>{0, 1} << true << false
                                     << QStringList{"Remove the link \"B\"?"} << QStringList{"Removed B"}
                                     << QStringList{"A", "", "", "D"};
        QTest::newRow("remove, no") << "remove" << QList<int>{0, 1} << false << false
                                    << QStringList{"Remove the link \"B\"?"} << QStringList{}
                                    << QStringList{"A", "B", "", "D"};
        QTest::newRow("remove an empty slot asks nothing")
            << "remove" << QList<int>{0, 2} << true << false << QStringList{} << QStringList{}
            << QStringList{"A", "B", "", "D"};
        QTest::newRow("remove, unsaved")
            << "remove" << QList<int>{0, 0} << true << true << QStringList{"Remove the link \"A\"?", unsaved}
            << QStringList{} << QStringList{"A", "B", "", "D"};
        QTest::newRow("move onto a free row")
            << "move" << QList<int>{0, 0, 0, 2} << true << false << QStringList{}
            << QStringList{"Moved A to link 3"} << QStringList{"", "B", "A", "D"};
        QTest::newRow("move onto a row with a link")
            << "move" << QList<int>{0, 0, 0, 3} << true << false << QStringList{}
            << QStringList{"Swapped A with D"} << QStringList{"D", "B", "", "A"};
        QTest::newRow("move onto itself") << "move" << QList<int>{0, 1, 0, 1} << true << false
                                          << QStringList{} << QStringList{} << QStringList{"A", "B", "", "D"};
        QTest::newRow("move, unsaved")
            << "move" << QList<int>{0, 0, 0, 2} << true << true << QStringList{unsaved} << QStringList{}
            << QStringList{"A", "B", "", "D"};
        QTest::newRow("to page 5") << "toPage" << QList<int>{0, 1, 4} << true << false << QStringList{}
                                   << QStringList{"Moved B to page 5"} << QStringList{"A", "", "", "D"};
        QTest::newRow("to a full page")
            << "toPage" << QList<int>{0, 1, 2} << true << false << QStringList{"Page 3 is full"}
            << QStringList{} << QStringList{"A", "B", "", "D"};
        QTest::newRow("to the page it is on")
            << "toPage" << QList<int>{0, 1, 0} << true << false << QStringList{} << QStringList{}
            << QStringList{"A", "B", "", "D"};
    }
    void linkEditsOnTheirOwn() {
        QFETCH(QString, change);
        QFETCH(QList<int>, where);
        QFETCH(bool, yes);
        QFETCH(bool, readOnly);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, said);
        QFETCH(QStringList, page1);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("links.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(seededLinks());
        file.close();
        if (readOnly)
            QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        const QByteArray before = readBytes(path);

        QWidget window;
        int saves = 0;
        QStringList announced;
        LinkEdits edits(&window, {[&] { return path; }, [&] { ++saves; },
                                  [&](const QString& text) { announced << text; }});
        // Whether the edits said they were asking each time one of their boxes showed.
        bool askingWhileShown = true;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() && !edits.asking())
                askingWhileShown = false;
        });
        watch.start(5);
        {
            MessageBoxAnswerer answerer(yes ? QMessageBox::Yes : QMessageBox::No);
            if (change == "remove")
                edits.remove(where[0], where[1]);
            else if (change == "move")
                edits.move(where[0], where[1], where[2], where[3]);
            else
                edits.moveToPage(where[0], where[1], where[2]);
            QStringList shown;
            for (const MessageBoxAnswerer::Seen& seen : answerer.seen()) {
                shown << seen.text;
                QCOMPARE(seen.title, QString("Brimvel"));
            }
            for (QString& text : asked) {
                if (text.contains(QLatin1String("%1")))
                    text = text.arg(path);
            }
            QCOMPARE(shown, asked);
        }
        QVERIFY(askingWhileShown);
        QVERIFY(!edits.asking());
        QCOMPARE(announced, said);
        const LinkTable after = tableOf(path);
        for (int s = 0; s < 4; ++s)
            QCOMPARE(after.name(0, s), page1[s]);
        // The tab reads the file again after each save, and only then.
        const bool unchanged = readBytes(path) == before;
        QCOMPARE(saves, unchanged ? 0 : 1);
        QCOMPARE(unchanged, said.isEmpty());
    }

    // What a screen reader hears of links changed by another program: added ones, or changed ones when any
    // link that was there has changed.
    void changesMadeElsewhere_data() {
        QTest::addColumn<LinkTable>("before");
        QTest::addColumn<LinkTable>("now");
        QTest::addColumn<QString>("summary");
        QTest::newRow("nothing changed") << pageOne({"A", "B"}) << pageOne({"A", "B"}) << QString();
        QTest::newRow("one added") << pageOne({"A"}) << pageOne({"A", "B"}) << "1 link added";
        QTest::newRow("three added") << pageOne({"A"}) << pageOne({"A", "B", "C", "D"}) << "3 links added";
        QTest::newRow("an address changed") << pageOne({"A"}, {"http://a.example/"})
                                            << pageOne({"A"}, {"http://b.example/"}) << "1 link changed";
        QTest::newRow("one added, one renamed") << pageOne({"A"}) << pageOne({"Z", "B"}) << "2 links changed";
        QTest::newRow("one removed") << pageOne({"A", "B"}) << pageOne({"A"}) << "1 link changed";
    }
    void changesMadeElsewhere() {
        QFETCH(LinkTable, before);
        QFETCH(LinkTable, now);
        QFETCH(QString, summary);
        QCOMPARE(LinkEdits::changeSummary(before, now), summary);
    }

    // A link file the program may not write: the removal says so, and the file stays byte for byte.
    void failedSaveSaysSo() {
        TestProgram program;
        frmMain& tab = startSeeded(program);
        QVERIFY(slideOut(tab));
        const QByteArray before = readBytes(program.linkFile());
        QVERIFY(::chmod(QFile::encodeName(program.linkFile()).constData(), 0444) == 0);

        MessageBoxAnswerer answerer(QMessageBox::Yes);
        QVERIFY(menuOf(tab, 0));
        menuKey(XK_Down);
        menuKey(XK_Down);
        menuKey(XK_Return);
        QTRY_COMPARE(answerer.seen().size(), 2);
        QCOMPARE(answerer.seen().at(1).text,
                 QStringLiteral("The links could not be saved to %1; the file is as it was.")
                     .arg(program.linkFile()));
        QCOMPARE(readBytes(program.linkFile()), before);
        QCOMPARE(view(tab).lblLink[0]->Caption(), QString("A"));
    }

    // The command line's import, a process of its own, while the tab runs: the tab shows the new links.
    void runningTabShowsImportedLinks() {
        TestProgram program;
        frmMain& tab = startSeeded(program);
        QVERIFY(slideOut(tab));
        const QString copy = program.programFolder() + QStringLiteral("/brimvel");
        QVERIFY(QFile::copy(QStringLiteral(BRIMVEL_BUILD_DIR "/brimvel"), copy));
        QProcess import;
        import.start(copy, {QStringLiteral("--import"),
                            QStringLiteral(BRIMVEL_SOURCE_DIR "/tests/fixtures/bookmarks/nested.html")});
        QVERIFY(import.waitForFinished(20000));
        QCOMPARE(import.exitCode(), 0);
        QCOMPARE(
            import.readAllStandardOutput(),
            QByteArray("Imported 6 links; skipped 4 (already there, not a web address, or no free slot).\n"));
        // The first imported link took the free slot 3 of the page shown.
        QTRY_COMPARE(view(tab).lblLink[2]->Caption(), QString("Tom & \"Jerry\" 's <show>"));
        QCOMPARE(tab.panel().address(2), QString("https://news.example/?a=1&b=2"));
        QCOMPARE(view(tab).lblLink[4]->Caption(), QString("Café — Ελληνικά 日本語 \U0001F600"));
    }
};

QTEST_MAIN(TestLinkMenu)
#include "test_link_menu.moc"
