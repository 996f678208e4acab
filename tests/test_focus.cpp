// SPDX-License-Identifier: MIT
// The keyboard focus among other programs' windows: the open tab holds the keyboard, and gives it back to the
// window that had it when it slides in, unless the user has focused another window meanwhile.

#include "app/frmMain.h"
#include "forms/FocusRing.h"
#include "panel/KeyboardFocus.h"
#include "support/TabView.h"
#include "support/TestDesktop.h"

#include <QTest>
#include <X11/keysym.h>

class TestFocus : public QObject {
    Q_OBJECT

private slots:
    void slideInGivesTheKeyboardBack_data();
    void slideInGivesTheKeyboardBack();
    void focusRingOnlyForTheKeyboard();
};

void TestFocus::slideInGivesTheKeyboardBack_data() {
    QTest::addColumn<bool>("userFocusesAnother");
    QTest::newRow("back to the window that had it") << false;
    QTest::newRow("a window focused meanwhile keeps it") << true;
}

void TestFocus::slideInGivesTheKeyboardBack() {
    QFETCH(bool, userFocusesAnother);
    OtherProgramWindow editor(QStringLiteral("Editor"), QPoint(100, 300));
    OtherProgramWindow other(QStringLiteral("Other"), QPoint(500, 300));
    QVERIFY(editor.id() && other.id());
    QVERIFY(editor.focus());

    TestProgram program;
    frmMain& tab = program.start();
    tab.animation();
    QVERIFY(waitUntil([&] { return tab.motion().open() && !tab.motion().tmrGrow().Enabled(); }, 8000));
    // Open, the tab holds the keyboard (the number pad needs it where the desktop gives keys only to the
    // focused window).
    QVERIFY(waitUntil([&] { return focusOwner() == tab.winId(); }, 3000));

    if (userFocusesAnother)
        QVERIFY(other.focus());

    tab.animation();
    QVERIFY(waitUntil([&] { return !tab.motion().open() && !tab.motion().tmrShrink().Enabled(); }, 8000));
    const qulonglong expected = userFocusesAnother ? other.id() : editor.id();
    QVERIFY2(waitUntil([&] { return focusOwner() == expected; }, 3000),
             qPrintable(QStringLiteral("focus on %1, expected %2").arg(focusOwner()).arg(expected)));
}

// Within the open tab: the pointer never moves the keyboard's focus nor shows its ring; the first key shows
// the ring on row 1 without acting, the next ones move it; the ring goes when the tab slides in, and a tab
// opened from the keyboard shows it at once.
void TestFocus::focusRingOnlyForTheKeyboard() {
    TestProgram program;
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    QVERIFY(waitUntil([&] { return focusOwner() == tab.winId(); }, 3000));
    const auto rows = view(tab).picLink;
    KeyboardFocus& keyboard = tab.keyboard();
    const FocusRing* ring = nullptr;
    for (Control* control : tab.findChildren<Control*>())
        ring = ring ? ring : dynamic_cast<FocusRing*>(control);
    QVERIFY(ring);

    for (int row : {2, 5, 0})
        RealInput::moveTo(screenPoint(rows[row], QPoint(6, 10)));
    // Many ticks of the pointer-out timer (15 ms of the program's time each): a hover that moved the focus
    // would show by then.
    settleProgramTime(1500);
    QCOMPARE(keyboard.focused(), nullptr);
    QVERIFY(!ring->isVisible());

    RealInput::tapKey(XK_Down);
    QVERIFY(waitUntil([&] { return ring->isVisible(); }));
    QCOMPARE(keyboard.focused(), rows[0]);
    QVERIFY(rows[0]->hasFocus());
    QVERIFY(ring->geometry().contains(rows[0]->geometry()));
    RealInput::tapKey(XK_Down);
    QVERIFY(waitUntil([&] { return keyboard.focused() == rows[1]; }));
    QVERIFY(ring->geometry().contains(rows[1]->geometry()));
    // The pointer over another row leaves the focus where the keyboard put it.
    RealInput::moveTo(screenPoint(rows[6], QPoint(6, 10)));
    // Many ticks of the pointer-out timer: a hover that took the focus would show by then.
    settleProgramTime(1500);
    QCOMPARE(keyboard.focused(), rows[1]);

    tab.animation();
    QVERIFY(waitUntil([&] { return !tab.motion().open() && !tab.motion().tmrShrink().Enabled(); }, 8000));
    QCOMPARE(keyboard.focused(), nullptr);
    QVERIFY(!ring->isVisible());

    tab.toggleFromKeyboard();
    QVERIFY(waitUntil([&] { return ring->isVisible(); }, 8000));
    QCOMPARE(keyboard.focused(), rows[0]);
}

QTEST_MAIN(TestFocus)
#include "test_focus.moc"
