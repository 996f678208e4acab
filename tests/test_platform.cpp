// SPDX-License-Identifier: MIT
// The X11 and Qt implementations of the platform interfaces, against a real X server, window manager and
// sound server.
//
// Built by tests/CMakeLists.txt against the program's libraries and the shared test support (the sound
// recorder and the stacking probe of tests/support).
// It needs the desktop session of tests/desktop.sh (Xvfb, openbox, a PulseAudio null sink named in
// $BRIMVEL_SINK, and parec) and fails when that is missing. The binary doubles as the second instance of the
// single-instance tests: started with BRIMVEL_TEST_HOLD_LOCK set, it only takes the instance lock and holds
// it until its standard input closes.

#include "../app/SecondStart.h"
#include "../core/AddressPolicy.h"
#include "../platform/WindowOutline.h"
#include "../platform/qt/DesktopShell.h"
#include "../platform/qt/QtSoundOutput.h"
#include "../platform/x11/QtX11Display.h"
#include "../platform/x11/X11Instances.h"
#include "../platform/x11/X11KeyProbe.h"
#include "../platform/x11/X11WindowStacking.h"
#include "support/SoundRecorder.h"
#include "support/Stacking.h"
#include "support/TestDesktop.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

constexpr int kNumberPad0 = 0x60;
const char* const kHoldLockVariable = "BRIMVEL_TEST_HOLD_LOCK";

// A separate client connection of the test: the keyboard it types on and the eyes it reads the server with,
// independent of the connection of the code under test.
class TestConnection {
public:
    TestConnection() : display(XOpenDisplay(nullptr)) {}
    ~TestConnection() {
        if (display)
            XCloseDisplay(display);
    }
    TestConnection(const TestConnection&) = delete;
    TestConnection& operator=(const TestConnection&) = delete;

    Display* const display;

    Window root() const { return DefaultRootWindow(display); }
    KeyCode keycode(KeySym keysym) const { return XKeysymToKeycode(display, keysym); }

    void press(KeyCode keycode) {
        XTestFakeKeyEvent(display, keycode, True, CurrentTime);
        XSync(display, False);
    }
    void release(KeyCode keycode) {
        XTestFakeKeyEvent(display, keycode, False, CurrentTime);
        XSync(display, False);
    }
    void tap(KeyCode keycode) {
        press(keycode);
        release(keycode);
    }

    bool numLockOn() const {
        XkbStateRec state{};
        XkbGetState(display, XkbUseCoreKbd, &state);
        return state.locked_mods & XkbKeysymToModifiers(display, XK_Num_Lock);
    }
    void setNumLock(bool on) {
        if (numLockOn() != on)
            tap(keycode(XK_Num_Lock));
    }

    bool isAbove(Window upper, Window lower) const { return Stacking::isAbove(display, upper, lower); }
    int stackPosition(Window window) const { return Stacking::position(display, window); }
    Window topLevel(Window window) const { return Stacking::topLevelOf(display, window); }

    Window activeWindow() const {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        Window active = 0;
        if (XGetWindowProperty(display, root(), XInternAtom(display, "_NET_ACTIVE_WINDOW", False), 0, 1,
                               False, XA_WINDOW, &type, &format, &count, &remaining, &data) == Success &&
            data && count == 1)
            active = *reinterpret_cast<Window*>(data);
        if (data)
            XFree(data);
        return active;
    }

    Window inputFocus() const {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        return focus;
    }
};

// Polls `condition` on the test's own connection for up to `milliseconds` WITHOUT letting Qt process events,
// so what the code under test left unflushed in Qt's output buffer stays unsent.
template <typename Condition> bool holdsWithoutEventLoop(Condition condition, int milliseconds = 1000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QThread::msleep(5);
    }
    return true;
}

Window xid(const QWidget& widget) {
    return static_cast<Window>(widget.winId());
}

std::unique_ptr<QWidget> showWindow(const QString& title, bool bypassWindowManager, const QRect& geometry) {
    auto window = std::make_unique<QWidget>();
    if (bypassWindowManager)
        window->setWindowFlags(Qt::Window | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
    window->setWindowTitle(title);
    window->setGeometry(geometry);
    window->show();
    return window;
}

void setWindowClass(Display* display, Window window, const char* className) {
    XClassHint hint{};
    QByteArray name("brimvel");
    QByteArray klass(className);
    hint.res_name = name.data();
    hint.res_class = klass.data();
    XSetClassHint(display, window, &hint);
    XSync(display, False);
}

// A wave file of a sine tone at half of full scale, in the given sample encoding (1 integer PCM, 3 float).
QByteArray toneWave(int frequency, int milliseconds, int bits = 16, int channels = 1, int encoding = 1) {
    constexpr int rate = 44100;
    const int frames = rate * milliseconds / 1000;
    const int frameBytes = channels * bits / 8;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    const quint32 dataSize = static_cast<quint32>(frames * frameBytes);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataSize);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(encoding) << quint16(channels) << quint32(rate)
        << quint32(rate * frameBytes) << quint16(frameBytes) << quint16(bits);
    out.writeRawData("data", 4);
    out << dataSize;
    for (int i = 0; i < frames; ++i) {
        const double value = 0.5 * std::sin(2.0 * M_PI * frequency * i / rate);
        for (int channel = 0; channel < channels; ++channel) {
            if (encoding == 3)
                out << float(value);
            else if (bits == 8)
                out << quint8(std::lround(128 + 127 * value));
            else if (bits == 16)
                out << qint16(std::lround(32767 * value));
            else if (bits == 24)
                out << quint8(0) << qint16(std::lround(32767 * value)); // low byte, then the top 16 bits
            else
                out << qint32(std::lround(2147483647.0 * value));
        }
    }
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The tones heard so far, per 50 ms window.
QList<int> tonesSoFar(SoundRecorder& recording) {
    return SoundRecorder::tones(recording.samplesSoFar());
}

// The second instance: holds the lock until its standard input closes (or it is killed).
[[noreturn]] void holdInstanceLock() {
    X11Instances instances;
    if (instances.anotherInstanceRunning()) {
        std::printf("busy\n");
        std::exit(1);
    }
    if (qEnvironmentVariable(kHoldLockVariable) == QStringLiteral("with-child")) {
        // A program started by the instance, like the browser opening a link, that outlives it.
        qint64 child = 0;
        QProcess::startDetached(QStringLiteral("sleep"), {QStringLiteral("60")}, QString(), &child);
        std::printf("child %lld\n", static_cast<long long>(child));
    }
    std::printf("locked\n");
    std::fflush(stdout);
    char ignored = 0;
    while (read(STDIN_FILENO, &ignored, 1) > 0) {
    }
    std::exit(0);
}

} // namespace

