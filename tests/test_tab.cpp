// SPDX-License-Identifier: MIT
// The tab in motion: sliding out and in, growing and shrinking, hover opening and auto-retract, the base
// bar's click, dragging by the handle, stay-on-top and re-docking, the slide sounds and the switches on the
// open tab. The main paths are driven by real pointer input on the test desktop; tick-exact values by firing
// the timers.

#include "app/frmMain.h"
#include "core/Twips.h"
#include "links/frmInput.h"
#include "platform/x11/QtX11Display.h"
#include "support/Stacking.h"
#include "support/TabView.h"
#include "support/TestDesktop.h"
#include "tab/SoundCues.h"
#include "tab/StayOnTop.h"
#include "tab/TabMotion.h"
#include "tab/frmBase.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <X11/Xlib.h>

#include <functional>
#include <optional>
#include <vector>

using Store = QMap<QString, QString>;
Q_DECLARE_METATYPE(Store)
Q_DECLARE_METATYPE(SwitchLook)
using Looks = QList<SwitchLook>;

namespace {

constexpr int kScreenWidth = 1280 * 15;
constexpr int kRetractedLeft = kScreenWidth - 91;
constexpr int kOpenLeft = kRetractedLeft - 3017;
constexpr int kFullHeight = 4515;
// Bare desktop: away from the docked and the open tab, the base bar and the centred link editor.
const QPoint kAway(300, 700);

// One state of the tab's motion.
struct Moment {
    qint64 ms = 0;
    int left = 0, top = 0, height = 0, baseLeft = 0, baseTop = 0;
    int16_t extended = 0, once = 0, openBusy = 0;
    bool growing = false, shrinking = false;

    bool sameState(const Moment& o) const {
        return left == o.left && top == o.top && height == o.height && baseLeft == o.baseLeft &&
               baseTop == o.baseTop && extended == o.extended && once == o.once && openBusy == o.openBusy &&
               growing == o.growing && shrinking == o.shrinking;
    }
};

// Records every change of the tab's position, height and motion state, sampled from the event loop, which the
// slides (after every step), the pauses and the waits of the real input keep turning.
class MotionLog {
public:
    // An interval of 0 samples at every turn of the event loop, so that no slide step goes unseen, at the
    // cost of a busy loop while the log lives.
    explicit MotionLog(frmMain& tab, int intervalMs = 1) : tab_(tab) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { sample(); });
        clock_.start();
        sample();
        timer_.start();
    }

    qint64 now() const { return clock_.elapsed(); }

    void sample() {
        Moment m;
        m.ms = clock_.elapsed();
        m.left = tab_.Left();
        m.top = tab_.Top();
        m.height = tab_.Height();
        m.baseLeft = tab_.base().Left();
        m.baseTop = tab_.base().Top();
        m.extended = tab_.motion().extended();
        m.once = tab_.motion().once();
        m.openBusy = tab_.motion().busy() ? -1 : 0;
        m.growing = tab_.motion().tmrGrow().Enabled();
        m.shrinking = tab_.motion().tmrShrink().Enabled();
        if (moments_.empty() || !moments_.back().sameState(m))
            moments_.push_back(m);
    }

    const std::vector<Moment>& moments() const { return moments_; }

    // The time of the first recorded state at or after `from` that satisfies `holds`.
    std::optional<qint64> firstAt(const std::function<bool(const Moment&)>& holds, qint64 from = 0) const {
        for (const Moment& m : moments_)
            if (m.ms >= from && holds(m))
                return m.ms;
        return std::nullopt;
    }

    // The successive values of one quantity, each change once.
    std::vector<int> sequence(int Moment::*field) const {
        std::vector<int> values;
        for (const Moment& m : moments_)
            if (values.empty() || values.back() != m.*field)
                values.push_back(m.*field);
        return values;
    }

private:
    frmMain& tab_;
    QTimer timer_;
    QElapsedTimer clock_;
    std::vector<Moment> moments_;
};

// Inside the hover strip, on the tab's few visible columns when it is docked. Each call gives another row: Qt
// drops a pointer move to the place of the last move it saw, which may be one made over an earlier tab.
QPoint stripPoint(frmMain& tab) {
    static int row = 0;
    row = (row + 1) % 40;
    return view(tab).imgMousover->mapToGlobal(QPoint(3, 20 + row));
}
// On the cap's click area, left of the logo spot.
QPoint basePoint(frmMain& tab) {
    return tab.base().imgMouseClick->mapToGlobal(QPoint(20, 15));
}

// Clicks and answers the moment between the press and the release, when the click is about to act.
qint64 clickAt(QPoint at, const MotionLog& log) {
    RealInput::moveTo(at);
    RealInput::press();
    const qint64 released = log.now();
    RealInput::release();
    return released;
}

bool waitOpen(frmMain& tab, int ms = 8000) {
    return waitUntil(
        [&] {
            return tab.motion().open() == 1 && !tab.motion().tmrGrow().Enabled() &&
                   tab.motion().once() == 0 && tab.motion().extended() == -1;
        },
        ms);
}

bool waitRetracted(frmMain& tab, int left = kRetractedLeft, int ms = 8000) {
    return waitUntil(
        [&] {
            return tab.motion().extended() == 0 && tab.motion().once() == 0 && tab.Left() == left &&
                   !tab.motion().tmrShrink().Enabled();
        },
        ms);
}

