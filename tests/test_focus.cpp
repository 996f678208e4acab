// SPDX-License-Identifier: MIT
// The keyboard focus among other programs' windows: the open tab holds the keyboard, and gives it back to the
// window that had it when it slides in, unless the user has focused another window meanwhile.

#include "app/frmMain.h"
#include "support/TestDesktop.h"

#include <QTest>

class TestFocus : public QObject {
    Q_OBJECT

private slots:
    void slideInGivesTheKeyboardBack_data();
    void slideInGivesTheKeyboardBack();
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

QTEST_MAIN(TestFocus)
#include "test_focus.moc"
