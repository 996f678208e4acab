// The X11 and Qt implementations of the platform interfaces, against a real X server, window manager and
// sound server.
//
// Build (CMake):
//   add_executable(test_platform tests/test_platform.cpp
//                  platform/x11/X11KeyProbe.cpp platform/x11/X11WindowStacking.cpp
//                  platform/x11/X11Instances.cpp platform/qt/QtSoundOutput.cpp)
//   pkg_check_modules(X11LIBS REQUIRED IMPORTED_TARGET x11 xi xtst)
//   target_link_libraries(test_platform PRIVATE Qt6::Test Qt6::Widgets Qt6::Multimedia PkgConfig::X11LIBS)
//   set_target_properties(test_platform PROPERTIES AUTOMOC ON)
//   add_test(NAME test_platform COMMAND ${CMAKE_SOURCE_DIR}/tests/desktop.sh $<TARGET_FILE:test_platform>)
// It needs the desktop session of tests/desktop.sh (Xvfb, openbox, a PulseAudio null sink named in
// $BRIMVEL_SINK, and parec) and fails when that is missing. The binary doubles as the second instance of the
// single-instance tests: started with BRIMVEL_TEST_HOLD_LOCK set, it only takes the instance lock and holds
// it until its standard input closes.

#include "../platform/qt/QtSoundOutput.h"
#include "../platform/x11/QtX11Display.h"
#include "../platform/x11/X11Instances.h"
#include "../platform/x11/X11KeyProbe.h"
#include "../platform/x11/X11WindowStacking.h"

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

    // The child of the root that holds `window`: the window itself when it bypasses the window manager,
    // its frame when the window manager has reparented it.
    Window topLevel(Window window) const {
        for (;;) {
            Window rootReturn = 0;
            Window parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count))
                return 0;
            if (children)
                XFree(children);
            if (parent == rootReturn || parent == 0)
                return window;
            window = parent;
        }
    }

    // Position in the root's stacking order, bottom first; -1 when not found.
    int stackPosition(Window window) const {
        const Window top = topLevel(window);
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        int position = -1;
        if (XQueryTree(display, root(), &rootReturn, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count; ++i) {
                if (children[i] == top)
                    position = static_cast<int>(i);
            }
            if (children)
                XFree(children);
        }
        return position;
    }

    bool isAbove(Window upper, Window lower) const {
        const int upperPosition = stackPosition(upper);
        const int lowerPosition = stackPosition(lower);
        return upperPosition >= 0 && lowerPosition >= 0 && upperPosition > lowerPosition;
    }

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

// What the null sink played, recorded from its monitor while a test runs.
class SinkRecording {
public:
    static constexpr int kRate = 44100;
    static constexpr int kWindowMs = 50;

    explicit SinkRecording(const QString& file) : file(file) {}
    ~SinkRecording() {
        if (recorder.state() != QProcess::NotRunning) {
            recorder.kill();
            recorder.waitForFinished();
        }
    }