// Where the base bar stands below a tab of the given Top and Height.
int baseTopFor(int top, int height) {
    if (height == 1200)
        return top + 1180;
    if (height == 1515)
        return top + height - 10;
    return top + height - 15;
}

// The position of a window in the X server's stacking order (higher is nearer the top).
int stackPosition(WId window) {
    return Stacking::position(qtX11Display(), static_cast<Window>(window));
}

QByteArray listed(const std::vector<int>& values) {
    QByteArray text;
    for (int v : values)
        text += QByteArray::number(v) + ' ';
    return text;
}

// Where two sequences part, with a few values of each from there on.
QByteArray difference(const std::vector<int>& actual, const std::vector<int>& expected) {
    size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        ++i;
    auto from = [i](const std::vector<int>& values) {
        const size_t start = i >= 2 ? i - 2 : 0;
        return listed(std::vector<int>(values.begin() + static_cast<long>(std::min(start, values.size())),
                                       values.begin() + static_cast<long>(std::min(i + 4, values.size()))));
    };
    return "sequences part at " + QByteArray::number(qulonglong(i)) + " of " +
           QByteArray::number(qulonglong(expected.size())) + ": actual ... " + from(actual) +
           "... expected ... " + from(expected) + "...";
}

// The lengths (ms) of the loud stretches that begin at each onset.
std::vector<int> stretchLengths(const std::vector<double>& loudness, const std::vector<int>& onsets) {
    std::vector<int> lengths;
    for (int onset : onsets) {
        size_t i = static_cast<size_t>(onset / 10);
        size_t lastLoud = i;
        // A stretch ends at the first 80 ms of quiet.
        while (i < loudness.size() && i - lastLoud < 8) {
            if (loudness[i] >= 200)
                lastLoud = i;
            ++i;
        }
        lengths.push_back(static_cast<int>(lastLoud - static_cast<size_t>(onset / 10) + 1) * 10);
    }
    return lengths;
}

} // namespace

class TestTab : public QObject {
    Q_OBJECT

private slots:
    void init();

    void stripOpensAndCloses_data();
    void stripOpensAndCloses();
    void autoRetractFifteenSecondsAfterTheSlideOut();
    void retractTick_data();
    void retractTick();
    void baseBarClickClosesAfterASecond();
    void clickDuringVerticalMotionIsIgnored_data();
    void clickDuringVerticalMotionIsIgnored();
    void nestedAnimationIsDropped_data();
    void nestedAnimationIsDropped();
    void slideAndGrowPositions_data();
    void slideAndGrowPositions();
    void growAndShrinkTicks();
    void dragByTheHandle_data();
    void dragByTheHandle();
    void stayOnTop_data();
    void stayOnTop();
    void pressBringsNotTopMostTabToFront();
    void redock_data();
    void redock();
    void slideSounds_data();
    void slideSounds();
    void switches_data();
    void switches();
};

void TestTab::init() {
    // The pointer rests on the bare desktop, where a new tab's hover strip cannot catch it.
    RealInput::moveTo(kAway);
}

void TestTab::stripOpensAndCloses_data() {
    QTest::addColumn<int>("mso");
    QTest::addColumn<bool>("click");
    QTest::addColumn<bool>("toggles");
    QTest::addColumn<int>("leastDelayMs");

    QTest::newRow("hover opening on: pointing opens, pointing at the open tab closes")
        << 1 << false << true << 0;
    QTest::newRow("hover opening off: pointing does nothing") << 0 << false << false << 0;
    QTest::newRow("hover opening off: a click opens after a second, a second click closes")
        << 0 << true << true << 1000;
}

void TestTab::stripOpensAndCloses() {
    QFETCH(int, mso);
    QFETCH(bool, click);
    QFETCH(bool, toggles);
    QFETCH(int, leastDelayMs);

    TestProgram program(TestProgram::Pace::Real);
    program.setStore({{"mso", QString::number(mso)}});
    frmMain& tab = program.start();
    MotionLog log(tab);

    // The moment the gesture is complete: the pointer has arrived, or the button is released.
    auto gesture = [&] {
        const QPoint at = stripPoint(tab);
        if (click)
            return clickAt(at, log);
        const qint64 arrived = log.now();
        RealInput::moveTo(at);
        return arrived;
    };

    const qint64 opened = gesture();
    if (!toggles) {
        // Longer than the pointing, or the second a click waits, takes to start a slide.
        settleProgramTime(1500);
        QCOMPARE(tab.Left(), kRetractedLeft);
        QCOMPARE(tab.motion().extended(), int16_t(0));
        QCOMPARE(tab.motion().once(), int16_t(0));
        QVERIFY(!log.firstAt([](const Moment& m) { return m.left != kRetractedLeft || m.once != 0; }));
        return;
    }
    QVERIFY(waitOpen(tab));
    QCOMPARE(tab.Left(), kOpenLeft);
    QCOMPARE(tab.Height(), kFullHeight);
    const auto outStart = log.firstAt([](const Moment& m) { return m.left != kRetractedLeft; }, opened);
    QVERIFY(outStart);
    QVERIFY2(*outStart - opened >= leastDelayMs, QByteArray::number(*outStart - opened));

    RealInput::moveTo(kAway);
    const qint64 closed = gesture();
    QVERIFY(waitRetracted(tab));
    // A slide-in begins by starting the shrink.
    const auto inStart = log.firstAt([](const Moment& m) { return m.shrinking; }, closed);
    QVERIFY(inStart);
    QVERIFY2(*inStart - closed >= leastDelayMs, QByteArray::number(*inStart - closed));
    QCOMPARE(tab.Height(), 1200);
    QCOMPARE(tab.motion().busy(), int16_t(0));
    QCOMPARE(tab.motion().open(), int16_t(0));
    qInfo("slide-out began %lld ms after the gesture, slide-in %lld ms after", *outStart - opened,
          *inStart - closed);
}

