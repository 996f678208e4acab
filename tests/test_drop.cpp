// SPDX-License-Identifier: MIT
// Links dragged from another program onto the tab, with real drag and drop between two processes: the test
// suite's drag source (tests/dragsource) offers the data, XTest moves the pointer over the strip and onto a
// link row, and the tab in this process answers.

#include "app/frmMain.h"
#include "support/MessageBoxAnswerer.h"
#include "support/TabView.h"
#include "support/TestDesktop.h"

#include <QFile>
#include <QLineEdit>
#include <QLineF>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The drag source program: a small window that starts a drag of its data when pressed and reports the
// target's answers ("action N" as they change, "result N" at the end; 0 refused, 1 copy).
class DragSource {
public:
    explicit DragSource(const QStringList& payload, QPoint at = QPoint(300, 420)) : at_(at) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(BRIMVEL_DRAGSOURCE),
                       QStringList{QStringLiteral("--at"), QStringLiteral("%1,%2").arg(at.x()).arg(at.y())} +
                           payload);
        ready_ = waitFor(QStringLiteral("ready"), 10000);
    }
    ~DragSource() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    bool ready() const { return ready_; }
    QPoint grip() const { return at_ + QPoint(40, 30); }
    bool saw(const QString& line) {
        read();
        return lines_.contains(line);
    }
    bool waitFor(const QString& line, int ms = 5000) {
        return waitUntil([&] { return saw(line); }, ms);
    }
    // The answers the target gave while the drag moved.
    QStringList actions() {
        read();
        return lines_.filter(QStringLiteral("action "));
    }
    // The drag's outcome, once it has ended: 0 refused, 1 copied; -1 while it runs.
    int result() {
        read();
        for (const QString& line : lines_) {
            if (line.startsWith(QLatin1String("result ")))
                return line.mid(7).toInt();
        }
        return -1;
    }

private:
    void read() {
        buffer_ += process_.readAllStandardOutput();
        qsizetype end;
        while ((end = buffer_.indexOf('\n')) >= 0) {
            lines_.append(QString::fromUtf8(buffer_.left(end)));
            buffer_.remove(0, end + 1);
        }
    }

    QPoint at_;
    QProcess process_;
    QByteArray buffer_;
    QStringList lines_;
    bool ready_ = false;
};

// Moves the pointer in small steps, as a hand would: a drag only goes on with the pointer's motion.
class Hand {
public:
    void pressOn(QPoint p) {
        RealInput::moveTo(p);
        at_ = p;
        RealInput::press();
        glide(p + QPoint(-8, 0));
    }
    void glide(QPoint to) {
        const int steps = std::max(1, static_cast<int>(QLineF(at_, to).length() / 12));
        const QPoint from = at_;
        for (int i = 1; i <= steps; ++i)
            RealInput::moveTo(from + (to - from) * i / steps);
        at_ = to;
    }
    void release() { RealInput::releaseFromGrab(); }

private:
    QPoint at_;
};

QPoint stripPoint(frmMain& tab) {
    // The part of the strip left on the screen by the retracted tab.
    return tab.mapToGlobal(QPoint(2, view(tab).imgMousover->geometry().center().y()));
}

QPoint rowPoint(frmMain& tab, int slot) {
    return view(tab).picLink[slot]->mapToGlobal(view(tab).picLink[slot]->rect().center());
}

bool highlighted(frmMain& tab, int slot) {
    return view(tab).picLink[slot]->picture() == view(tab).imlLinkMouseover.image(slot + 1);
}

bool fullyOpen(frmMain& tab) {
    return tab.motion().open() && !tab.motion().tmrGrow().Enabled();
}

const QByteArray kOldLink = "[0]\nname1=Old\nurl1=http://old.example/\n";

} // namespace

class TestDrop : public QObject {
    Q_OBJECT

private slots:
    void payloads_data();
    void payloads();
    void replacingAsksThroughTheEditor();
    void droppedAddressIsSaved_data();
    void droppedAddressIsSaved();
    void noDropsWhileTheEditorShows();
};

