// SPDX-License-Identifier: MIT
// The tab on the desktops people run: several RandR monitors on one wide screen (2560x1024), the primary one
// on the right, monitors that change size or swap roles, stored positions that no longer fit, and drags that
// go past an edge. The test process itself runs the program, so the toolkit sees the monitors change as the
// program does.

#include "app/frmMain.h"
#include "core/Twips.h"
#include "support/TabView.h"
#include "support/TestDesktop.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

struct Monitor {
    QString name;
    QRect pixels;
    bool primary = false;
};

// Sets one RandR monitor; a name given again replaces that monitor (the server refuses to redefine one in
// place, so it goes first).
bool setMonitor(const Monitor& m) {
    QProcess remove;
    remove.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    remove.start(QStringLiteral("xrandr"), {QStringLiteral("--delmonitor"), m.name});
    remove.waitForFinished();
    // The toolkit takes a monitor that comes back under its name for the old one: let it see it go first.
    waitUntil(
        [&] {
            for (const QScreen* screen : QGuiApplication::screens())
                if (screen->name() == m.name)
                    return false;
            return true;
        },
        2000);
    const QString geometry = QStringLiteral("%1/300x%2/240+%3+%4")
                                 .arg(m.pixels.width())
                                 .arg(m.pixels.height())
                                 .arg(m.pixels.x())
                                 .arg(m.pixels.y());
    return QProcess::execute(QStringLiteral("xrandr"),
                             {QStringLiteral("--setmonitor"),
                              (m.primary ? QStringLiteral("*") : QString()) + m.name, geometry,
                              QStringLiteral("none")}) == 0;
}

// Sets the monitors and waits until the toolkit reports the primary one where it was put.
bool useMonitors(const QList<Monitor>& monitors) {
    QRect primary;
    for (const Monitor& m : monitors) {
        if (!setMonitor(m))
            return false;
        if (m.primary)
            primary = m.pixels;
    }
    if (waitUntil([&] {
            const QScreen* screen = QGuiApplication::primaryScreen();
            return screen && screen->geometry() == primary;
        }))
        return true;
    for (const QScreen* screen : QGuiApplication::screens())
        qWarning("screen %s at %d,%d %dx%d%s", qPrintable(screen->name()), screen->geometry().x(),
                 screen->geometry().y(), screen->geometry().width(), screen->geometry().height(),
                 screen == QGuiApplication::primaryScreen() ? " (primary)" : "");
    return false;
}

const Monitor kLeft{QStringLiteral("L"), QRect(0, 0, 1280, 1024)};
const Monitor kRight{QStringLiteral("R"), QRect(1280, 0, 1280, 1024), true};

// Where a retracted tab stands for a primary monitor: its last 6 pixels on the monitor's right edge.
int dockedX(const QRect& monitor) {
    return monitor.x() + monitor.width() - 6;
}

bool slideIn(frmMain& tab) {
    tab.animation();
    return waitUntil([&] { return !tab.motion().open() && !tab.motion().tmrShrink().Enabled(); }, 8000);
}

} // namespace

class TestScreens : public QObject {
    Q_OBJECT

private slots:
    void init();
    void docksAtThePrimaryMonitorsRightEdge();
    void followsScreenChanges_data();
    void followsScreenChanges();
    void openTabDocksWhenItSlidesIn();
    void storedTopBroughtOntoTheScreen_data();
    void storedTopBroughtOntoTheScreen();
    void dragPastTheTopEdgeIsBroughtBack();
    void slideEndsInItsPlace();
};

void TestScreens::init() {
    QVERIFY(useMonitors({kLeft, kRight}));
}

void TestScreens::docksAtThePrimaryMonitorsRightEdge() {
    TestProgram program;
    frmMain& tab = program.start();
    // Retracted: only the strip shows, at the right edge of the primary monitor (not of the left one).
    QCOMPARE(tab.geometry().x(), dockedX(kRight.pixels));
    QCOMPARE(tab.base().geometry().x(), tab.geometry().x());

    // Open, the whole tab stands on the primary monitor.
    QVERIFY(slideOut(tab));
    QVERIFY2(kRight.pixels.contains(tab.geometry()),
             qPrintable(QStringLiteral("tab at %1,%2").arg(tab.geometry().x()).arg(tab.geometry().y())));
    QCOMPARE(tab.geometry().right(), kRight.pixels.right());
    QVERIFY(slideIn(tab));
    QCOMPARE(tab.geometry().x(), dockedX(kRight.pixels));
}

void TestScreens::followsScreenChanges_data() {
    QTest::addColumn<QList<Monitor>>("monitors");
    QTest::addColumn<QRect>("primary");
    QTest::addColumn<bool>("onTop");

    const Monitor narrowed{QStringLiteral("R"), QRect(1280, 0, 1024, 768), true};
    const Monitor leftPrimary{QStringLiteral("L"), QRect(0, 0, 1280, 1024), true};
    const Monitor rightSecond{QStringLiteral("R"), QRect(1280, 0, 1280, 1024)};
    for (bool onTop : {true, false}) {
        const char* mode = onTop ? "stay-on-top on" : "stay-on-top off";
        QTest::addRow("primary narrowed, %s", mode) << QList<Monitor>{narrowed} << narrowed.pixels << onTop;
        QTest::addRow("primary switched to the left monitor, %s", mode)
            << QList<Monitor>{rightSecond, leftPrimary} << leftPrimary.pixels << onTop;
    }
}

