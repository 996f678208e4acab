// SPDX-License-Identifier: MIT
// The link panel: hover looks of the link buttons, opening a link, the pointer-over test and the number-pad
// hotkeys, driven by real pointer and key input on the open tab.

#include "support/LinkPanelDriver.h"
#include "support/TabView.h"

#include "forms/ImageArea.h"
#include "panel/LinkPanel.h"
#include "panel/clsMouseOver.h"

#include <QTest>

#include <X11/keysym.h>

using namespace PanelDriver;

class TestPanel : public QObject {
    Q_OBJECT

private slots:
    void init();

    // Link buttons
    void straightMoveFromOneButtonToTheNext();
    void emptySlotShowsArrowAndClickDoesNothing();
    void leavingTheColumnClearsTheHighlight_data();
    void leavingTheColumnClearsTheHighlight();
    void firstTickGivesSlotZeroItsNormalLook();
    void clickOpensTheStoredAddressAfterTheSlide();
    void pageSwitchedDuringTheWaitOpensTheNewPagesSlot();
    void refusedAddressClickStillRunsAsUsual_data();
    void refusedAddressClickStillRunsAsUsual();
    void onlyWebAndMailAddressesAreOpened_data();
    void onlyWebAndMailAddressesAreOpened();

    // Pointer-over test
    void pointerOver_data();
    void pointerOver();
    void pointerOverWithTheRealPointer();
    void rowAndPageSelectorUnderAPoint();

    // Number-pad hotkeys
    void numberPadOpensItsSlot_data();
    void numberPadOpensItsSlot();
    void mainRowDigitsAndEmptySlotsOpenNothing();
    void closedTabIgnoresNumberPad();
    void numberPadWithNumLockOffOpensNothing();
};

void TestPanel::init() {
    clearOpenedAddresses();
    QVERIFY(parkPointer());
}

// ---- link buttons ----

void TestPanel::straightMoveFromOneButtonToTheNext() {
    TestProgram program;
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    // A point of the button itself, left of its caption.
    RealInput::moveTo(screenPoint(view(tab).picLink[3], QPoint(6, 10)));
    QTRY_VERIFY(looksHighlighted(tab, 3));
    QCOMPARE(tab.panel().hoverLink(), int16_t(3));
    QCOMPARE(view(tab).picLink[3]->pointer(), Control::Pointer::Hand);

    // One move event carries the highlight from 3 to 4.
    RealInput::moveTo(screenPoint(view(tab).picLink[4], QPoint(6, 10)));
    QCOMPARE(tab.panel().hoverLink(), int16_t(4));
    QVERIFY(looksNormal(tab, 3));
    QVERIFY(looksHighlighted(tab, 4));

    // Moving within the highlighted button keeps everything as it is.
    RealInput::moveTo(screenPoint(view(tab).picLink[4], QPoint(10, 12)));
    // Several ticks of the pointer-out timer (15 ms of the program's time each): a change would show.
    settle(60);
    QCOMPARE(tab.panel().hoverLink(), int16_t(4));
    QVERIFY(looksHighlighted(tab, 4));
    QVERIFY(looksNormal(tab, 3));
}

