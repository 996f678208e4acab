// SPDX-License-Identifier: MIT
// Window shape from the skin bitmap, the event-dispatching pause, the key probe and the sound cues.

#include "app/frmMain.h"
#include "core/Twips.h"
#include "forms/Form.h"
#include "forms/Pause.h"
#include "forms/PictureBox.h"
#include "panel/Hotkeys.h"
#include "platform/x11/QtX11Display.h"
#include "shape/ApplySkin.h"
#include "shape/OutlineScan.h"
#include "support/Stacking.h"
#include "support/TestDesktop.h"
#include "tab/frmBase.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <X11/keysym.h>

namespace {
using Rows = QList<QPair<int, QPair<int, int>>>; // row, first and last opaque column

// Every opaque column of every row of a region, as row -> (first, last) with one run per row.
QString describe(const QRegion& region, int rows, int cols) {
    QStringList out;
    for (int y = 0; y < rows; ++y) {
        QString line;
        for (int x = 0; x < cols; ++x) {
            const bool in = region.contains(QPoint(x, y));
            const bool before = x > 0 && region.contains(QPoint(x - 1, y));
            if (in && !before)
                line += QString("%1..").arg(x);
            if (!in && before)
                line += QString("%1 ").arg(x - 1);
        }
        if (region.contains(QPoint(cols - 1, y)))
            line += QString("%1 ").arg(cols - 1);
        out << QString("%1:%2").arg(y).arg(line.trimmed());
    }
    return out.join('\n');
}

QString expected(const Rows& table, int rows) {
    QStringList out;
    for (int y = 0; y < rows; ++y) {
        QString line;
        for (const auto& r : table)
            if (r.first == y)
                line = QString("%1..%2").arg(r.second.first).arg(r.second.second);
        out << QString("%1:%2").arg(y).arg(line);
    }
    return out.join('\n');
}

Rows rangeRows(int from, int to, int first, int last) {
    Rows rows;
    for (int y = from; y <= to; ++y)
        rows.append({y, {first, last}});
    return rows;
}

// A window that records where the pointer pressed it.
class Catcher : public QWidget {
public:
    QList<QPoint> presses;

protected:
    void mousePressEvent(QMouseEvent* e) override { presses << e->globalPosition().toPoint(); }
};
} // namespace

class TestShape : public QObject {
    Q_OBJECT

private slots:
    void fixtures_data();
    void fixtures();
    void realSkinsHaveTheirOutline();
    void clickThroughTransparentPixelReachesTheWindowBeneath();
    void pauseDispatchesTimerTicks();
    void pauseOfZeroOrLessReturnsAtOnce_data();
    void pauseOfZeroOrLessReturnsAtOnce();
    void keyPressedThroughRealKeys();
    void cues_data();
    void cues();
};

void TestShape::fixtures_data() {
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("colourIn");
    QTest::addColumn<QString>("outline");
    QTest::addColumn<int>("colourOut");

    QImage solid(4, 3, QImage::Format_RGB32);
    solid.fill(qRgb(10, 20, 30));
    // No pixel of the transparent colour (the top-left pixel is sampled, so pass another colour).
    QTest::newRow("no transparent pixel") << solid << 0x00FF00 << "0:0..3\n1:0..3\n2:0..3" << 0x00FF00;

    QImage split(5, 3, QImage::Format_RGB32);
    split.fill(qRgb(0, 255, 0));
    for (int x = 1; x < 4; ++x) {
        split.setPixel(x, 0, qRgb(200, 0, 0));
        split.setPixel(x, 2, qRgb(200, 0, 0));
    }
    QTest::newRow("all-transparent row splits the window") << split << 0 << "0:1..3\n1:\n2:1..3" << 0x00FF00;

    QImage black(4, 2, QImage::Format_RGB32);
    black.fill(qRgb(0, 0, 0));
    black.setPixel(2, 0, qRgb(255, 255, 255));
    black.setPixel(1, 1, qRgb(255, 255, 255));
    QTest::newRow("black top-left pixel is sampled") << black << 0 << "0:2..2\n1:1..1" << 0;

    QImage edge(5, 2, QImage::Format_RGB32);
    edge.fill(qRgb(0, 255, 0));
    for (int x = 2; x < 5; ++x)
        edge.setPixel(x, 0, qRgb(1, 2, 3));
    edge.setPixel(0, 1, qRgb(9, 9, 9));
    edge.setPixel(4, 1, qRgb(9, 9, 9));
    QTest::newRow("run reaching the right edge") << edge << 0 << "0:2..4\n1:0..0 4..4" << 0x00FF00;
}