class TestPlatform : public QObject {
    Q_OBJECT

public:
    static void initMain() {
        if (qEnvironmentVariableIsSet(kHoldLockVariable))
            holdInstanceLock();
    }

private slots:
    void initTestCase();

    void tappedNumberPadKeyCountsOnceAtNextQuery_data();
    void tappedNumberPadKeyCountsOnceAtNextQuery();
    void pressIsReadUnderTheStateOfItsMoment_data();
    void pressIsReadUnderTheStateOfItsMoment();
    void heldNumberPadKeyIsPressedOnEveryQuery_data();
    void heldNumberPadKeyIsPressedOnEveryQuery();
    void eachKeyKeepsItsOwnPress();
    void keyFollowsAChangedKeyboardMap();
    void mainRowDigitsAreNotNumberPadKeys_data();
    void mainRowDigitsAreNotNumberPadKeys();
    void inactiveProbeReportsNothing();

    void topMostRaisesBypassWindowAboveOthers();
    void topMostOffNoLongerRaises();
    void takeFocusGivesKeyboardToBypassWindow();
    void topMostWindowsStandBelowOwnDialog();
    void othersChangingIsReported();

    void lockOfRunningInstanceIsSeen_data();
    void lockOfRunningInstanceIsSeen();
    void instanceKeepsItsLock();
    void lockFileFolder();
    void findWindowByClassAndTitle_data();
    void findWindowByClassAndTitle();
    void activateManagedWindow();
    void activateBypassWindow();
    void bringToFrontRaisesShownWindowsInOrder();
    void secondStartHandsOver_data();
    void secondStartHandsOver();

    void cueIsHeardOnlyForAWaveFile_data();
    void cueIsHeardOnlyForAWaveFile();
    void cuePlayedAgain_data();
    void cuePlayedAgain();
    void newCueReplacesRunningOne_data();
    void newCueReplacesRunningOne();

    void desktopReceivesEncodedAddress_data();
    void desktopReceivesEncodedAddress();
    void plainXServerDrawsTheShape();

private:
    void resetProbe(X11KeyProbe& probe) {
        for (int key = kNumberPad0; key < kNumberPad0 + 10; ++key)
            probe.pressed(key);
    }

    std::unique_ptr<TestConnection> x;
};

void TestPlatform::initTestCase() {
    QVERIFY2(qtX11Display(), "no X11 display: run this test under tests/desktop.sh");
    x = std::make_unique<TestConnection>();
    QVERIFY(x->display);
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    QVERIFY2(XTestQueryExtension(x->display, &event, &error, &major, &minor), "the X server lacks XTest");
}

// ---- key probe ----

// Under the server's default layout (the number-pad keys have the KEYPAD key type) a number-pad key types its
// digit with NumLock on and nothing else held, and its navigation keysym (KP_End, KP_Down, ...) with NumLock
// off or with Shift held. Only the digit counts. The probe is running before NumLock and Shift are set, so
// it must follow the changes as they happen.
void TestPlatform::tappedNumberPadKeyCountsOnceAtNextQuery_data() {
    QTest::addColumn<int>("digit");
    QTest::addColumn<bool>("numLock");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<bool>("counts");
    for (bool numLock : {true, false}) {
        for (bool shift : {false, true}) {
            for (int digit = 0; digit < 10; ++digit)
                QTest::addRow("%d, NumLock %s%s", digit, numLock ? "on" : "off", shift ? ", Shift" : "")
                    << digit << numLock << shift << (numLock && !shift);
        }
    }
}

void TestPlatform::tappedNumberPadKeyCountsOnceAtNextQuery() {
    QFETCH(int, digit);
    QFETCH(bool, numLock);
    QFETCH(bool, shift);
    QFETCH(bool, counts);
    x->setNumLock(!numLock);
    X11KeyProbe probe;
    QVERIFY(probe.listensToRawKeys());
    resetProbe(probe);
    x->setNumLock(numLock);
    QCOMPARE(x->numLockOn(), numLock);
    const KeyCode shiftKey = x->keycode(XK_Shift_L);
    if (shift)
        x->press(shiftKey);
    x->tap(x->keycode(XK_KP_0 + digit));
    if (shift)
        x->release(shiftKey);

    for (int other = 0; other < 10; ++other) {
        if (other != digit)
            QVERIFY2(!probe.pressed(kNumberPad0 + other), qPrintable(QString::number(other)));
    }
    QCOMPARE(probe.pressed(kNumberPad0 + digit), counts);
    QVERIFY(!probe.pressed(kNumberPad0 + digit));
}