void TestPanel::emptySlotShowsArrowAndClickDoesNothing() {
    TestProgram program;
    program.writeLinks(fullLinkFile({{{0, 5}, "   "}}));
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    RealInput::moveTo(screenPoint(view(tab).picLink[4], QPoint(6, 10)));
    QTRY_VERIFY(looksHighlighted(tab, 4));
    QCOMPARE(view(tab).picLink[5]->pointer(), Control::Pointer::Hand);

    RealInput::moveTo(screenPoint(view(tab).picLink[5], QPoint(6, 12)));
    QVERIFY(looksNormal(tab, 4));
    QCOMPARE(tab.panel().hoverLink(), int16_t(4));
    QCOMPARE(view(tab).picLink[5]->pointer(), Control::Pointer::Arrow);
    QCOMPARE(view(tab).picLink[5]->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(view(tab).picLink[5]->picture() != view(tab).imlLinkMouseover.image(6));

    // A click that acted would sound at once and slide the tab in after a second of the program's time.
    std::vector<int> onsets;
    QVERIFY(soundOf(
        [] {
            RealInput::press();
            RealInput::release();
            settleProgramTime(1200);
        },
        onsets));
    QVERIFY2(onsets.empty(), listed(onsets));
    QCOMPARE(tab.motion().extended(), int16_t(-1));
    QCOMPARE(tab.motion().once(), int16_t(0));
    QVERIFY(openedAddresses().isEmpty());
}

void TestPanel::leavingTheColumnClearsTheHighlight_data() {
    QTest::addColumn<QString>("destination");
    QTest::newRow("page selector") << "selector";
    QTest::newRow("window surface beside the column") << "surface";
    QTest::newRow("desktop") << "desktop";
}

void TestPanel::leavingTheColumnClearsTheHighlight() {
    QFETCH(QString, destination);
    TestProgram program;
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    QCOMPARE(tab.panel().tmrMouseout().Interval(), 15);

    RealInput::moveTo(screenPoint(view(tab).picLink[2], QPoint(6, 10)));
    QTRY_VERIFY(looksHighlighted(tab, 2));
    QVERIFY(tab.panel().tmrMouseout().Enabled());

    // The caption and the light belong to the button: the highlight stays over several ticks.
    RealInput::moveTo(screenPoint(view(tab).lblLink[2]));
    settleProgramTime(100);
    QVERIFY(looksHighlighted(tab, 2));
    RealInput::moveTo(screenPoint(view(tab).picLinkLight[2]));
    settleProgramTime(100);
    QVERIFY(looksHighlighted(tab, 2));
    QCOMPARE(tab.panel().hoverLink(), int16_t(2));

    QPoint away;
    if (destination == "selector")
        away = screenPoint(view(tab).picMode[3]);
    else if (destination == "surface")
        away = tab.mapToGlobal(QPoint(190, 200));
    else
        away = QPoint(500, 500);
    RealInput::moveTo(away);
    // Cleared within a few ticks, with nothing else to clear afterwards the timer rests.
    QTRY_VERIFY_WITH_TIMEOUT(looksNormal(tab, 2), 300);
    QTRY_VERIFY_WITH_TIMEOUT(!tab.panel().tmrMouseout().Enabled(), 300);
    QCOMPARE(tab.panel().hoverLink(), int16_t(2));
    for (int i = 0; i < 10; ++i)
        QVERIFY(view(tab).picLink[i]->picture() != view(tab).imlLinkMouseover.image(i + 1));

    // A new highlight wakes the timer again.
    RealInput::moveTo(screenPoint(view(tab).picLink[6], QPoint(6, 10)));
    QTRY_VERIFY(looksHighlighted(tab, 6));
    QVERIFY(tab.panel().tmrMouseout().Enabled());
}

void TestPanel::firstTickGivesSlotZeroItsNormalLook() {
    TestProgram program;
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QTRY_VERIFY_WITH_TIMEOUT(looksNormal(tab, 0), 500);
    QTRY_VERIFY_WITH_TIMEOUT(!tab.panel().tmrMouseout().Enabled(), 500);
    // The others still carry their design-time pictures, which are neither of their two images.
    for (int i = 1; i < 10; ++i) {
        QVERIFY(view(tab).picLink[i]->picture() != view(tab).imlLink.image(i + 1));
        QVERIFY(view(tab).picLink[i]->picture() != view(tab).imlLinkMouseover.image(i + 1));
    }
}

void TestPanel::clickOpensTheStoredAddressAfterTheSlide() {
    TestProgram program(TestProgram::Pace::Real);
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    // The open must come after the tab has slid back in.
    bool openedBeforeSlideIn = false;
    bool slidIn = false;
    QTimer watch;
    watch.setInterval(5);
    connect(&watch, &QTimer::timeout, [&] {
        if (!slidIn && tab.motion().extended() == 0) {
            slidIn = true;
            openedBeforeSlideIn = !openedAddresses().isEmpty();
        }
    });
    watch.start();

    std::vector<int> onsets;
    QVERIFY(soundOf(
        [&] {
            RealInput::click(screenPoint(view(tab).picLink[2], QPoint(6, 10)));
            waitForOpened(1);
        },
        onsets));
    watch.stop();

    QVERIFY(slidIn);
    QVERIFY(!openedBeforeSlideIn);
    QCOMPARE(openedAddresses(), QStringList{addressOf(0, 2)});
    QCOMPARE(tab.motion().extended(), int16_t(0));
    QVERIFY(tab.geometry().left() > 1250);
    // The button sound at the click, then the two cues of the slide in.
    QVERIFY2(onsets.size() >= 3 && onsets.front() < 500, listed(onsets));
}

void TestPanel::pageSwitchedDuringTheWaitOpensTheNewPagesSlot() {
    TestProgram program(TestProgram::Pace::Real);
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    // The click waits a second before the slide; meanwhile the pointer presses the selector of page 6.
    const QPoint selector = screenPoint(view(tab).picMode[6]);
    QTimer::singleShot(300, [&] {
        RealInput::moveTo(selector);
        RealInput::press();
        RealInput::release();
    });
    RealInput::click(screenPoint(view(tab).picLink[2], QPoint(6, 10)));
    QVERIFY(waitForOpened(1));
    QCOMPARE(tab.state().currentPage(), int16_t(6));
    QCOMPARE(openedAddresses(), QStringList{addressOf(6, 2)});
}

void TestPanel::refusedAddressClickStillRunsAsUsual_data() {
    QTest::addColumn<QByteArray>("address");
    QTest::newRow("no address") << QByteArray();
    QTest::newRow("a local program") << QByteArray("/usr/bin/xterm");
}

void TestPanel::refusedAddressClickStillRunsAsUsual() {
    QFETCH(QByteArray, address);
    TestProgram program(TestProgram::Pace::Real);
    program.writeLinks("[0]\nname1=Somewhere\nurl1=" + address + "\n");
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    MessageBoxAnswerer answerer;
    std::vector<int> onsets;
    QVERIFY(soundOf(
        [&] {
            RealInput::click(screenPoint(view(tab).picLink[1], QPoint(6, 10)));
            QVERIFY(waitUntil([&] { return !answerer.seen().isEmpty(); }, 8000));
        },
        onsets));
    // The button sound at the click, then the two cues of the slide in.
    QVERIFY2(onsets.size() >= 3 && onsets.front() < 500, listed(onsets));
    QTRY_COMPARE(tab.motion().open(), false);
    QCOMPARE(tab.motion().extended(), int16_t(0));
    // Time for the desktop to record an address it was wrongly given.
    settle(300);
    QVERIFY(openedAddresses().isEmpty());
    // The link is not opened, and the user is told why.
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY2(answerer.seen().first().text.startsWith("This link cannot be opened"),
             qPrintable(answerer.seen().first().text));
    QCOMPARE(answerer.seen().first().icon, QMessageBox::Warning);
}

void TestPanel::onlyWebAndMailAddressesAreOpened_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("handedOver"); // empty: refused

    // The policy's own table is in test_address; these rows check what reaches the desktop.
    QTest::newRow("http") << "http://example.com/a?b=c"
                          << "http://example.com/a?b=c";
    QTest::newRow("https in capitals") << "HTTPS://example.com/"
                                       << "https://example.com/";
    QTest::newRow("mailto") << "mailto:someone@example.com"
                            << "mailto:someone@example.com";
    QTest::newRow("space and braces encoded") << "http://example.test/a b?q={x}|y^z"
                                              << "http://example.test/a%20b?q=%7Bx%7D%7Cy%5Ez";
    QTest::newRow("stray percent encoded") << "http://example.test/100%"
                                           << "http://example.test/100%25";
    QTest::newRow("local path") << "/usr/bin/xterm"
                                << "";
    QTest::newRow("file scheme") << "file:///etc/passwd"
                                 << "";
    QTest::newRow("leading dash") << "-http://example.com/"
                                  << "";
    QTest::newRow("control character") << QStringLiteral("http://example.com/\x01x") << "";
}

