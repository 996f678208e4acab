// SPDX-License-Identifier: MIT
// The sound output under the load people put on it: thousands of cues, a cue asked for while another plays,
// presses in quick succession, cues while a dialog's or a pause's own event loop runs, and the sound server
// going away and coming back. The program must stay alive throughout, and afterwards a cue must be heard
// again. Run under the sanitizers too (make test-sanitize), where a use of a freed audio stream shows at
// once.

#include "platform/qt/QtSoundOutput.h"
#include "support/SoundRecorder.h"
#include "support/TestDesktop.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

const QStringList kCues = {QStringLiteral(BRIMVEL_BUILD_DIR "/data/sounds/button.wav"),
                           QStringLiteral(BRIMVEL_BUILD_DIR "/data/sounds/scroll.wav"),
                           QStringLiteral(BRIMVEL_BUILD_DIR "/data/sounds/min.wav")};

// Runs the event loop for `ms` (0: only what is pending now).
void spin(int ms) {
    if (ms <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The session's sound server: its process id and command line, read from its pid file.
struct SoundServer {
    qint64 pid = 0;
    QStringList command;

    static SoundServer find() {
        SoundServer server;
        QFile pidFile(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/pulse/pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            return server;
        server.pid = pidFile.readAll().trimmed().toLongLong();
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(server.pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray& part : cmdline.readAll().split('\0'))
            if (!part.isEmpty())
                server.command << QString::fromLocal8Bit(part);
        return server;
    }
};

bool serverAnswers() {
    QProcess info;
    info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    return info.waitForFinished(3000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0;
}

} // namespace

class TestSoundStress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cuesAsPeopleCauseThem_data();
    void cuesAsPeopleCauseThem();
    void cuesInsideADialog();
    void soundServerRestarts();
    void cleanupTestCase();

private:
    // Asks for `count` cues, a random one each time, with a random wait of `minGapMs`..`maxGapMs` between.
    void playMany(int count, int minGapMs, int maxGapMs);
    // A cue is heard again, to its end: the output still works after what came before.
    void cueIsHeard();

    QtSoundOutput sound;
    QRandomGenerator random{20261210};
    qint64 startedServer = 0; // a sound server this test started, stopped at its end
};

void TestSoundStress::initTestCase() {
    for (const QString& cue : kCues)
        QVERIFY2(QFile::exists(cue), qPrintable(cue));
    QVERIFY2(serverAnswers(), "no sound server: run under tests/desktop.sh");
}

void TestSoundStress::playMany(int count, int minGapMs, int maxGapMs) {
    for (int i = 0; i < count; ++i) {
        sound.play(kCues[int(random.bounded(kCues.size()))]);
        spin(minGapMs + int(random.bounded(maxGapMs - minGapMs + 1)));
    }
}

void TestSoundStress::cueIsHeard() {
    SoundRecorder recording;
    QVERIFY(recording.start());
    QVERIFY2(recording.waitUntilQuiet(300, 8000), "the cues asked for before never ended");
    sound.play(kCues[0]);
    QVERIFY2(waitUntil([&] { return !SoundRecorder::silent(SoundRecorder::tones(recording.samplesSoFar())); },
                       5000),
             "no cue was heard after the load");
}

void TestSoundStress::cuesAsPeopleCauseThem_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("minGapMs");
    QTest::addColumn<int>("maxGapMs");
    QTest::newRow("presses in quick succession") << 1500 << 0 << 2;
    QTest::newRow("a cue during a cue") << 300 << 5 << 120;
    QTest::newRow("cues as the stream closes") << 40 << 250 << 450; // around the end of the trailing silence
}

void TestSoundStress::cuesAsPeopleCauseThem() {
    QFETCH(int, count);
    QFETCH(int, minGapMs);
    QFETCH(int, maxGapMs);
    playMany(count, minGapMs, maxGapMs);
    cueIsHeard();
}

// A message box's own event loop (and the program's pauses, which run one too) delivers the audio stream's
// state changes while cues are asked for from timers.
void TestSoundStress::cuesInsideADialog() {
    int played = 0;
    QTimer cues;
    cues.setInterval(3);
    QObject::connect(&cues, &QTimer::timeout, [&] {
        sound.play(kCues[int(random.bounded(kCues.size()))]);
        ++played;
        if (played % 50 == 0) {
            // A pause inside the dialog: one more nested loop.
            QEventLoop pause;
            QTimer::singleShot(20, &pause, &QEventLoop::quit);
            pause.exec();
        }
    });
    QMessageBox box(QMessageBox::Question, QStringLiteral("Brimvel"), QStringLiteral("Stress"),
                    QMessageBox::Yes | QMessageBox::No);
    QTimer::singleShot(0, &cues, [&] { cues.start(); });
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (played >= 600)
            box.done(QMessageBox::No);
    });
    closer.start(50);
    box.exec();
    cues.stop();
    QVERIFY(played >= 600);
    cueIsHeard();
}

// The sound server ends while cues play, and a new one starts: cues asked for meanwhile are skipped, and once
// the server is back a cue is heard again.
void TestSoundStress::soundServerRestarts() {
    const SoundServer server = SoundServer::find();
    QVERIFY2(server.pid > 0 && !server.command.isEmpty(), "the sound server's pid file was not found");

    playMany(40, 0, 30);
    QVERIFY(::kill(pid_t(server.pid), SIGKILL) == 0);
    QVERIFY(waitUntil([&] { return !QFile::exists(QStringLiteral("/proc/%1").arg(server.pid)); }, 5000));
    playMany(200, 0, 5); // no server at all

    QProcess restarted;
    restarted.setProgram(server.command.first());
    restarted.setArguments(server.command.mid(1));
    restarted.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    restarted.setStandardOutputFile(QProcess::nullDevice());
    // Started detached, so it outlives the QProcess; this test stops it at its end.
    QVERIFY(restarted.startDetached(&startedServer));
    for (int i = 0; i < 200 && !serverAnswers(); ++i)
        playMany(5, 0, 10); // cues while the server comes up
    QVERIFY2(serverAnswers(), "the sound server did not come back");
    QProcess setDefault;
    setDefault.start(QStringLiteral("pactl"),
                     {QStringLiteral("set-default-sink"), qEnvironmentVariable("BRIMVEL_SINK")});
    QVERIFY(setDefault.waitForFinished(3000));

    playMany(300, 0, 20);
    cueIsHeard();
}

void TestSoundStress::cleanupTestCase() {
    if (startedServer > 0)
        ::kill(pid_t(startedServer), SIGTERM);
}

QTEST_MAIN(TestSoundStress)
#include "test_sound_stress.moc"