void TestTab::autoRetractFifteenSecondsAfterTheSlideOut() {
    TestProgram program(TestProgram::Pace::Real);
    program.setStore({{"mso", "1"}, {"atr", "1"}});
    frmMain& tab = program.start();
    MotionLog log(tab);

    RealInput::moveTo(stripPoint(tab));
    QVERIFY(waitOpen(tab));
    RealInput::moveTo(kAway);
    QVERIFY(tab.motion().TimerRetract().Enabled());
    const auto outEnd = log.firstAt([](const Moment& m) { return m.extended == -1; });
    QVERIFY(outEnd);

    QVERIFY(waitRetracted(tab, kRetractedLeft, 25000));
    const auto inStart = log.firstAt([](const Moment& m) { return m.shrinking; }, *outEnd);
    QVERIFY(inStart);
    const qint64 after = *inStart - *outEnd;
    qInfo("auto-retract began %lld ms after the slide-out ended", after);
    QVERIFY2(after >= 15000 - 20, QByteArray::number(after));
    QVERIFY2(after < 20000, QByteArray::number(after));
    QVERIFY(!tab.motion().TimerRetract().Enabled());
    QCOMPARE(tab.Height(), 1200);
}

void TestTab::retractTick_data() {
    QTest::addColumn<int>("mso");
    QTest::addColumn<int>("atr");
    QTest::addColumn<bool>("editor");
    QTest::addColumn<bool>("retracts");

    QTest::newRow("hover opening and auto-retract on") << 1 << 1 << false << true;
    QTest::newRow("auto-retract off") << 1 << 0 << false << false;
    QTest::newRow("hover opening off") << 0 << 1 << false << false;
    QTest::newRow("editor shown, then cancelled") << 1 << 1 << true << false;
}

void TestTab::retractTick() {
    QFETCH(int, mso);
    QFETCH(int, atr);
    QFETCH(bool, editor);
    QFETCH(bool, retracts);

    TestProgram program;
    program.setStore({{"mso", QString::number(mso)}, {"atr", QString::number(atr)}});
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    QVERIFY(tab.motion().TimerRetract().Enabled());
    if (editor) {
        QVERIFY(showEditor(tab, 0));
    }

    tab.motion().TimerRetract().fire();
    if (retracts) {
        QVERIFY(waitRetracted(tab));
        QVERIFY(!tab.motion().TimerRetract().Enabled());
        return;
    }
    // Many ticks of the shrink timer: a retract would have begun to move the tab.
    settleProgramTime(300);
    QCOMPARE(tab.Left(), kOpenLeft);
    QCOMPARE(tab.motion().extended(), int16_t(-1));
    QVERIFY(!tab.motion().tmrShrink().Enabled());
    QVERIFY(!tab.motion().TimerRetract().Enabled());

    if (editor) {
        // Cancel starts the count again; its tick then retracts the tab.
        RealInput::click(screenPoint(tab.input().cmdCancel));
        QTRY_VERIFY(!tab.input().isVisible());
        QVERIFY(tab.motion().TimerRetract().Enabled());
        RealInput::moveTo(kAway);
        tab.motion().TimerRetract().fire();
        QVERIFY(waitRetracted(tab));
        QVERIFY(!tab.motion().TimerRetract().Enabled());
    }
}

void TestTab::baseBarClickClosesAfterASecond() {
    TestProgram program(TestProgram::Pace::Real);
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    MotionLog log(tab);

    const qint64 released = clickAt(basePoint(tab), log);
    QVERIFY(waitRetracted(tab));
    const auto inStart = log.firstAt([](const Moment& m) { return m.shrinking; }, released);
    QVERIFY(inStart);
    qInfo("slide-in began %lld ms after the click on the base bar", *inStart - released);
    QVERIFY2(*inStart - released >= 1000, QByteArray::number(*inStart - released));
    // The click held the guard through its pause and let go of it at the end.
    QVERIFY(log.firstAt([](const Moment& m) { return m.openBusy == -1; }, released));
    QCOMPARE(tab.motion().busy(), int16_t(0));
    QCOMPARE(tab.base().Left(), tab.Left());
    QCOMPARE(tab.base().Top(), tab.Top() + 1180);
}

void TestTab::clickDuringVerticalMotionIsIgnored_data() {
    QTest::addColumn<bool>("onBase");
    QTest::addColumn<bool>("grow");

    QTest::newRow("strip, during a grow") << false << true;
    QTest::newRow("strip, during a shrink") << false << false;
    QTest::newRow("base bar, during a grow") << true << true;
    QTest::newRow("base bar, during a shrink") << true << false;
}