void TestPanel::onlyWebAndMailAddressesAreOpened() {
    QFETCH(QString, address);
    QFETCH(QString, handedOver);
    TestProgram program;
    frmMain& tab = program.start();

    // A harmless address after it shows when the desktop has had its turn.
    const QString marker = QStringLiteral("http://marker.example/");
    MessageBoxAnswerer answerer;
    tab.openAddress(address);
    tab.openAddress(marker);
    QStringList expected{marker};
    if (!handedOver.isEmpty())
        expected.append(handedOver);
    QVERIFY(waitForOpened(int(expected.size())));
    // Time for the desktop to record a further address it was wrongly given.
    settle(300);
    QStringList opened = openedAddresses();
    opened.sort();
    expected.sort();
    QCOMPARE(opened, expected);
    // A refused address is explained in a warning; an accepted one asks nothing.
    QCOMPARE(answerer.seen().size(), handedOver.isEmpty() ? 1 : 0);
}

// ---- pointer-over test ----

void TestPanel::pointerOver_data() {
    QTest::addColumn<int>("borderStyle"); // -1: never set
    QTest::addColumn<QRect>("widget");    // twips inside the host
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<bool>("over");

    // Host at twips (1500, 3000) = pixels (100, 200); widget 166 x 21 px at pixels (12, 99) inside it, so
    // its screen rectangle starts at (112, 299) and the test reaches x 278 and y 320.
    const QRect button(180, 1485, 2490, 315);
    QTest::newRow("left edge") << 0 << button << QPoint(112, 310) << true;
    QTest::newRow("one left of the left edge") << 0 << button << QPoint(111, 310) << false;
    QTest::newRow("top edge") << 0 << button << QPoint(200, 299) << true;
    QTest::newRow("one above the top edge") << 0 << button << QPoint(200, 298) << false;
    QTest::newRow("last column") << 0 << button << QPoint(277, 310) << true;
    QTest::newRow("one beyond the right edge") << 0 << button << QPoint(278, 310) << true;
    QTest::newRow("two beyond the right edge") << 0 << button << QPoint(279, 310) << false;
    QTest::newRow("one below the bottom edge") << 0 << button << QPoint(200, 320) << true;
    QTest::newRow("two below the bottom edge") << 0 << button << QPoint(200, 321) << false;
    QTest::newRow("both corners beyond") << 0 << button << QPoint(278, 320) << true;
    QTest::newRow("border style never set") << -1 << button << QPoint(112, 299) << true;
    // With a border the rectangle lies 3 px further right and 22 px further down.
    QTest::newRow("bordered: borderless left edge") << 2 << button << QPoint(112, 330) << false;
    QTest::newRow("bordered: left edge") << 2 << button << QPoint(115, 330) << true;
    QTest::newRow("bordered: borderless top edge") << 2 << button << QPoint(200, 299) << false;
    QTest::newRow("bordered: top edge") << 2 << button << QPoint(200, 321) << true;
    QTest::newRow("bordered: one beyond the right edge") << 2 << button << QPoint(281, 330) << true;
    QTest::newRow("bordered: two beyond the right edge") << 2 << button << QPoint(282, 330) << false;
    QTest::newRow("bordered: one below the bottom edge") << 1 << button << QPoint(200, 342) << true;
    QTest::newRow("bordered: two below the bottom edge") << 1 << button << QPoint(200, 343) << false;
    // Twips that are no whole pixel give fractional edges, compared as they are: 1507 twips is 100.47 px.
    QTest::newRow("fractional left edge, pixel before")
        << 0 << QRect(7, 0, 150, 150) << QPoint(100, 205) << false;
    QTest::newRow("fractional left edge, pixel after")
        << 0 << QRect(7, 0, 150, 150) << QPoint(101, 205) << true;
    QTest::newRow("fractional right edge") << 0 << QRect(7, 0, 150, 150) << QPoint(110, 205) << true;
    QTest::newRow("fractional right edge, beyond") << 0 << QRect(7, 0, 150, 150) << QPoint(111, 205) << false;
}