void TestDrop::payloads_data() {
    QTest::addColumn<QStringList>("payload");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("title");

    QTest::newRow("uri-list") << QStringList{"--uri-list", "http://uri.example/list?a=1"} << true
                              << "http://uri.example/list?a=1"
                              << "";
    // A link from a browser comes with its title twice: text/x-moz-url and _NETSCAPE_URL.
    QTest::newRow("moz-url with title")
        << QStringList{"--moz-url",      "http://moz.example/page", "Moz page – ünï",
                       "--netscape-url", "http://moz.example/page", "Moz page – ünï"}
        << true << "http://moz.example/page"
        << "Moz page – ünï";
    // Alone, a text/x-moz-url from another program reaches the tab as its address only: the toolkit's X11
    // drop hands it out as text/uri-list, without the title.
    QTest::newRow("moz-url alone") << QStringList{"--moz-url", "http://moz.example/alone", "Lost title"}
                                   << true << "http://moz.example/alone"
                                   << "";
    QTest::newRow("plain address") << QStringList{"--text", "http://plain.example/"} << true
                                   << "http://plain.example/"
                                   << "";
    QTest::newRow("file") << QStringList{"--uri-list", "file:///tmp/notes.txt"} << false << ""
                          << "";
    QTest::newRow("image") << QStringList{"--png"} << false << ""
                           << "";
    QTest::newRow("non-address text") << QStringList{"--text", "Lunch at noon"} << false << ""
                                      << "";
}

void TestDrop::payloads() {
    QFETCH(QStringList, payload);
    QFETCH(bool, taken);
    QFETCH(QString, address);
    QFETCH(QString, title);

    TestProgram program;
    program.writeLinks(kOldLink);
    frmMain& tab = program.start();
    const QByteArray before = fileBytes(program.linkFile());
    QCOMPARE(tab.motion().extended(), 0);

    DragSource source(payload);
    QVERIFY(source.ready());
    Hand hand;
    hand.pressOn(source.grip());
    hand.glide(stripPoint(tab));

    if (taken) {
        // Resting on the strip, the link slides the tab out (the half second runs at the test's pace).
        QVERIFY(waitUntil([&] { return fullyOpen(tab); }, 8000));
        QVERIFY(source.saw(QStringLiteral("action 1")));
    } else {
        // Many times the half second: the tab stays in, the pointer shows no drop.
        settle(1500);
        QCOMPARE(tab.motion().extended(), 0);
        QVERIFY(!tab.tmrDropHover().Enabled());
        tab.animation();
        QVERIFY(waitUntil([&] { return fullyOpen(tab); }, 8000));
    }

    const int slot = 3;
    hand.glide(rowPoint(tab, slot));
    if (taken) {
        QVERIFY(waitUntil([&] { return highlighted(tab, slot); }));
    } else {
        // The steps over the row each bring the tab a drag position: a row that took the link would be lit.
        settle(200);
        QVERIFY(!highlighted(tab, slot));
    }
    hand.release();
    QVERIFY(waitUntil([&] { return source.result() >= 0; }));

    if (!taken) {
        QCOMPARE(source.result(), 0);
        QCOMPARE(source.actions(), QStringList());
        // The editor would show in the drop's own handler, which the source's answer follows.
        settle(300);
        QVERIFY(!tab.editorShowing());
        QCOMPARE(fileBytes(program.linkFile()), before);
        return;
    }
    QCOMPARE(source.result(), 1); // a copy: the dragging program keeps its data
    QVERIFY(waitUntil([&] { return tab.editorShowing(); }));
    frmInput& editor = tab.input();
    QVERIFY(RealInput::waitForKeyboard(&editor)); // the editor's activation comes after its show
    QCOMPARE(editor.editIndex(), slot);
    QCOMPARE(editor.txtURL->text(), address);
    QCOMPARE(editor.txtName->text(), title);
    QCOMPARE(editor.cmdOK->isEnabled(), !title.isEmpty());
    // Nothing is written before OK, and Cancel leaves the slot as it was.
    QCOMPARE(fileBytes(program.linkFile()), before);
    editor.cmdCancel->click();
    QVERIFY(!tab.editorShowing());
    QCOMPARE(fileBytes(program.linkFile()), before);
    QVERIFY(tab.panel().slotEmpty(slot));
}

void TestDrop::replacingAsksThroughTheEditor() {
    TestProgram program;
    program.writeLinks(kOldLink);
    frmMain& tab = program.start();
    const QByteArray before = fileBytes(program.linkFile());
    const QStringList payload{"--moz-url",      "http://new.example/", "New",
                              "--netscape-url", "http://new.example/", "New"};

    for (const bool answerOk : {false, true}) {
        DragSource source(payload);
        QVERIFY(source.ready());
        Hand hand;
        hand.pressOn(source.grip());
        if (!fullyOpen(tab)) {
            hand.glide(stripPoint(tab));
            QVERIFY(waitUntil([&] { return fullyOpen(tab); }, 8000));
        }
        hand.glide(rowPoint(tab, 1));
        hand.release();
        QVERIFY(waitUntil([&] { return source.result() == 1; }));
        QVERIFY(waitUntil([&] { return tab.editorShowing(); }));

        // The question is the editor showing the new texts over the slot's link.
        frmInput& editor = tab.input();
        QVERIFY(RealInput::waitForKeyboard(&editor));
        QCOMPARE(editor.editIndex(), 1);
        QCOMPARE(editor.txtURL->text(), QStringLiteral("http://new.example/"));
        QCOMPARE(editor.txtName->text(), QStringLiteral("New"));
        QCOMPARE(view(tab).lblLink[1]->Caption(), QStringLiteral("Old"));
        if (!answerOk) {
            editor.cmdCancel->click();
            QCOMPARE(fileBytes(program.linkFile()), before);
            QCOMPARE(tab.panel().address(1), QStringLiteral("http://old.example/"));
            continue;
        }
        editor.cmdOK->click();
        QVERIFY(!tab.editorShowing());
        const QByteArray after = fileBytes(program.linkFile());
        QVERIFY2(after.contains("name1=New") && after.contains("url1=http://new.example/"),
                 after.constData());
        QCOMPARE(tab.panel().address(1), QStringLiteral("http://new.example/"));
        QCOMPARE(view(tab).lblLink[1]->Caption(), QStringLiteral("New"));
    }
}