// A press means what the key typed when it was pressed: NumLock changed afterwards, before the query, does
// not change it.
void TestPlatform::pressIsReadUnderTheStateOfItsMoment_data() {
    QTest::addColumn<bool>("numLockAtPress");
    QTest::addColumn<bool>("counts");
    QTest::newRow("NumLock on at the press, off at the query") << true << true;
    QTest::newRow("NumLock off at the press, on at the query") << false << false;
}

void TestPlatform::pressIsReadUnderTheStateOfItsMoment() {
    QFETCH(bool, numLockAtPress);
    QFETCH(bool, counts);
    X11KeyProbe probe;
    resetProbe(probe);
    x->setNumLock(numLockAtPress);
    x->tap(x->keycode(XK_KP_7));
    x->setNumLock(!numLockAtPress);
    QCOMPARE(probe.pressed(kNumberPad0 + 7), counts);
    for (int other = 0; other < 10; ++other)
        QVERIFY2(!probe.pressed(kNumberPad0 + other), qPrintable(QString::number(other)));
}

// A held key counts on every query while it types the digit under the keyboard state of that query. The
// probe starts with NumLock already set, so it must read the state it starts in.
void TestPlatform::heldNumberPadKeyIsPressedOnEveryQuery_data() {
    QTest::addColumn<int>("digit");
    QTest::addColumn<bool>("numLock");
    for (bool numLock : {true, false}) {
        for (int digit : {5, 0, 3})
            QTest::addRow("%d, NumLock %s", digit, numLock ? "on" : "off") << digit << numLock;
    }
}

void TestPlatform::heldNumberPadKeyIsPressedOnEveryQuery() {
    QFETCH(int, digit);
    QFETCH(bool, numLock);
    x->setNumLock(numLock);
    X11KeyProbe probe;
    resetProbe(probe);
    const KeyCode key = x->keycode(XK_KP_0 + digit);

    x->press(key);
    auto release = qScopeGuard([&] { x->release(key); }); // also when a check fails
    for (int query = 0; query < 3; ++query)
        QCOMPARE(probe.pressed(kNumberPad0 + digit), numLock);
    {
        const KeyProbe::Scan scan(&probe); // one look for the whole scan answers the same
        for (int other = 0; other < 10; ++other)
            QCOMPARE(probe.pressed(kNumberPad0 + other), numLock && other == digit);
    }
    // Still held, the key changes its meaning with NumLock.
    x->setNumLock(!numLock);
    QCOMPARE(probe.pressed(kNumberPad0 + digit), !numLock);
    release.dismiss();
    x->release(key);
    resetProbe(probe);
    QVERIFY(!probe.pressed(kNumberPad0 + digit));
}

// When the keyboard map changes, a key means what the new map says.
void TestPlatform::keyFollowsAChangedKeyboardMap() {
    x->setNumLock(true);
    X11KeyProbe probe;
    resetProbe(probe);
    const KeyCode key = x->keycode(XK_KP_3);
    int perKeycode = 0;
    KeySym* old = XGetKeyboardMapping(x->display, key, 1, &perKeycode);
    QVERIFY(old && perKeycode >= 2);
    const auto restore = qScopeGuard([&] {
        XChangeKeyboardMapping(x->display, key, perKeycode, old, 1);
        XSync(x->display, False);
        XFree(old);
    });

    // The key that typed 3 types 7 now (Home without NumLock).
    KeySym remapped[2] = {XK_KP_Home, XK_KP_7};
    XChangeKeyboardMapping(x->display, key, 2, remapped, 1);
    XSync(x->display, False);
    // The probe's next look is a round trip: it reads the MappingNotify before the key's raw events.
    x->tap(key);
    QVERIFY(!probe.pressed(kNumberPad0 + 3));
    QVERIFY(probe.pressed(kNumberPad0 + 7));
}

void TestPlatform::eachKeyKeepsItsOwnPress() {
    x->setNumLock(true);
    X11KeyProbe probe;
    resetProbe(probe);
    x->tap(x->keycode(XK_KP_1));
    x->tap(x->keycode(XK_KP_2));

    QVERIFY(probe.pressed(kNumberPad0 + 1));
    QVERIFY(probe.pressed(kNumberPad0 + 2));
    QVERIFY(!probe.pressed(kNumberPad0 + 1));
    QVERIFY(!probe.pressed(kNumberPad0 + 2));
}

void TestPlatform::mainRowDigitsAreNotNumberPadKeys_data() {
    QTest::addColumn<int>("digit");
    for (int digit = 0; digit < 10; ++digit)
        QTest::addRow("%d", digit) << digit;
}

void TestPlatform::mainRowDigitsAreNotNumberPadKeys() {
    QFETCH(int, digit);
    x->setNumLock(true);
    X11KeyProbe probe;
    resetProbe(probe);
    const KeyCode mainRow = x->keycode(XK_0 + digit);
    QVERIFY(mainRow != 0);

    x->press(mainRow); // tapped and still held
    for (int key = kNumberPad0; key < kNumberPad0 + 10; ++key)
        QVERIFY2(!probe.pressed(key), qPrintable(QString::number(key, 16)));
    x->release(mainRow);
}