void TestPanel::pointerOver() {
    QFETCH(int, borderStyle);
    QFETCH(QRect, widget);
    QFETCH(QPoint, pointer);
    QFETCH(bool, over);

    // Neither window nor widget is shown: the test works from geometry alone.
    Form host(true);
    host.moveTwips(1500, 3000, 3105, 4530);
    ImageArea subject(&host, widget.x(), widget.y(), widget.width(), widget.height());
    subject.hide();

    clsMouseOver test([pointer] { return pointer; });
    if (borderStyle >= 0)
        test.SetBorderStyle(int16_t(borderStyle));
    QCOMPARE(test.IsMouseOver(host, subject), over);
}

void TestPanel::pointerOverWithTheRealPointer() {
    TestProgram program;
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    QCOMPARE(tab.Left(), 16092);
    QCOMPARE(tab.Top(), 80);
    clsMouseOver test;
    // The open tab stands at Left 16092 twips (1072.8 px), Top 80 twips (5.33 px): the link area spans
    // x 1084.8 .. 1250.8 and y 104.33 .. 305.33.
    const QList<std::pair<QPoint, bool>> cases = {
        {QPoint(1085, 200), true},  {QPoint(1084, 200), false}, {QPoint(1250, 200), true},
        {QPoint(1251, 200), false}, {QPoint(1100, 105), true},  {QPoint(1100, 104), false},
        {QPoint(1100, 305), true},  {QPoint(1100, 306), false},
    };
    for (const auto& [point, over] : cases) {
        RealInput::moveTo(point);
        QTRY_COMPARE(QCursor::pos(), point);
        QVERIFY2(test.IsMouseOver(tab, *view(tab).imgHidden) == over,
                 qPrintable(QStringLiteral("at %1,%2").arg(point.x()).arg(point.y())));
    }
}