void TestTab::clickDuringVerticalMotionIsIgnored() {
    QFETCH(bool, onBase);
    QFETCH(bool, grow);

    TestProgram program;
    program.setStore({{"mso", "0"}});
    frmMain& tab = program.start();
    // The motion is held at its first height (its timer enabled, not ticking) while the click comes.
    Timer* motion = grow ? &tab.motion().tmrGrow() : &tab.motion().tmrShrink();
    if (grow) {
        tab.motion().tmrGrow().setInterval(0);
        tab.animation();
    } else {
        QVERIFY(slideOut(tab));
        tab.motion().tmrShrink().setInterval(0);
        tab.motion().tmrShrink().setEnabled(true);
    }
    QVERIFY(motion->Enabled());
    const int height = tab.Height();
    MotionLog log(tab);

    RealInput::click(onBase ? basePoint(tab) : stripPoint(tab));
    QCOMPARE(tab.motion().busy(), int16_t(0));
    // Longer than the second a taken click waits before the slide.
    settleProgramTime(1500);
    QCOMPARE(tab.Left(), kOpenLeft);
    QCOMPARE(tab.Height(), height);
    QCOMPARE(tab.motion().extended(), int16_t(-1));
    QCOMPARE(tab.motion().once(), int16_t(0));
    QCOMPARE(tab.motion().busy(), int16_t(0));
    QVERIFY(!log.firstAt([](const Moment& m) { return m.openBusy != 0 || m.once != 0; }));

    // Once the motion has ended, the same click is taken and closes the tab.
    motion->setInterval(15);
    QVERIFY(waitUntil([&] { return !motion->Enabled(); }));
    RealInput::click(onBase ? basePoint(tab) : stripPoint(tab));
    QVERIFY(waitRetracted(tab));
    QCOMPARE(tab.motion().busy(), int16_t(0));
}

void TestTab::nestedAnimationIsDropped_data() {
    QTest::addColumn<bool>("slidingOut");

    QTest::newRow("during a slide-out") << true;
    QTest::newRow("during a slide-in") << false;
}

void TestTab::nestedAnimationIsDropped() {
    QFETCH(bool, slidingOut);

    TestProgram program;
    frmMain& tab = program.start();
    if (!slidingOut)
        QVERIFY(slideOut(tab));
    const int from = tab.Left();
    const int to = slidingOut ? kOpenLeft : kRetractedLeft;
    const int16_t extendedBefore = tab.motion().extended();

    // A timer that calls the routine once the tab is between its two ends.
    bool called = false;
    int16_t extendedSeen = 0, onceSeen = 0;
    int leftBefore = 0, leftAfter = 0;
    QTimer nested;
    nested.setInterval(5);
    QObject::connect(&nested, &QTimer::timeout, &nested, [&] {
        if (called || tab.Left() == from || tab.Left() == to)
            return;
        called = true;
        leftBefore = tab.Left();
        tab.animation();
        leftAfter = tab.Left();
        extendedSeen = tab.motion().extended();
        onceSeen = tab.motion().once();
    });
    nested.start();
    tab.animation();
    nested.stop();

    QVERIFY(called);
    QCOMPARE(leftAfter, leftBefore);
    QCOMPARE(extendedSeen, extendedBefore);
    QCOMPARE(onceSeen, int16_t(2));
    // The running slide ended where one slide ends, and released the guard.
    QCOMPARE(tab.Left(), to);
    QCOMPARE(tab.motion().once(), int16_t(0));
    QCOMPARE(tab.motion().extended(), int16_t(slidingOut ? -1 : 0));
}

void TestTab::slideAndGrowPositions_data() {
    QTest::addColumn<int>("startLeft");
    QTest::addColumn<int>("outSteps");
    QTest::addColumn<int>("outEnd");
    QTest::addColumn<int>("inEnd");

    QTest::newRow("docked by the start-up") << 19109 << 81 << 16092 << 19109;
    QTest::newRow("docked by a re-dock") << 19110 << 81 << 16093 << 19110;
    QTest::newRow("already wholly on screen") << 16095 << 0 << 16075 << 19092;
}