void TestPlatform::inactiveProbeReportsNothing() {
    x->setNumLock(true);
    X11KeyProbe probe;
    resetProbe(probe);
    const KeyCode three = x->keycode(XK_KP_3);
    const KeyCode four = x->keycode(XK_KP_4);

    probe.setActive(false);
    x->tap(three);
    x->press(four);
    QVERIFY(!probe.pressed(kNumberPad0 + 3));
    QVERIFY(!probe.pressed(kNumberPad0 + 4));
    x->release(four);

    // A press made while stopped is not reported later either.
    probe.setActive(true);
    QVERIFY(!probe.pressed(kNumberPad0 + 3));
    x->tap(three);
    QVERIFY(probe.pressed(kNumberPad0 + 3));
}

// ---- stacking ----

// Under openbox a window that bypasses the window manager is never covered by a managed window: openbox
// keeps the frames it manages below every such window. What covers it is another window that bypasses
// the window manager and was mapped later (a menu, a tooltip, another program's panel), so that is the
// competitor here; the managed window checks that the placement does not go below the frames either.
void TestPlatform::topMostRaisesBypassWindowAboveOthers() {
    auto ours = showWindow(QStringLiteral("ours"), true, {100, 100, 200, 120});
    QVERIFY(QTest::qWaitForWindowExposed(ours.get()));
    auto managed = showWindow(QStringLiteral("managed"), false, {50, 50, 400, 300});
    QVERIFY(QTest::qWaitForWindowExposed(managed.get()));
    auto menu = showWindow(QStringLiteral("menu"), true, {150, 150, 200, 120});
    QVERIFY(QTest::qWaitForWindowExposed(menu.get()));
    QTRY_VERIFY(x->topLevel(xid(*managed)) != xid(*managed)); // framed by the window manager
    QTRY_VERIFY(x->isAbove(xid(*menu), xid(*ours)));

    X11WindowStacking stacking;
    stacking.setTopMost(ours.get(), true);
    QVERIFY(stacking.isTopMost(ours.get()));
    QVERIFY(holdsWithoutEventLoop([&] { return x->isAbove(xid(*ours), xid(*menu)); }));
    QVERIFY(x->isAbove(xid(*ours), xid(*managed)));
}

void TestPlatform::topMostOffNoLongerRaises() {
    auto ours = showWindow(QStringLiteral("ours"), true, {100, 100, 200, 120});
    QVERIFY(QTest::qWaitForWindowExposed(ours.get()));
    X11WindowStacking stacking;
    stacking.setTopMost(ours.get(), true);
    auto menu = showWindow(QStringLiteral("menu"), true, {150, 150, 200, 120});
    QVERIFY(QTest::qWaitForWindowExposed(menu.get()));
    QTRY_VERIFY(x->isAbove(xid(*menu), xid(*ours)));

    stacking.setTopMost(ours.get(), false);
    QVERIFY(!stacking.isTopMost(ours.get()));
    // A restack the call asked for would be done by the window manager well within 200 ms.
    QTest::qWait(200);
    QVERIFY(x->isAbove(xid(*menu), xid(*ours)));

    // Turned on again (the program re-asserts it every second), it goes back on top at once.
    stacking.setTopMost(ours.get(), true);
    QVERIFY(holdsWithoutEventLoop([&] { return x->isAbove(xid(*ours), xid(*menu)); }));
}

void TestPlatform::takeFocusGivesKeyboardToBypassWindow() {
    auto bypass = showWindow(QStringLiteral("bypass"), true, {100, 100, 200, 120});
    QVERIFY(QTest::qWaitForWindowExposed(bypass.get()));
    auto managed = showWindow(QStringLiteral("managed"), false, {50, 50, 400, 300});
    QVERIFY(QTest::qWaitForWindowExposed(managed.get()));
    QTRY_COMPARE(x->activeWindow(), xid(*managed));
    QVERIFY(x->inputFocus() != xid(*bypass));

    X11WindowStacking stacking;
    stacking.takeFocus(bypass.get());
    QVERIFY(holdsWithoutEventLoop([&] { return x->inputFocus() == xid(*bypass); }));
    QTRY_VERIFY(bypass->isActiveWindow());
}

void TestPlatform::topMostWindowsStandBelowOwnDialog() {
    auto tab = showWindow(QStringLiteral("tab"), true, {100, 100, 200, 120});
    auto base = showWindow(QStringLiteral("base"), true, {100, 220, 200, 40});
    QVERIFY(QTest::qWaitForWindowExposed(tab.get()));
    QVERIFY(QTest::qWaitForWindowExposed(base.get()));
    X11WindowStacking stacking;
    stacking.setTopMost(tab.get(), true);
    stacking.setTopMost(base.get(), true);
    auto dialog = showWindow(QStringLiteral("dialog"), false, {150, 150, 300, 200});
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QTRY_VERIFY(x->topLevel(xid(*dialog)) != xid(*dialog)); // framed by the window manager
    stacking.setTopMost(tab.get(), true);
    QVERIFY(x->isAbove(xid(*tab), xid(*dialog)));

    // While the dialog shows, the group stands right below it, the window made top-most last higher.
    stacking.standBelow(dialog.get(), true);
    stacking.setTopMost(tab.get(), true);
    QVERIFY(holdsWithoutEventLoop([&] { return x->isAbove(xid(*dialog), xid(*base)); }));
    QCOMPARE(x->stackPosition(xid(*base)), x->stackPosition(xid(*dialog)) - 1);
    QCOMPARE(x->stackPosition(xid(*tab)), x->stackPosition(xid(*base)) - 1);

    stacking.standBelow(dialog.get(), false);
    stacking.setTopMost(tab.get(), true);
    QVERIFY(holdsWithoutEventLoop([&] { return x->isAbove(xid(*tab), xid(*dialog)); }));
    QVERIFY(x->isAbove(xid(*base), xid(*tab)));
}