// Where a dragged link would land: the row whose button, caption or light is under the point, or the page
// selector; a hidden row or selector is not there to land on.
void TestPanel::rowAndPageSelectorUnderAPoint() {
    TestProgram program;
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    const TabView v = view(tab);
    const auto centre = [&](const QWidget* widget) { return widget->mapTo(&tab, widget->rect().center()); };
    const LinkPanel& panel = tab.panel();
    struct Case {
        const char* what;
        QPoint at;
        int row;
        int selector;
    };
    const Case cases[] = {
        {"the first row's button", centre(v.picLink[0]), 0, -1},
        {"a row's caption", centre(v.lblLink[5]), 5, -1},
        {"a row's light", centre(v.picLinkLight[7]), 7, -1},
        {"the last row's top left corner", v.picLink[9]->geometry().topLeft() + QPoint(0, 1), 9, -1},
        {"the first page selector", centre(v.picMode[0]), -1, 0},
        {"the last page selector", centre(v.picMode[8]), -1, 8},
        {"between two selectors",
         (v.picMode[3]->geometry().topRight() + v.picMode[4]->geometry().topLeft()) / 2 + QPoint(0, 5), -1,
         -1},
        {"the strip", centre(v.imgMousover), -1, -1},
        {"the logo", centre(v.imgLogo), -1, -1},
        {"outside the window", QPoint(-5, -5), -1, -1},
    };
    for (const Case& c : cases) {
        QVERIFY2(panel.rowAt(c.at) == c.row, c.what);
        QVERIFY2(panel.pageSelectorAt(c.at) == c.selector, c.what);
    }

    v.picLink[2]->hide();
    v.picMode[6]->hide();
    QCOMPARE(panel.rowAt(centre(v.picLinkLight[2])), -1);
    QCOMPARE(panel.pageSelectorAt(centre(v.picMode[6])), -1);
}

// ---- number-pad hotkeys ----

void TestPanel::numberPadOpensItsSlot_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QList<int>>("keys");   // pressed in this order, released in the reverse one
    QTest::addColumn<int>("heldAfterOpen"); // ms of the program's time; -1: tapped, released at once
    QTest::addColumn<QString>("address");

    QTest::newRow("number pad 3 opens slot 2") << 0 << QList<int>{XK_KP_3} << -1 << addressOf(0, 2);
    // Both keys go down before the next scan; the number pad 0 is examined last and wins.
    QTest::newRow("number pad 1 and 0 together open slot 9")
        << 3 << QList<int>{XK_KP_1, XK_KP_0} << 0 << addressOf(3, 9);
    // Held through the whole open (sound, pauses, slide) and past the five-second reset of the key lock.
    QTest::newRow("a held key opens once") << 0 << QList<int>{XK_KP_5} << 5500 << addressOf(0, 4);
}