void TestShape::fixtures() {
    QFETCH(QImage, image);
    QFETCH(int, colourIn);
    QFETCH(QString, outline);
    QFETCH(int, colourOut);

    Picture picture{QPixmap::fromImage(image)};
    Form window(true);
    PictureBox box(&window, 0, 0, 15, 15, &picture);
    int32_t colour = colourIn;
    ApplySkin(window, box, colour);

    QCOMPARE(window.Width(), image.width() * 15);
    QCOMPARE(window.Height(), image.height() * 15);
    QCOMPARE(box.Width(), image.width() * 15);
    QVERIFY(box.picture() == nullptr); // the carrier's picture is cleared
    QVERIFY(window.isVisible());
    QCOMPARE(describe(window.mask(), image.height(), image.width()).replace(QRegularExpression(" +\n"), "\n"),
             outline);
    // A colour below 1 is replaced by the sampled one: black samples as 0, which stays 0.
    if (colourIn < 1)
        QCOMPARE(colour, colourOut);
    else
        QCOMPARE(colour, colourIn);
}

void TestShape::realSkinsHaveTheirOutline() {
    TestProgram program;
    frmMain& tab = program.start();

    Rows tabRows = {{1, {2, 204}}, {78, {2, 204}}, {300, {13, 176}}};
    tabRows += rangeRows(2, 77, 1, 205);
    tabRows += rangeRows(80, 299, 12, 177);
    QCOMPARE(describe(tab.mask(), 302, 207).replace(QRegularExpression(" +\n"), "\n").trimmed(),
             expected(tabRows, 302));

    Rows baseRows = rangeRows(2, 29, 12, 177);
    baseRows.append({30, {13, 176}});
    QCOMPARE(describe(tab.base().mask(), 34, 207).replace(QRegularExpression(" +\n"), "\n").trimmed(),
             expected(baseRows, 34));
    QCOMPARE(tab.base().Width(), 3105);
    QCOMPARE(tab.base().Height(), 510);
}

void TestShape::clickThroughTransparentPixelReachesTheWindowBeneath() {
    Catcher beneath;
    beneath.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    beneath.setGeometry(100, 100, 300, 300);
    beneath.show();
    QVERIFY(QTest::qWaitForWindowExposed(&beneath));

    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(qRgb(0, 255, 0));
    for (int y = 0; y < 40; ++y)
        for (int x = 20; x < 40; ++x)
            image.setPixel(x, y, qRgb(30, 60, 120));
    Picture picture{QPixmap::fromImage(image)};
    Form skinned(true);
    PictureBox box(&skinned, 0, 0, 15, 15, &picture);
    box.hide(); // the carrier of the skin is never shown
    skinned.setLeft(150 * 15);
    skinned.setTop(150 * 15);
    int32_t colour = 0;
    ApplySkin(skinned, box, colour);
    QVERIFY(QTest::qWaitForWindowExposed(&skinned));
    skinned.raise();
    QVERIFY(
        waitUntil([&] { return Stacking::isAbove(qtX11Display(), skinned.winId(), beneath.winId()); }, 2000));

    int skinnedPresses = 0;
    skinned.onMouseDown = [&](int, int, double, double) { ++skinnedPresses; };

    RealInput::click(QPoint(155, 160)); // a transparent pixel of the skinned window
    QTRY_COMPARE(beneath.presses.size(), 1);
    QCOMPARE(beneath.presses.first(), QPoint(155, 160));
    QCOMPARE(skinnedPresses, 0);

    RealInput::click(QPoint(180, 160)); // an opaque one
    QTRY_COMPARE(skinnedPresses, 1);
    QCOMPARE(beneath.presses.size(), 1);
}