void TestDrop::droppedAddressIsSaved_data() {
    QTest::addColumn<QStringList>("offer");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::newRow("file transfer") << QStringList{"--moz-url",      "ftp://files.example/", "Files",
                                                  "--netscape-url", "ftp://files.example/", "Files"}
                                   << "ftp://files.example/"
                                   << "Files";
    QTest::newRow("mail") << QStringList{"--moz-url",      "mailto:someone@mail.example", "Write to someone",
                                         "--netscape-url", "mailto:someone@mail.example", "Write to someone"}
                          << "mailto:someone@mail.example"
                          << "Write to someone";
}

// Whatever a drop takes the editor saves: one policy decides both (the editor once took web addresses only,
// and said so on OK after the drop had been taken).
void TestDrop::droppedAddressIsSaved() {
    QFETCH(QStringList, offer);
    QFETCH(QString, address);
    QFETCH(QString, name);
    TestProgram program;
    frmMain& tab = program.start();
    tab.animation();
    QVERIFY(waitUntil([&] { return fullyOpen(tab); }, 8000));

    DragSource source(offer);
    QVERIFY(source.ready());
    Hand hand;
    hand.pressOn(source.grip());
    hand.glide(rowPoint(tab, 0));
    hand.release();
    QVERIFY(waitUntil([&] { return source.result() == 1; }));
    QVERIFY(waitUntil([&] { return tab.editorShowing(); }));
    frmInput& editor = tab.input();
    QVERIFY(RealInput::waitForKeyboard(&editor));
    QCOMPARE(editor.txtURL->text(), address);
    QCOMPARE(editor.txtName->text(), name);
    QVERIFY(editor.cmdOK->isEnabled());

    MessageBoxAnswerer answerer;
    editor.cmdOK->click();
    QVERIFY(answerer.seen().isEmpty());
    QVERIFY(!tab.editorShowing());
    const QByteArray after = fileBytes(program.linkFile());
    QVERIFY2(after.contains(("url0=" + address).toUtf8()) && after.contains(("name0=" + name).toUtf8()),
             after.constData());
    QCOMPARE(view(tab).lblLink[0]->Caption(), name);
}

void TestDrop::noDropsWhileTheEditorShows() {
    TestProgram program;
    program.writeLinks(kOldLink);
    frmMain& tab = program.start();
    tab.animation();
    QVERIFY(waitUntil([&] { return fullyOpen(tab); }, 8000));
    tab.input().showEditor(1);
    QVERIFY(waitUntil([&] { return tab.editorShowing(); }));
    QVERIFY(RealInput::waitForKeyboard(&tab.input()));

    DragSource source({"--uri-list", "http://uri.example/"});
    QVERIFY(source.ready());
    Hand hand;
    hand.pressOn(source.grip());
    hand.glide(rowPoint(tab, 3));
    // The steps over the row each bring the tab a drag position: a row that took the link would be lit.
    settle(200);
    QVERIFY(!highlighted(tab, 3));
    hand.release();
    QVERIFY(waitUntil([&] { return source.result() >= 0; }));
    QCOMPARE(source.result(), 0);
    QCOMPARE(source.actions(), QStringList());
    // A drop taken would have replaced the editor's texts in its own handler, which the source's answer
    // follows.
    settle(300);
    frmInput& editor = tab.input();
    QCOMPARE(editor.editIndex(), 1);
    QCOMPARE(editor.txtURL->text(), QStringLiteral("http://old.example/"));
    QCOMPARE(editor.txtName->text(), QStringLiteral("Old"));
    editor.cmdCancel->click();
}

QTEST_MAIN(TestDrop)
#include "test_drop.moc"