    // True once the recorder writes samples.
    bool start() {
        const QString sink = qEnvironmentVariable("BRIMVEL_SINK");
        if (sink.isEmpty())
            return false;
        recorder.setStandardOutputFile(file);
        recorder.start(QStringLiteral("parec"),
                       {QStringLiteral("--device=%1.monitor").arg(sink), QStringLiteral("--raw"),
                        QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                        QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=20")});
        return recorder.waitForStarted() &&
               QTest::qWaitFor([this] { return QFileInfo(file).size() > 0; }, 5000);
    }

    // Stops recording and returns, per window of kWindowMs of the left channel, the tone's frequency found
    // by counting zero crossings between the first and the last loud sample of the window: 0 when nothing
    // is loud, -1 when too little is loud to tell.
    QList<int> stop() {
        recorder.terminate();
        recorder.waitForFinished();
        QFile recorded(file);
        recorded.open(QIODevice::ReadOnly);
        const QByteArray bytes = recorded.readAll();
        const auto* samples = reinterpret_cast<const qint16*>(bytes.constData());
        const qsizetype frames = bytes.size() / 4;
        const qsizetype framesPerWindow = kRate * kWindowMs / 1000;
        QList<int> frequencies;
        for (qsizetype start = 0; start + framesPerWindow <= frames; start += framesPerWindow) {
            qsizetype first = -1;
            qsizetype last = -1;
            for (qsizetype i = start; i < start + framesPerWindow; ++i) {
                if (std::abs(samples[2 * i]) > 1000) {
                    first = first < 0 ? i : first;
                    last = i;
                }
            }
            if (first < 0) {
                frequencies << 0;
                continue;
            }
            int crossings = 0;
            for (qsizetype i = first + 1; i <= last; ++i) {
                if ((samples[2 * i] >= 0) != (samples[2 * (i - 1)] >= 0))
                    ++crossings;
            }
            const qsizetype span = last - first;
            frequencies << (span < kRate / 100 ? -1 : static_cast<int>(crossings * kRate / (2 * span)));
        }
        return frequencies;
    }

private:
    QString file;
    QProcess recorder;
};

bool containsTone(const QList<int>& windows, int frequency) {
    return std::any_of(windows.begin(), windows.end(),
                       [frequency](int found) { return std::abs(found - frequency) <= frequency / 10; });
}

bool silent(const QList<int>& windows) {
    return std::all_of(windows.begin(), windows.end(), [](int found) { return found == 0; });
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
    void heldNumberPadKeyIsPressedOnEveryQuery();
    void eachKeyKeepsItsOwnPress();
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

    void cueIsHeardOnlyForAWaveFile_data();
    void cueIsHeardOnlyForAWaveFile();
    void replayedCueIsHeard();
    void newCueReplacesRunningOne_data();
    void newCueReplacesRunningOne();
    void deletedCueFileIsSilent();

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

void TestPlatform::tappedNumberPadKeyCountsOnceAtNextQuery_data() {
    QTest::addColumn<int>("digit");
    QTest::addColumn<bool>("numLock");
    for (bool numLock : {true, false}) {
        for (int digit = 0; digit < 10; ++digit)
            QTest::addRow("%d, NumLock %s", digit, numLock ? "on" : "off") << digit << numLock;
    }
}

void TestPlatform::tappedNumberPadKeyCountsOnceAtNextQuery() {
    QFETCH(int, digit);
    QFETCH(bool, numLock);
    x->setNumLock(numLock);
    QCOMPARE(x->numLockOn(), numLock);
    X11KeyProbe probe;
    QVERIFY(probe.listensToRawKeys());
    resetProbe(probe);

    x->tap(x->keycode(XK_KP_0 + digit));

    for (int other = 0; other < 10; ++other) {
        if (other != digit)
            QVERIFY2(!probe.pressed(kNumberPad0 + other), qPrintable(QString::number(other)));
    }
    QVERIFY(probe.pressed(kNumberPad0 + digit));
    QVERIFY(!probe.pressed(kNumberPad0 + digit));
    x->setNumLock(false);
}

void TestPlatform::heldNumberPadKeyIsPressedOnEveryQuery() {
    X11KeyProbe probe;
    resetProbe(probe);
    const KeyCode five = x->keycode(XK_KP_5);

    x->press(five);
    for (int query = 0; query < 3; ++query)
        QVERIFY(probe.pressed(kNumberPad0 + 5));
    QVERIFY(!probe.pressed(kNumberPad0 + 4));
    x->release(five);
    QVERIFY(!probe.pressed(kNumberPad0 + 5));
}

void TestPlatform::eachKeyKeepsItsOwnPress() {
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

    const QString fallback = QStringLiteral("/tmp/brimvel-%1").arg(getuid());
    const bool fallbackExisted = QFileInfo::exists(fallback);
    qunsetenv("XDG_RUNTIME_DIR");
    const QString path = X11Instances::lockFilePath();
    qputenv("XDG_RUNTIME_DIR", runtime);
    QCOMPARE(path, fallback + QStringLiteral("/brimvel.lock"));
    struct stat info {};
    QCOMPARE(stat(QFile::encodeName(fallback).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);
    if (!fallbackExisted)
        QDir().rmdir(fallback);
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
    SinkRecording recording(folder.filePath(QStringLiteral("recording.raw")));
    QVERIFY2(recording.start(), "cannot record the null sink: run under tests/desktop.sh");
    sound.play(cue);
    QTest::qWait(1000);
    const QList<int> windows = recording.stop();

    QCOMPARE(containsTone(windows, 440), heard);
    if (!heard)
        QVERIFY(silent(windows));
}

void TestPlatform::replayedCueIsHeard() {
    QTemporaryDir folder;
    const QString cue = folder.filePath(QStringLiteral("scroll.wav"));
    QVERIFY(writeFile(cue, toneWave(660, 200)));
    QtSoundOutput sound;
    sound.play(cue);
    QTest::qWait(600);

    SinkRecording recording(folder.filePath(QStringLiteral("recording.raw")));
    QVERIFY(recording.start());
    sound.play(cue);
    QTest::qWait(800);
    QVERIFY(containsTone(recording.stop(), 660));
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
    SinkRecording recording(folder.filePath(QStringLiteral("recording.raw")));
    QVERIFY(recording.start());

    sound.play(slide);
    if (gapMs > 0) {
        QTest::qWait(gapMs);
    }
    sound.play(click);
    QTest::qWait(2000 - gapMs);
    const QList<int> windows = recording.stop();
    QVERIFY(windows.size() >= 30);

    QVERIFY(containsTone(windows, 1000));
    if (gapMs > 0)
        QVERIFY(containsTone(windows, 440));
    // The three-second slide sound would still be playing at the end had it not been stopped.
    const qsizetype tail = 600 / SinkRecording::kWindowMs;
    QVERIFY(silent(windows.mid(windows.size() - tail)));
}

void TestPlatform::deletedCueFileIsSilent() {
    QTemporaryDir folder;
    const QString cue = folder.filePath(QStringLiteral("min.wav"));
    QVERIFY(writeFile(cue, toneWave(440, 200)));
    QtSoundOutput sound;
    sound.play(cue);
    QTest::qWait(600);
    QVERIFY(QFile::remove(cue));

    SinkRecording recording(folder.filePath(QStringLiteral("recording.raw")));
    QVERIFY(recording.start());
    sound.play(cue);
    QTest::qWait(800);
    QVERIFY(silent(recording.stop()));
}

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