void TestPlatform::othersChangingIsReported() {
    auto ours = showWindow(QStringLiteral("ours"), true, {100, 100, 200, 120});
    QVERIFY(QTest::qWaitForWindowExposed(ours.get()));
    X11WindowStacking stacking;
    int reports = 0;
    QVERIFY(stacking.watchOthers([&reports] { ++reports; }));
    stacking.setTopMost(ours.get(), true);
    // The program's own windows moving is no news.
    ours->move(120, 100);
    // The server reports a move within a round trip: a report would have come by then.
    QTest::qWait(300);
    QCOMPARE(reports, 0);

    // Another window mapped, moved, restacked: each is reported.
    auto other = showWindow(QStringLiteral("other"), true, {300, 300, 100, 100});
    QTRY_VERIFY(reports > 0);
    for (const auto& change : std::vector<std::function<void()>>{
             [&] { other->move(320, 300); }, [&] { XLowerWindow(x->display, xid(*other)); }}) {
        reports = 0;
        change();
        XSync(x->display, False);
        QTRY_VERIFY(reports > 0);
    }
}

// ---- single instance and window activation ----

void TestPlatform::lockOfRunningInstanceIsSeen_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("killed");
    QTest::newRow("second instance ends") << QStringLiteral("plain") << false;
    QTest::newRow("second instance is killed") << QStringLiteral("plain") << true;
    QTest::newRow("second instance leaves a program it started running")
        << QStringLiteral("with-child") << false;
}

void TestPlatform::lockOfRunningInstanceIsSeen() {
    QFETCH(QString, mode);
    QFETCH(bool, killed);
    QVERIFY(!X11Instances().anotherInstanceRunning());

    QProcess other;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kHoldLockVariable), mode);
    other.setProcessEnvironment(environment);
    other.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(other.waitForStarted());
    QByteArray said;
    QVERIFY(QTest::qWaitFor(
        [&] {
            other.waitForReadyRead(50);
            said += other.readAll();
            return said.contains("locked") || said.contains("busy");
        },
        5000));
    QVERIFY2(said.contains("locked"), said.constData());
    qint64 child = 0;
    if (said.startsWith("child "))
        child = said.mid(6, said.indexOf('\n') - 6).toLongLong();
    const auto endChild = qScopeGuard([child] {
        if (child > 0)
            ::kill(static_cast<pid_t>(child), SIGKILL);
    });

    QVERIFY(X11Instances().anotherInstanceRunning());

    if (killed)
        other.kill();
    else
        other.closeWriteChannel();
    QVERIFY(other.waitForFinished());
    if (mode == QStringLiteral("with-child"))
        QVERIFY2(child > 0 && ::kill(static_cast<pid_t>(child), 0) == 0, "the started program is gone");
    QVERIFY(!X11Instances().anotherInstanceRunning());
}

void TestPlatform::instanceKeepsItsLock() {
    auto first = std::make_unique<X11Instances>();
    QVERIFY(!first->anotherInstanceRunning());
    QVERIFY(!first->anotherInstanceRunning()); // asking again does not give the lock away
    QVERIFY(X11Instances().anotherInstanceRunning());
    first.reset();
    QVERIFY(!X11Instances().anotherInstanceRunning());
}

void TestPlatform::lockFileFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QVERIFY2(!runtime.isEmpty(), "XDG_RUNTIME_DIR is not set");
    QCOMPARE(X11Instances::lockFilePath(), QString::fromLocal8Bit(runtime) + QStringLiteral("/brimvel.lock"));

    // Without a runtime folder, a private folder in the temporary folder: here a temporary folder of the
    // test's own, so that nothing is left in the machine's /tmp.
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temporary.path()));
    qunsetenv("XDG_RUNTIME_DIR");
    const QString path = X11Instances::lockFilePath();
    qputenv("XDG_RUNTIME_DIR", runtime);
    if (tmpdir.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmpdir);
    const QString fallback = QDir(temporary.path()).filePath(QStringLiteral("brimvel-%1").arg(getuid()));
    QCOMPARE(path, fallback + QStringLiteral("/brimvel.lock"));
    struct stat info {};
    QCOMPARE(stat(QFile::encodeName(fallback).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);
}

void TestPlatform::findWindowByClassAndTitle_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("found");
    QTest::newRow("class and title") << QStringLiteral("Brimvel-Blue") << QStringLiteral("Brimvel") << true;
    QTest::newRow("wrong title") << QStringLiteral("Brimvel-Blue") << QStringLiteral("Brimvel-Blue") << false;
    QTest::newRow("title differs in case")
        << QStringLiteral("Brimvel-Blue") << QStringLiteral("brimvel") << false;
    QTest::newRow("wrong class") << QStringLiteral("Brimvel-Red") << QStringLiteral("Brimvel") << false;
    QTest::newRow("non-ASCII title") << QStringLiteral("Brimvel-Blue") << QStringLiteral("Brimvel – Zürich")
                                     << true;
    QTest::newRow("Latin-1 WM_NAME only") << QStringLiteral("Brimvel-Blue") << QStringLiteral("Café") << true;
    QTest::newRow("class of the other window")
        << QStringLiteral("Brimvel-Red") << QStringLiteral("Café") << false;
}