void TestTab::slideAndGrowPositions() {
    QFETCH(int, startLeft);
    QFETCH(int, outSteps);
    QFETCH(int, outEnd);
    QFETCH(int, inEnd);

    TestProgram program;
    program.setStore({{"mso", "0"}});
    frmMain& tab = program.start();
    tab.setLeft(startLeft);
    tab.base().setLeft(startLeft);
    MotionLog log(tab, 0);

    clickAt(stripPoint(tab), log);
    QVERIFY(waitOpen(tab));
    const qint64 openAt = log.now();
    QCOMPARE(tab.Left(), outEnd);
    RealInput::moveTo(kAway);
    clickAt(stripPoint(tab), log);
    QVERIFY(waitRetracted(tab, inEnd));

    // Every step of both slides, in order: 37 twips each and a last 20.
    std::vector<int> lefts{startLeft};
    for (int i = 1; i <= outSteps; ++i)
        lefts.push_back(startLeft - 37 * i);
    lefts.push_back(outEnd);
    for (int i = 1; i <= 81; ++i)
        lefts.push_back(outEnd + 37 * i);
    lefts.push_back(inEnd);
    const std::vector<int> seenLefts = log.sequence(&Moment::left);
    QVERIFY2(seenLefts == lefts, difference(seenLefts, lefts));

    // The heights of the grow and the shrink on their own timers.
    std::vector<int> heights{1200};
    for (int h = 1515; h <= kFullHeight; h += 300)
        heights.push_back(h);
    for (int h = kFullHeight - 300; h >= 1815; h -= 300)
        heights.push_back(h);
    heights.push_back(1200);
    const std::vector<int> seenHeights = log.sequence(&Moment::height);
    QVERIFY2(seenHeights == heights, difference(seenHeights, heights));

    // The base bar never lags behind: same Left, and its Top where the tab's height puts it.
    for (const Moment& m : log.moments()) {
        QCOMPARE(m.baseLeft, m.left);
        QCOMPARE(m.baseTop, baseTopFor(m.top, m.height));
    }

    // The order of the motions, whatever the pace of the machine (the benchmark reports their durations):
    // the tab slides out at its handle height and grows only once it stands open; it stands still until it
    // is clicked again; the shrink starts before the slide-in moves it. Moments are compared by their place
    // in the log, since several fall within one millisecond.
    const std::vector<Moment>& moments = log.moments();
    auto indexOf = [&](const std::function<bool(const Moment&)>& holds, size_t from) {
        size_t i = from;
        while (i < moments.size() && !holds(moments[i]))
            ++i;
        return i;
    };
    const size_t slidOut = indexOf([&](const Moment& m) { return m.left == outEnd; }, 0);
    QVERIFY(slidOut < moments.size());
    for (size_t i = 0; i < slidOut; ++i) {
        QCOMPARE(moments[i].height, 1200);
        QVERIFY(!moments[i].growing);
        QCOMPARE(moments[i].extended, int16_t(0));
    }
    const size_t growBegan = indexOf([](const Moment& m) { return m.growing; }, 0);
    QVERIFY(growBegan < moments.size());
    QVERIFY(growBegan >= slidOut);
    const size_t inBegan = indexOf([&](const Moment& m) { return m.left != outEnd; }, slidOut);
    QVERIFY(inBegan < moments.size());
    QVERIFY2(moments[inBegan].ms >= openAt, QByteArray::number(moments[inBegan].ms));
    const size_t shrinkBegan = indexOf([](const Moment& m) { return m.shrinking; }, growBegan);
    QVERIFY2(shrinkBegan < inBegan,
             QByteArray::number(qulonglong(shrinkBegan)) + " " + QByteArray::number(qulonglong(inBegan)));
}

void TestTab::growAndShrinkTicks() {
    TestProgram program;
    frmMain& tab = program.start();
    // The slide-out starts the grow; held, it waits for the ticks given by hand.
    tab.motion().tmrGrow().setInterval(0);
    tab.animation();
    QVERIFY(tab.motion().tmrGrow().Enabled());
    QCOMPARE(tab.Height(), 1200);
    const int top = tab.Top();

    for (int tick = 1; tick <= 11; ++tick) {
        tab.motion().tmrGrow().fire();
        const int height = 1515 + 300 * (tick - 1);
        QCOMPARE(tab.Height(), height);
        QCOMPARE(tab.base().Top(), top + height - (tick == 1 ? 10 : 15));
        QCOMPARE(tab.height(), twipsToPixels(height));
        QVERIFY(!view(tab).imgDrag->isEnabled());
        QCOMPARE(tab.motion().open(), int16_t(0));
        QVERIFY(tab.motion().tmrGrow().Enabled());
    }
    QVERIFY(!tab.hotkeys().tmrKey().Enabled());
    tab.motion().tmrGrow().fire();
    QVERIFY(!tab.motion().tmrGrow().Enabled());
    QVERIFY(view(tab).imgDrag->isEnabled());
    QCOMPARE(tab.motion().open(), int16_t(1));
    QCOMPARE(tab.Height(), kFullHeight);
    QVERIFY(tab.hotkeys().tmrKey().Enabled());

    tab.motion().tmrShrink().setInterval(0);
    tab.motion().tmrShrink().setEnabled(true);
    for (int tick = 1; tick <= 9; ++tick) {
        tab.motion().tmrShrink().fire();
        const int height = kFullHeight - 300 * tick;
        QCOMPARE(tab.Height(), height);
        QCOMPARE(tab.base().Top(), top + height - 15);
        QVERIFY(!view(tab).imgDrag->isEnabled());
    }
    // The last moving tick passes 1515 on its way down to the handle height.
    tab.motion().tmrShrink().fire();
    QCOMPARE(tab.Height(), 1200);
    QCOMPARE(tab.base().Top(), top + 1180);
    QCOMPARE(tab.height(), twipsToPixels(1200));
    QCOMPARE(tab.motion().open(), int16_t(1));
    QVERIFY(tab.motion().tmrShrink().Enabled());
    tab.motion().tmrShrink().fire();
    QVERIFY(!tab.motion().tmrShrink().Enabled());
    QVERIFY(view(tab).imgDrag->isEnabled());
    QCOMPARE(tab.motion().open(), int16_t(0));
    QVERIFY(!tab.hotkeys().tmrKey().Enabled());
}