void TestScreens::followsScreenChanges() {
    QFETCH(QList<Monitor>, monitors);
    QFETCH(QRect, primary);
    QFETCH(bool, onTop);

    TestProgram program;
    program.setStore({{"ont", onTop ? "1" : "0"}, {"poy", "12000"}});
    frmMain& tab = program.start();
    QCOMPARE(tab.geometry().x(), dockedX(kRight.pixels));

    QVERIFY(useMonitors(monitors));
    // Within a second the retracted tab stands at the new edge, its handle on the monitor.
    QVERIFY2(waitUntil([&] { return tab.geometry().x() == dockedX(primary); }, 1000),
             qPrintable(QStringLiteral("tab at x %1").arg(tab.geometry().x())));
    QVERIFY(primary.contains(QRect(tab.geometry().topLeft(), QSize(6, 80))));
    QCOMPARE(tab.base().geometry().x(), tab.geometry().x());

    // And back again.
    QVERIFY(useMonitors({kLeft, kRight}));
    QVERIFY(waitUntil([&] { return tab.geometry().x() == dockedX(kRight.pixels); }, 1000));
}

void TestScreens::openTabDocksWhenItSlidesIn() {
    TestProgram program;
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    const QRect open = tab.geometry();

    const Monitor narrowed{QStringLiteral("R"), QRect(1280, 0, 1024, 768), true};
    QVERIFY(useMonitors({narrowed}));
    // An open tab stays where the user has it ...
    // A retracted tab re-docks in the pass that reports the new monitors: a move would show by then.
    settle(300);
    QCOMPARE(tab.geometry(), open);
    // ... and docks at the new edge when it slides in.
    QVERIFY(slideIn(tab));
    QCOMPARE(tab.geometry().x(), dockedX(narrowed.pixels));
    QCOMPARE(tab.base().geometry().x(), tab.geometry().x());
}

void TestScreens::storedTopBroughtOntoTheScreen_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("top"); // twips, as stored afterwards
    // The primary monitor is 1024 pixels (15360 twips) high; the handle is 1200 twips.
    QTest::newRow("inside") << "3000" << 3000;
    QTest::newRow("last place the handle fits") << "14160" << 14160;
    QTest::newRow("below a screen that became smaller") << "20000" << 14160;
    QTest::newRow("largest setting") << "32767" << 14160;
    QTest::newRow("above the top edge") << "-300" << 0;
}

void TestScreens::storedTopBroughtOntoTheScreen() {
    QFETCH(QString, stored);
    QFETCH(int, top);
    TestProgram program;
    program.setStore({{"poy", stored}});
    frmMain& tab = program.start();
    QCOMPARE(tab.Top(), top);
    QCOMPARE(tab.base().Top(), top + 1180);
    QCOMPARE(program.store().value("poy"), QString::number(top));
}

void TestScreens::dragPastTheTopEdgeIsBroughtBack() {
    TestProgram program;
    program.setStore({{"poy", "3000"}});
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    // Pull the handle (the drag strip on the right of the head panel) far above the screen.
    const QPoint grip = tab.mapToGlobal(QPoint(185, 35));
    RealInput::moveTo(grip);
    RealInput::press();
    for (int y = grip.y(); y > -400; y -= 60)
        RealInput::moveTo(QPoint(grip.x(), std::max(y, 0)));
    RealInput::moveTo(QPoint(grip.x(), 0));
    QVERIFY(waitUntil([&] { return tab.Top() < 0; }, 2000));
    RealInput::release();

    QVERIFY(waitUntil([&] { return tab.Top() == 0; }, 2000));
    QCOMPARE(tab.base().Top() - tab.Top(), 4515 - 15);
    QCOMPARE(program.store().value("poy"), QString("0"));
}

void TestScreens::slideEndsInItsPlace() {
    TestProgram program;
    program.setStore({{"mso", "1"}});
    frmMain& tab = program.start();
    const int openX = kRight.pixels.x() + kRight.pixels.width() - 207;

    // While the slide-out waits out its pause at the open place, a vendor shortcut is clicked and the pointer
    // comes back onto the strip: a second slide must not start from there.
    bool injected = false;
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (injected || tab.geometry().x() != openX || tab.motion().extended() != 0)
            return;
        injected = true;
        view(tab).imgHelp->onClick();
        view(tab).imgMousover->onMouseMove(0, 0, 0, 0);
    });
    watch.start();
    view(tab).imgMousover->onMouseMove(0, 0, 0, 0);
    QVERIFY(waitUntil([&] { return tab.motion().open() && !tab.motion().tmrGrow().Enabled(); }, 8000));
    watch.stop();
    QVERIFY(injected);
    // Two seconds of the program's time: the click's one-second pause and the slide that would follow it.
    settleProgramTime(2000);
    QCOMPARE(tab.geometry().x(), openX);
    QCOMPARE(tab.base().geometry().x(), openX);
    QCOMPARE(tab.motion().once(), int16_t(0));

    // Sliding in ends at the docked place.
    view(tab).imgMousover->onMouseMove(0, 0, 0, 0);
    QVERIFY(waitUntil([&] { return !tab.motion().open() && !tab.motion().tmrShrink().Enabled(); }, 8000));
    QCOMPARE(tab.geometry().x(), dockedX(kRight.pixels));
}

QTEST_MAIN(TestScreens)
#include "test_screens.moc"