void TestShape::pauseDispatchesTimerTicks() {
    int ticks = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(15);
    QElapsedTimer clock;
    clock.start();
    Pause(1);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 1000, qPrintable(QString::number(elapsed)));
    QVERIFY2(ticks >= 20, qPrintable(QString("only %1 ticks").arg(ticks)));
}

void TestShape::pauseOfZeroOrLessReturnsAtOnce_data() {
    QTest::addColumn<int>("seconds");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -5;
}

void TestShape::pauseOfZeroOrLessReturnsAtOnce() {
    QFETCH(int, seconds);
    bool dispatched = false;
    QTimer::singleShot(0, [&] { dispatched = true; });
    Pause(static_cast<int16_t>(seconds));
    QVERIFY(!dispatched);
    QTRY_VERIFY(dispatched);
}

void TestShape::keyPressedThroughRealKeys() {
    TestProgram program;
    KeyProbe* probe = program.state().services.keys.get();
    probe->setActive(true);
    // Two scans of the number pad at the program's own pace before the reads start.
    settle(100);
    KeyPressed(probe, 0x63); // forget anything earlier

    // A tap between two scans counts once.
    RealInput::tapKey(XK_KP_3);
    // One scan of the number pad (50 ms at the program's own pace) passes before the reads.
    settle(50);
    QCOMPARE(KeyPressed(probe, 0x63), int16_t(-1));
    QCOMPARE(KeyPressed(probe, 0x63), int16_t(0));

    // A held key counts at every scan.
    RealInput::key(XK_KP_5, true);
    // Held over a scan of the number pad.
    settle(50);
    for (int scan = 0; scan < 3; ++scan)
        QCOMPARE(KeyPressed(probe, 0x65), int16_t(-1));
    RealInput::key(XK_KP_5, false);
    // Released over a scan of the number pad.
    settle(50);
    KeyPressed(probe, 0x65);
    QCOMPARE(KeyPressed(probe, 0x65), int16_t(0));

    // Main-row digits are not number-pad digits.
    RealInput::tapKey(XK_3);
    RealInput::tapKey(XK_0);
    // A scan of the number pad: a main-row digit taken for a number-pad one would show.
    settle(50);
    QCOMPARE(KeyPressed(probe, 0x63), int16_t(0));
    QCOMPARE(KeyPressed(probe, 0x60), int16_t(0));
    probe->setActive(false);
}

void TestShape::cues_data() {
    QTest::addColumn<int>("soundOn");
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<bool>("heard");
    QTest::newRow("sound on plays the cue") << 1 << true << true;
    QTest::newRow("sound off is silent") << 0 << true << false;
    QTest::newRow("missing file is silent") << 1 << false << false;
}

void TestShape::cues() {
    QFETCH(int, soundOn);
    QFETCH(bool, fileThere);
    QFETCH(bool, heard);
    TestProgram program;
    frmMain& tab = program.start();
    tab.state().prefs.set(Preferences::Sound, static_cast<int16_t>(soundOn));
    if (!fileThere)
        QVERIFY(QFile::remove(program.programFolder() + "/data/sounds/scroll.wav"));

    // The cue of the row before has died away.
    SoundRecorder recorder;
    QVERIFY(recorder.start());
    QVERIFY(recorder.waitUntilQuiet());
    tab.playCue("/data/sounds/scroll.wav");
    auto soundHeard = [&] {
        return !SoundRecorder::onsets(SoundRecorder::loudness(recorder.samplesSoFar())).empty();
    };
    if (heard)
        QVERIFY(waitUntil(soundHeard, 3000));
    else
        settle(700); // longer than a cue takes to come out of the sound server
    const auto loudness = recorder.stop();
    const bool anything = !SoundRecorder::onsets(loudness).empty();
    // The recording itself worked: it heard the cue, or it covers the time a cue would have sounded.
    QVERIFY(anything || loudness.size() > 50);
    QCOMPARE(anything, heard);
}

QTEST_MAIN(TestShape)
#include "test_shape.moc"