void TestTab::dragByTheHandle_data() {
    QTest::addColumn<int>("pressRow");
    QTest::addColumn<int>("screenRow");
    QTest::addColumn<int>("expectedTop");
    QTest::addColumn<int>("releasedTop"); // where the release leaves the tab, its handle on the screen

    // Top = screen row x 15 - (Y within the handle + 35).
    QTest::newRow("from the handle's top row to screen row 100")
        << 0 << 100 << 100 * 15 - 35 << 100 * 15 - 35;
    QTest::newRow("above the top of the screen") << 40 << 10 << 10 * 15 - (40 * 15 + 35) << 0;
}

void TestTab::dragByTheHandle() {
    QFETCH(int, pressRow);
    QFETCH(int, screenRow);
    QFETCH(int, expectedTop);
    QFETCH(int, releasedTop);

    Store stored;
    {
        TestProgram program;
        frmMain& tab = program.start();
        QVERIFY(slideOut(tab));
        const int distance = tab.base().Top() - tab.Top();
        QCOMPARE(distance, kFullHeight - 15);
        QVERIFY(tab.motion().TimerRetract().Enabled());

        // The handle's first column: further right its top rows lie under the stay-on-top and update buttons.
        const QPoint handle = view(tab).imgDrag->mapToGlobal(QPoint(1, pressRow));
        RealInput::moveTo(handle);
        RealInput::press();
        QVERIFY(!tab.motion().TimerRetract().Enabled());
        RealInput::moveTo(QPoint(handle.x(), screenRow));
        QTRY_COMPARE(tab.Top(), expectedTop);
        QCOMPARE(tab.base().Top() - tab.Top(), distance);
        QCOMPARE(tab.Left(), kOpenLeft);
        RealInput::release();

        QTRY_COMPARE(tab.Top(), releasedTop);
        QCOMPARE(tab.base().Top() - tab.Top(), distance);
        QCOMPARE(tab.state().prefs[Preferences::TabTop], int16_t(releasedTop));
        QCOMPARE(program.store().value("poy"), QString::number(releasedTop));
        QVERIFY(tab.motion().TimerRetract().Enabled());
        stored = program.store();
    }

    // The next start places the tab where the drag left it.
    TestProgram next;
    next.setStore(stored);
    frmMain& again = next.start();
    QCOMPARE(again.Top(), releasedTop);
    QCOMPARE(again.base().Top(), releasedTop + 1180);
    QCOMPARE(again.Left(), kRetractedLeft);
}

void TestTab::stayOnTop_data() {
    QTest::addColumn<int>("ont");
    QTest::addColumn<bool>("clickSwitch");
    QTest::addColumn<bool>("managedOther");
    QTest::addColumn<bool>("onTop");

    for (bool managed : {true, false}) {
        const char* other = managed ? "managed window" : "window bypassing the manager";
        QTest::addRow("on from the start, %s", other) << 1 << false << managed << true;
        QTest::addRow("off from the start, %s", other) << 0 << false << managed << false;
        QTest::addRow("switched off on the open tab, %s", other) << 1 << true << managed << false;
        QTest::addRow("switched on on the open tab, %s", other) << 0 << true << managed << true;
    }
}

void TestTab::stayOnTop() {
    QFETCH(int, ont);
    QFETCH(bool, clickSwitch);
    QFETCH(bool, managedOther);
    QFETCH(bool, onTop);

    TestProgram program;
    program.setStore({{"ont", QString::number(ont)}});
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    if (clickSwitch) {
        RealInput::click(screenPoint(view(tab).picStayOnTop));
        RealInput::moveTo(kAway);
        QCOMPARE(tab.state().prefs[Preferences::OnTop], int16_t(onTop ? 1 : 0));
    }

    // Another window comes up later across the tab and the base bar, and is activated and raised: an ordinary
    // one that the window manager stacks, or one that bypasses the manager and so maps above everything.
    QWidget other;
    if (!managedOther)
        other.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                             Qt::Tool);
    other.setWindowTitle(QStringLiteral("Another window"));
    other.setGeometry(900, 40, 360, 500);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    other.raise();
    other.activateWindow();

    auto above = [&](QWidget& window) {
        return stackPosition(window.winId()) > stackPosition(other.winId());
    };
    auto bothAbove = [&] { return above(tab) && above(tab.base()); };
    auto bothBelow = [&] { return !above(tab) && !above(tab.base()); };
    QVERIFY(stackPosition(other.winId()) >= 0);
    QVERIFY(stackPosition(tab.winId()) >= 0);
    if (onTop) {
        // Within a tick of the docking timer both are above it, and come back above when it is raised again.
        QVERIFY(waitUntil(bothAbove, 2500));
        other.raise();
        other.activateWindow();
        QVERIFY(waitUntil([&] { return other.isActiveWindow(); }, 2500));
        QVERIFY(waitUntil(bothAbove, 2500));
    } else {
        QVERIFY2(waitUntil(bothBelow, 2500), "the tab or the base bar stays above a window shown after it");
        // Over two ticks of the docking timer.
        settleProgramTime(2500);
        QVERIFY(bothBelow());
    }
}