void TestPlatform::findWindowByClassAndTitle() {
    QFETCH(QString, className);
    QFETCH(QString, title);
    QFETCH(bool, found);

    auto bypass = showWindow(QStringLiteral("Brimvel"), true, {100, 100, 200, 120});
    setWindowClass(x->display, xid(*bypass), "Brimvel-Blue");
    QVERIFY(QTest::qWaitForWindowExposed(bypass.get()));
    auto managed = showWindow(QStringLiteral("Brimvel – Zürich"), false, {50, 50, 300, 200});
    setWindowClass(x->display, xid(*managed), "Brimvel-Blue");
    QVERIFY(QTest::qWaitForWindowExposed(managed.get()));
    // A hidden window of another toolkit with a Latin-1 WM_NAME and no _NET_WM_NAME.
    const Window legacy = XCreateSimpleWindow(x->display, x->root(), 0, 0, 10, 10, 0, 0, 0);
    const auto destroyLegacy = qScopeGuard([&] {
        XDestroyWindow(x->display, legacy);
        XSync(x->display, False);
    });
    XStoreName(x->display, legacy, QStringLiteral("Café").toLatin1().constData());
    setWindowClass(x->display, legacy, "Brimvel-Blue");
    // Another window with the same title under another class.
    const Window other = XCreateSimpleWindow(x->display, x->root(), 0, 0, 10, 10, 0, 0, 0);
    const auto destroyOther = qScopeGuard([&] {
        XDestroyWindow(x->display, other);
        XSync(x->display, False);
    });
    XStoreName(x->display, other, "Brimvel-Blue");
    setWindowClass(x->display, other, "Other");

    QCOMPARE(X11Instances().findWindow(className, title), found);
}

void TestPlatform::activateManagedWindow() {
    auto target = showWindow(QStringLiteral("Brimvel"), false, {50, 50, 300, 200});
    QVERIFY(QTest::qWaitForWindowExposed(target.get()));
    auto other = showWindow(QStringLiteral("Other"), false, {100, 100, 300, 200});
    QVERIFY(QTest::qWaitForWindowExposed(other.get()));
    QTRY_COMPARE(x->activeWindow(), xid(*other));
    QTRY_VERIFY(x->isAbove(xid(*other), xid(*target)));

    X11Instances instances;
    instances.activateWindow(QStringLiteral("No such window"));
    // An activation the call asked for would be done by the window manager well within 200 ms.
    QTest::qWait(200);
    QCOMPARE(x->activeWindow(), xid(*other));

    instances.activateWindow(QStringLiteral("Brimvel"));
    QTRY_COMPARE(x->activeWindow(), xid(*target));
    QVERIFY(x->isAbove(xid(*target), xid(*other)));
}

void TestPlatform::activateBypassWindow() {
    auto target = showWindow(QStringLiteral("Brimvel"), true, {100, 100, 200, 120});
    QVERIFY(QTest::qWaitForWindowExposed(target.get()));
    auto managed = showWindow(QStringLiteral("Other"), false, {50, 50, 400, 300});
    QVERIFY(QTest::qWaitForWindowExposed(managed.get()));
    auto menu = showWindow(QStringLiteral("menu"), true, {150, 150, 200, 120});
    QVERIFY(QTest::qWaitForWindowExposed(menu.get()));
    QTRY_COMPARE(x->activeWindow(), xid(*managed));
    QTRY_VERIFY(x->isAbove(xid(*menu), xid(*target)));
    QVERIFY(x->inputFocus() != xid(*target));

    X11Instances().activateWindow(QStringLiteral("Brimvel"));
    QVERIFY(holdsWithoutEventLoop([&] { return x->isAbove(xid(*target), xid(*menu)); }));
    QCOMPARE(x->inputFocus(), xid(*target));
}

void TestPlatform::bringToFrontRaisesShownWindowsInOrder() {
    auto tab = showWindow(QStringLiteral("Brimvel-Blue"), true, {100, 100, 200, 120});
    auto base = showWindow(QStringLiteral("Brimvel Base"), true, {100, 220, 200, 40});
    QVERIFY(QTest::qWaitForWindowExposed(tab.get()));
    QVERIFY(QTest::qWaitForWindowExposed(base.get()));
    // A hidden window with the tab's title, as toolkits keep them, and windows that cover both.
    auto hidden = std::make_unique<QWidget>();
    hidden->setWindowTitle(QStringLiteral("Brimvel-Blue"));
    hidden->winId();
    auto managed = showWindow(QStringLiteral("Other"), false, {50, 50, 400, 300});
    QVERIFY(QTest::qWaitForWindowExposed(managed.get()));
    auto panel = showWindow(QStringLiteral("panel"), true, {80, 80, 300, 250});
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    QTRY_COMPARE(x->activeWindow(), xid(*managed));
    QTRY_VERIFY(x->isAbove(xid(*panel), xid(*base)));
    const Window focus = x->inputFocus();

    X11Instances().bringToFront({QStringLiteral("Brimvel-Blue"), QStringLiteral("Brimvel Base")});
    QVERIFY(holdsWithoutEventLoop([&] { return x->isAbove(xid(*base), xid(*panel)); }));
    QVERIFY(x->isAbove(xid(*tab), xid(*panel)));
    QVERIFY(x->isAbove(xid(*base), xid(*tab)));
    QVERIFY(!hidden->isVisible());
    // The keyboard stays where it was.
    QCOMPARE(x->inputFocus(), focus);
}