void TestPanel::numberPadOpensItsSlot() {
    QFETCH(int, page);
    QFETCH(QList<int>, keys);
    QFETCH(int, heldAfterOpen);
    QFETCH(QString, address);

    TestProgram program;
    program.setStore({{"mdt", QString::number(page)}});
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    auto releaseAll = [&] {
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            RealInput::key(static_cast<unsigned long>(*key), false);
    };
    for (int key : keys)
        RealInput::key(static_cast<unsigned long>(key), true);
    if (heldAfterOpen < 0)
        releaseAll();
    QVERIFY(waitForOpened(1, 8000));
    if (heldAfterOpen >= 0) {
        // The keys stay down this long after the open, as a slow hand holds them.
        settleProgramTime(heldAfterOpen);
        releaseAll();
    }
    // Time for the desktop to record a second address, were one handed over.
    settle(300);
    QCOMPARE(openedAddresses(), QStringList{address});
    QCOMPARE(tab.motion().extended(), int16_t(0));
}

void TestPanel::mainRowDigitsAndEmptySlotsOpenNothing() {
    TestProgram program;
    program.writeLinks(fullLinkFile({{{0, 5}, ""}}));
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    // The 5-second reset would otherwise clear what the checks below read.
    tab.hotkeys().tmrResetKey().setEnabled(false);

    for (unsigned long digit : {XK_3, XK_1, XK_0})
        RealInput::tapKey(digit);
    // Time for the keys to arrive and for four scans of the number pad, even at the program's own pace (50 ms
    // each): a digit taken would show.
    settle(200);
    QCOMPARE(tab.hotkeys().lastKey(), int16_t(10));
    QCOMPARE(tab.hotkeys().pressedKey(), int16_t(10));

    // Number pad 6 names the empty slot 5: nothing opens, but the key counts as handled.
    RealInput::tapKey(XK_KP_6);
    QTRY_COMPARE(tab.hotkeys().lastKey(), int16_t(5));
    QCOMPARE(tab.hotkeys().pressedKey(), int16_t(5));
    // Time for the desktop to record an address it was wrongly given.
    settle(300);
    QCOMPARE(tab.motion().extended(), int16_t(-1));
    QCOMPARE(tab.motion().open(), int16_t(1));
    QVERIFY(openedAddresses().isEmpty());
}

void TestPanel::closedTabIgnoresNumberPad() {
    TestProgram program;
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();

    RealInput::tapKey(XK_KP_3);
    // Six scans of the number pad at the program's own pace (50 ms each): a closed tab that scanned would
    // have taken the key.
    settle(300);
    QCOMPARE(tab.hotkeys().lastKey(), int16_t(10));
    QCOMPARE(tab.hotkeys().pressedKey(), int16_t(10));

    // Nor is a key tapped while closed acted on once the tab opens: several scans of the open tab see
    // nothing.
    QVERIFY(slideOut(tab));
    settleProgramTime(400);
    QCOMPARE(tab.hotkeys().lastKey(), int16_t(10));
    QCOMPARE(tab.motion().extended(), int16_t(-1));
    QVERIFY(openedAddresses().isEmpty());
}

// With NumLock off the number-pad keys are End, Down, Page Down and so on, keys of another program: tapped or
// held, they open nothing. Once NumLock is on again the same key opens its link.
void TestPanel::numberPadWithNumLockOffOpensNothing() {
    TestProgram program;
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    tab.hotkeys().tmrResetKey().setEnabled(false); // the checks below read the key lock

    RealInput::setNumLock(false);
    for (unsigned long key : {XK_KP_3, XK_KP_1, XK_KP_0}) {
        RealInput::tapKey(key);
        // Four scans of the number pad at the program's own pace: a key taken would show.
        settle(200);
    }
    RealInput::key(XK_KP_5, true);
    // Held over eight scans at the program's own pace, as a key held down is.
    settle(400);
    RealInput::key(XK_KP_5, false);
    // Four more scans before the checks.
    settle(200);
    QCOMPARE(tab.hotkeys().lastKey(), int16_t(10));
    QCOMPARE(tab.hotkeys().pressedKey(), int16_t(10));
    QCOMPARE(tab.motion().extended(), int16_t(-1));
    QVERIFY(openedAddresses().isEmpty());

    RealInput::setNumLock(true);
    RealInput::tapKey(XK_KP_3);
    QVERIFY(waitForOpened(1, 8000));
    QCOMPARE(openedAddresses(), QStringList{addressOf(0, 2)});
}

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