void TestTab::pressBringsNotTopMostTabToFront() {
    TestProgram program;
    program.setStore({{"ont", "0"}});
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    // A managed window covers the lower part of the open tab and the base bar, and comes above both.
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another window"));
    other.setGeometry(900, 200, 360, 400);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    QVERIFY(tab.base().geometry().intersects(other.frameGeometry()));
    auto below = [&](QWidget& window) {
        return stackPosition(window.winId()) < stackPosition(other.winId());
    };
    QVERIFY(waitUntil([&] { return below(tab) && below(tab.base()); }, 2000));

    // A press on the part still in view (the head panel) brings the tab to the front, as for any window, and
    // the base bar with it: the two move in the stacking order together.
    RealInput::click(tab.geometry().topLeft() + QPoint(160, 66));
    QVERIFY(waitUntil([&] { return !below(tab) && !below(tab.base()); }, 2000));
    QCOMPARE(stackPosition(tab.base().winId()), stackPosition(tab.winId()) + 1);
    // They stay so until another window comes up: half a second of nothing else shows it.
    settle(500);
    QVERIFY(!below(tab) && !below(tab.base()));
    QCOMPARE(tab.state().prefs[Preferences::OnTop], int16_t(0));
}

void TestTab::redock_data() {
    QTest::addColumn<int>("ont");
    QTest::addColumn<bool>("returns");

    QTest::newRow("stay-on-top on: back at the edge") << 1 << true;
    QTest::newRow("stay-on-top off: left beyond the edge") << 0 << false;
}

void TestTab::redock() {
    QFETCH(int, ont);
    QFETCH(bool, returns);

    TestProgram program;
    program.setStore({{"ont", QString::number(ont)}, {"poy", "450"}});
    frmMain& tab = program.start();
    QCOMPARE(tab.Top(), 450);
    // The stored position changes after the start; the re-dock reads it again.
    {
        QSettings store(program.storeFile(), QSettings::IniFormat);
        store.setValue("poy", 600);
        store.sync();
    }
    tab.setTop(3000);
    tab.setLeft(kScreenWidth + 100);
    // While nothing else changes on the desktop, no tick comes to look: 1.5 s is longer than a tick at either
    // pace.
    settle(1500);
    QCOMPARE(tab.Left(), kScreenWidth + 100);

    // Another window is mapped: with stay-on-top on, the X server's report brings the docking check.
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another window"));
    other.setGeometry(200, 200, 300, 200);
    QElapsedTimer clock;
    clock.start();
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    if (returns) {
        QVERIFY(waitUntil([&] { return tab.Left() == kScreenWidth - 90; }, 2500));
        qInfo("re-docked after %lld ms", clock.elapsed());
        QCOMPARE(tab.Top(), 600);
        QCOMPARE(tab.state().prefs[Preferences::TabTop], int16_t(600));
        QCOMPARE(tab.motion().extended(), int16_t(0));
    } else {
        // Over two ticks of the docking timer.
        settleProgramTime(2500);
        QCOMPARE(tab.Left(), kScreenWidth + 100);
        QCOMPARE(tab.Top(), 3000);
    }
}

void TestTab::slideSounds_data() {
    QTest::addColumn<int>("sdo");

    QTest::newRow("sound on") << 1;
    QTest::newRow("sound off") << 0;
}

void TestTab::slideSounds() {
    QFETCH(int, sdo);

    TestProgram program(TestProgram::Pace::Real);
    // Hover opening, so that no click sound joins the motion's own.
    program.setStore({{"mso", "1"}, {"sdo", QString::number(sdo)}});
    frmMain& tab = program.start();
    SoundRecorder recorder;
    QVERIFY(recorder.start());
    QVERIFY(recorder.waitUntilQuiet());
    RealInput::moveTo(stripPoint(tab));
    QVERIFY(waitOpen(tab));
    RealInput::moveTo(kAway);
    // The recording goes on while the pointer leaves: a cue it set off would fall within half a second.
    settle(500);
    const std::vector<double> loudness = recorder.stop();
    QVERIFY(loudness.size() > 100); // the recording itself worked
    const std::vector<int> onsets = SoundRecorder::onsets(loudness);

    if (sdo == 0) {
        QCOMPARE(listed(onsets), QByteArray());
        return;
    }
    QCOMPARE(onsets.size(), size_t(2));
    const int gap = onsets[1] - onsets[0];
    const std::vector<int> lengths = stretchLengths(loudness, onsets);
    qInfo("sounds at %d and %d ms (%d ms apart), %d and %d ms long", onsets[0], onsets[1], gap, lengths[0],
          lengths[1]);
    // The slide sound, then after the slide and the one-second pause the longer grow sound.
    QVERIFY2(gap >= 1000, QByteArray::number(gap));
    QVERIFY2(gap < 3000, QByteArray::number(gap));
    QVERIFY2(lengths[0] < lengths[1], listed(lengths));
}