void TestPlatform::secondStartHandsOver_data() {
    QTest::addColumn<bool>("lockHeld");  // another instance holds the single-instance lock
    QTest::addColumn<bool>("tabWindow"); // a window of the tab's class and title is on the display
    QTest::addColumn<bool>("toggle");    // started with --toggle (nobody listens here)
    QTest::addColumn<bool>("handedOver");
    QTest::newRow("the only start") << false << false << false << false;
    QTest::newRow("the only start, --toggle") << false << false << true << false;
    QTest::newRow("lock held") << true << false << false << true;
    QTest::newRow("lock held, --toggle unheard") << true << false << true << true;
    QTest::newRow("tab window without the lock") << false << true << false << true;
}

// A later start against real locks and the real window tree: it hands over exactly when another instance
// runs, and then raises the running one's windows (the bar above the tab) instead of taking the lock; the
// only start takes the lock.
void TestPlatform::secondStartHandsOver() {
    QFETCH(bool, lockHeld);
    QFETCH(bool, tabWindow);
    QFETCH(bool, toggle);
    QFETCH(bool, handedOver);

    std::unique_ptr<X11Instances> running;
    if (lockHeld) {
        running = std::make_unique<X11Instances>();
        QVERIFY(!running->anotherInstanceRunning());
    }
    std::unique_ptr<QWidget> found;
    if (tabWindow) {
        found = showWindow(QStringLiteral("Brimvel"), true, {600, 600, 60, 40});
        setWindowClass(x->display, xid(*found), "Brimvel-Blue");
        QVERIFY(QTest::qWaitForWindowExposed(found.get()));
    }
    auto tab = showWindow(QStringLiteral("Running tab"), true, {100, 100, 200, 120});
    auto bar = showWindow(QStringLiteral("Running bar"), true, {100, 220, 200, 40});
    QVERIFY(QTest::qWaitForWindowExposed(tab.get()));
    QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
    auto cover = showWindow(QStringLiteral("cover"), true, {80, 80, 300, 250});
    QVERIFY(QTest::qWaitForWindowExposed(cover.get()));
    QTRY_VERIFY(x->isAbove(xid(*cover), xid(*bar)));

    X11Instances later;
    QCOMPARE(
        SecondStart::handOver(&later, toggle, {QStringLiteral("Running tab"), QStringLiteral("Running bar")}),
        handedOver);
    if (handedOver) {
        QTRY_VERIFY(x->isAbove(xid(*bar), xid(*cover)));
        QVERIFY(x->isAbove(xid(*tab), xid(*cover)));
        QVERIFY(x->isAbove(xid(*bar), xid(*tab)));
    } else {
        // The only start now holds the lock, and raised nothing.
        QVERIFY(X11Instances().anotherInstanceRunning());
        QVERIFY(x->isAbove(xid(*cover), xid(*tab)));
    }
    QVERIFY(!SecondStart::handOver(nullptr, toggle, {QStringLiteral("Running tab")}));
}

// ---- sound ----

void TestPlatform::cueIsHeardOnlyForAWaveFile_data() {
    QTest::addColumn<QByteArray>("content"); // or "<missing>", "<folder>"
    QTest::addColumn<bool>("heard");
    QTest::newRow("16-bit mono") << toneWave(440, 200) << true;
    QTest::newRow("16-bit stereo") << toneWave(440, 200, 16, 2) << true;
    QTest::newRow("8-bit") << toneWave(440, 200, 8) << true;
    QTest::newRow("24-bit") << toneWave(440, 200, 24) << true;
    QTest::newRow("32-bit") << toneWave(440, 200, 32) << true;
    QTest::newRow("32-bit float") << toneWave(440, 200, 32, 1, 3) << true;
    QTest::newRow("short click, 60 ms") << toneWave(440, 60) << true;
    QTest::newRow("data chunk cut off") << toneWave(440, 400).left(44 + 200 * 88) << true;
    QTest::newRow("missing file") << QByteArray("<missing>") << false;
    QTest::newRow("text file") << QByteArray("[0]\nname0=not a sound\n") << false;
    QTest::newRow("empty file") << QByteArray("") << false;
    QTest::newRow("header only") << toneWave(440, 200).left(44) << false;
    QTest::newRow("compressed wave") << toneWave(440, 200, 16, 1, 2) << false;
    QTest::newRow("folder") << QByteArray("<folder>") << false;
}

void TestPlatform::cueIsHeardOnlyForAWaveFile() {
    QFETCH(QByteArray, content);
    QFETCH(bool, heard);
    QTemporaryDir folder;
    const QString cue = folder.filePath(QStringLiteral("button.wav"));
    if (content == "<folder>")
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("button.wav")));
    else if (content != "<missing>")
        QVERIFY(writeFile(cue, content));

    QtSoundOutput sound;
    SoundRecorder recording;
    QVERIFY2(recording.start(), "cannot record the null sink: run under tests/desktop.sh");
    sound.play(cue);
    if (heard)
        QVERIFY(waitUntil([&] { return SoundRecorder::containsTone(tonesSoFar(recording), 440); }, 3000));
    else
        QTest::qWait(1000); // longer than a cue takes to come out of the sound server
    const QList<int> windows = SoundRecorder::tones(recording.stopSamples());

    QCOMPARE(SoundRecorder::containsTone(windows, 440), heard);
    if (!heard)
        QVERIFY(SoundRecorder::silent(windows));
}

void TestPlatform::cuePlayedAgain_data() {
    QTest::addColumn<bool>("deleted");
    QTest::newRow("the same file plays again") << false;
    QTest::newRow("a file deleted since is silent") << true;
}

void TestPlatform::cuePlayedAgain() {
    QFETCH(bool, deleted);
    QTemporaryDir folder;
    const QString cue = folder.filePath(QStringLiteral("scroll.wav"));
    QVERIFY(writeFile(cue, toneWave(660, 200)));
    QtSoundOutput sound;

    // The first play is heard to its end before the second is asked for: on a loaded machine the sound
    // server can start a cue long after it was asked for, and a late first tone would be taken for the
    // second.
    {
        SoundRecorder first;
        QVERIFY(first.start());
        sound.play(cue);
        QVERIFY2(waitUntil(
                     [&] {
                         const QList<int> windows = tonesSoFar(first);
                         return SoundRecorder::containsTone(windows, 660) && windows.size() >= 4 &&
                                SoundRecorder::silent(windows.mid(windows.size() - 4));
                     },
                     5000),
                 "the first play was not heard to its end");
    }
    if (deleted)
        QVERIFY(QFile::remove(cue));

    SoundRecorder second;
    QVERIFY(second.start());
    sound.play(cue);
    if (!deleted) {
        QVERIFY(waitUntil([&] { return SoundRecorder::containsTone(tonesSoFar(second), 660); }, 3000));
        return;
    }
    QTest::qWait(800); // longer than a cue takes to come out of the sound server
    const QList<int> windows = SoundRecorder::tones(second.stopSamples());
    QVERIFY(windows.size() >= 16);
    QVERIFY(SoundRecorder::silent(windows));
}

void TestPlatform::newCueReplacesRunningOne_data() {
    QTest::addColumn<int>("gapMs");
    QTest::newRow("right after the first") << 0;
    QTest::newRow("while the first plays") << 300;
}

void TestPlatform::newCueReplacesRunningOne() {
    QFETCH(int, gapMs);
    QTemporaryDir folder;
    const QString slide = folder.filePath(QStringLiteral("min.wav"));
    const QString click = folder.filePath(QStringLiteral("button.wav"));
    QVERIFY(writeFile(slide, toneWave(440, 3000)));
    QVERIFY(writeFile(click, toneWave(1000, 200)));
    QtSoundOutput sound;
    SoundRecorder recording;
    QVERIFY(recording.start());

    sound.play(slide);
    if (gapMs > 0) {
        // The second cue starts this long after the first: the case's own spacing.
        QTest::qWait(gapMs);
    }
    sound.play(click);
    // Two seconds of recording from the first cue: both come out of the sound server by then.
    QTest::qWait(2000 - gapMs);
    const QList<int> windows = SoundRecorder::tones(recording.stopSamples());
    QVERIFY(windows.size() >= 30);

    QVERIFY(SoundRecorder::containsTone(windows, 1000));
    if (gapMs > 0)
        QVERIFY(SoundRecorder::containsTone(windows, 440));
    // The three-second slide sound would still be playing at the end had it not been stopped.
    const qsizetype tail = 600 / 50; // windows of 50 ms
    QVERIFY(SoundRecorder::silent(windows.mid(windows.size() - tail)));
}

// ---- opening addresses ----

// The whole way from a link's text to the desktop: the policy's encoded address through the desktop shell
// reaches the recording xdg-open of tests/desktop.sh unchanged.
void TestPlatform::desktopReceivesEncodedAddress_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("received");
    QTest::newRow("space") << QStringLiteral("http://example.test/a b")
                           << QStringLiteral("http://example.test/a%20b");
    QTest::newRow("braces") << QStringLiteral("https://example.test/?q={x}")
                            << QStringLiteral("https://example.test/?q=%7Bx%7D");
    QTest::newRow("bar and caret") << QStringLiteral("http://example.test/a|b^c")
                                   << QStringLiteral("http://example.test/a%7Cb%5Ec");
    QTest::newRow("stray percent") << QStringLiteral("http://example.test/100%")
                                   << QStringLiteral("http://example.test/100%25");
    QTest::newRow("quote and letters beyond ASCII")
        << QStringLiteral("http://bücher.example/\"Zürich\"")
        << QStringLiteral("http://xn--bcher-kva.example/%22Z%C3%BCrich%22");
    QTest::newRow("mail") << QStringLiteral("mailto:a b@example.test?subject=hi there")
                          << QStringLiteral("mailto:a%20b@example.test?subject=hi%20there");
}

void TestPlatform::desktopReceivesEncodedAddress() {
    QFETCH(QString, address);
    QFETCH(QString, received);
    const QString log = qEnvironmentVariable("BRIMVEL_OPEN_LOG");
    QVERIFY2(!log.isEmpty(), "no recording xdg-open: run under tests/desktop.sh");
    QFile::remove(log);

    const AddressPolicy::Decision decision = AddressPolicy::decide(address);
    QVERIFY2(decision.accepted(), qPrintable(decision.refusal));
    DesktopShell().open(decision.address);

    QByteArray lines;
    QVERIFY(QTest::qWaitFor(
        [&] {
            QFile file(log);
            lines = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            return lines.endsWith('\n');
        },
        5000));
    QTest::qWait(100); // a second call would show up by now
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), received + u'\n');
}

void TestPlatform::plainXServerDrawsTheShape() {
    // Xvfb is a plain X server: the outline stays the window's shape there.
    QVERIFY(!WindowOutline::drawnFromAlpha());
}

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