void TestTab::switches_data() {
    QTest::addColumn<Store>("stored");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<Looks>("looks"); // hover opening, auto-retract, stay-on-top
    QTest::addColumn<Store>("storedAfter");
    QTest::addColumn<bool>("retractTimer");
    QTest::addColumn<int>("autoRetractEnabled"); // the motion's flag: -1 when the retract may run
    QTest::addColumn<int>("onTopInterval");      // the docking timer's interval once settled, ms

    using L = SwitchLook;
    const Store all{{"mso", "0"}, {"atr", "0"}, {"ont", "1"}};
    auto with = [&](Store values) {
        Store result = all;
        for (auto it = values.begin(); it != values.end(); ++it)
            result.insert(it.key(), it.value());
        return result;
    };
    QTest::newRow("hover opening on") << with({}) << QStringList{"mouseover"} << Looks{L::On, L::Off, L::On}
                                      << with({{"mso", "1"}}) << true << -1 << 0;
    QTest::newRow("hover opening on shows the kept auto-retract")
        << with({{"atr", "1"}}) << QStringList{"mouseover"} << Looks{L::On, L::On, L::On}
        << with({{"mso", "1"}, {"atr", "1"}}) << true << -1 << 0;
    QTest::newRow("hover opening off")
        << with({{"mso", "1"}, {"atr", "1"}}) << QStringList{"mouseover"} << Looks{L::Off, L::Dimmed, L::On}
        << with({{"atr", "1"}}) << false << 0 << 0;
    QTest::newRow("hover opening on and off again")
        << with({}) << QStringList{"mouseover", "mouseover"} << Looks{L::Off, L::Dimmed, L::On} << with({})
        << true << 0 << 0;
    QTest::newRow("auto-retract on") << with({{"mso", "1"}}) << QStringList{"autoretract"}
                                     << Looks{L::On, L::On, L::On} << with({{"mso", "1"}, {"atr", "1"}})
                                     << true << -1 << 0;
    QTest::newRow("auto-retract off")
        << with({{"mso", "1"}, {"atr", "1"}}) << QStringList{"autoretract"} << Looks{L::On, L::Off, L::On}
        << with({{"mso", "1"}}) << false << -1 << 0;
    QTest::newRow("auto-retract ignored while hover opening is off")
        << with({{"atr", "1"}}) << QStringList{"autoretract"} << Looks{L::Off, L::Dimmed, L::On}
        << with({{"atr", "1"}}) << false << 0 << 0;
    QTest::newRow("stay-on-top off") << with({}) << QStringList{"stayontop"}
                                     << Looks{L::Off, L::Dimmed, L::Off} << with({{"ont", "0"}}) << false << 0
                                     << 0;
    QTest::newRow("stay-on-top on") << with({{"ont", "0"}}) << QStringList{"stayontop"}
                                    << Looks{L::Off, L::Dimmed, L::On} << with({}) << false << 0 << 0;
}

void TestTab::switches() {
    QFETCH(Store, stored);
    QFETCH(QStringList, clicks);
    QFETCH(Looks, looks);
    QFETCH(Store, storedAfter);
    QFETCH(bool, retractTimer);
    QFETCH(int, autoRetractEnabled);
    QFETCH(int, onTopInterval);

    TestProgram program;
    program.setStore(stored);
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    // The slide-out started the retract timer; see whether a switch starts it.
    tab.motion().TimerRetract().setEnabled(false);

    const QMap<QString, PictureBox*> buttons{{"mouseover", view(tab).picMouseover},
                                             {"autoretract", view(tab).picAutoRetract},
                                             {"stayontop", view(tab).picStayOnTop}};
    for (const QString& name : clicks) {
        RealInput::click(screenPoint(buttons.value(name)));
        RealInput::moveTo(kAway);
    }

    QCOMPARE((Looks{tab.motion().hoverOpenLook(), tab.motion().autoRetractLook(), tab.stayOnTop().look()}),
             looks);
    QVERIFY(showsLook(tab, view(tab).picMouseover, Switch::HoverOpen, looks[0]));
    QVERIFY(showsLook(tab, view(tab).picAutoRetract, Switch::AutoRetract, looks[1]));
    QVERIFY(showsLook(tab, view(tab).picStayOnTop, Switch::StayOnTop, looks[2]));
    const Store now = program.store();
    for (const QString& key : {QStringLiteral("mso"), QStringLiteral("atr"), QStringLiteral("ont")})
        QCOMPARE(now.value(key), storedAfter.value(key));
    QCOMPARE(tab.state().prefs[Preferences::HoverOpen], int16_t(storedAfter.value("mso").toInt()));
    QCOMPARE(tab.state().prefs[Preferences::AutoRetract], int16_t(storedAfter.value("atr").toInt()));
    QCOMPARE(tab.state().prefs[Preferences::OnTop], int16_t(storedAfter.value("ont").toInt()));
    QCOMPARE(tab.motion().autoRetractEnabled(), int16_t(autoRetractEnabled));
    // No switch leaves the stay-on-top tick running every second: it runs on the X server's reports, and once
    // a second after the switch is turned on.
    QVERIFY(tab.stayOnTop().eventDriven());
    QVERIFY(waitUntil([&] { return tab.stayOnTop().tmrOnTop().Interval() == onTopInterval; }, 2000));
    QCOMPARE(tab.motion().TimerRetract().Enabled(), retractTimer);
    // The tab stayed open throughout.
    QCOMPARE(tab.Left(), kOpenLeft);
}

QTEST_MAIN(TestTab)
#include "test_tab.moc"
