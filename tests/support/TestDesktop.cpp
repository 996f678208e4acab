#include "TestDesktop.h"
#include "forms/TimeScale.h"

#include "app/frmMain.h"
#include "platform/null/NullInstances.h"
#include "platform/qt/DesktopShell.h"
#include "platform/qt/FileSettingsBackend.h"
#include "platform/qt/QtSoundOutput.h"
#include "platform/x11/X11KeyProbe.h"
#include "platform/x11/X11WindowStacking.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QThread>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cmath>

namespace {
Display* display() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}
} // namespace

TestProgram::TestProgram(Pace pace) : state_(std::make_unique<AppState>()) {
    TimeScale::setFactor(pace == Pace::Fast ? kFastPace : 1.0);
    QDir(program_.path()).mkpath(QStringLiteral("data/links"));
    QDir(program_.path()).mkpath(QStringLiteral("data/sounds"));
    for (const char* name : {"button.wav", "scroll.wav", "min.wav"})
        QFile::copy(QStringLiteral(BRIMVEL_BUILD_DIR "/data/sounds/") + QLatin1String(name),
                    program_.path() + QStringLiteral("/data/sounds/") + QLatin1String(name));
    state_->programFolder = program_.path();
    state_->services.settings = std::make_unique<FileSettingsBackend>(config_.path());
    state_->services.shell = std::make_unique<DesktopShell>();
    state_->services.sound = std::make_unique<QtSoundOutput>();
    state_->services.stacking = std::make_unique<X11WindowStacking>();
    RealInput::setNumLock(true);
    state_->services.keys = std::make_unique<X11KeyProbe>();
    state_->services.instances = std::make_unique<NullInstances>();
}

TestProgram::~TestProgram() {
    tab_.reset();
    state_.reset();
    TimeScale::setFactor(1.0);
}

QString TestProgram::storeFile() const {
    return config_.path() + QStringLiteral("/Brimvel-Blue.conf");
}

QString TestProgram::linkFile() const {
    return program_.path() + QStringLiteral("/data/links/plink.dat");
}

QMap<QString, QString> TestProgram::store() const {
    QMap<QString, QString> values;
    QSettings file(storeFile(), QSettings::IniFormat);
    for (const QString& key : file.allKeys())
        values.insert(key, file.value(key).toString());
    return values;
}

void TestProgram::setStore(const QMap<QString, QString>& values) {
    QSettings file(storeFile(), QSettings::IniFormat);
    file.clear();
    for (auto it = values.begin(); it != values.end(); ++it)
        file.setValue(it.key(), it.value());
    file.sync();
}

void TestProgram::writeLinks(const QByteArray& iniText) {
    QFile file(linkFile());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(iniText);
}

frmMain& TestProgram::start() {
    tab_ = std::make_unique<frmMain>(*state_);
    tab_->Form_Load();
    if (!QTest::qWaitForWindowExposed(tab_.get()))
        qWarning("the tab window was not exposed");
    return *tab_;
}

QStringList openedAddresses() {
    QFile log(QString::fromLocal8Bit(qgetenv("BRIMVEL_OPEN_LOG")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void clearOpenedAddresses() {
    QFile::remove(QString::fromLocal8Bit(qgetenv("BRIMVEL_OPEN_LOG")));
}

bool waitForOpened(int count, int ms) {
    return waitUntil([count] { return openedAddresses().size() >= count; }, ms);
}

bool waitUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

void settle(int ms) {
    QTest::qWait(ms);
}

namespace RealInput {

void moveTo(QPoint p) {
    XTestFakeMotionEvent(display(), -1, p.x(), p.y(), CurrentTime);
    XSync(display(), False);
    settle(30);
}

void press(int button) {
    XTestFakeButtonEvent(display(), static_cast<unsigned>(button), True, CurrentTime);
    XSync(display(), False);
    settle(30);
}

void release(int button) {
    XTestFakeButtonEvent(display(), static_cast<unsigned>(button), False, CurrentTime);
    XSync(display(), False);
    settle(30);
}

void click(QPoint p, int button) {
    moveTo(p);
    press(button);
    release(button);
}

void key(unsigned long keysym, bool down) {
    const KeyCode code = XKeysymToKeycode(display(), keysym);
    XTestFakeKeyEvent(display(), code, down ? True : False, CurrentTime);
    XSync(display(), False);
}

void tapKey(unsigned long keysym) {
    key(keysym, true);
    key(keysym, false);
}

void setNumLock(bool on) {
    const unsigned int numLock = XkbKeysymToModifiers(display(), XK_Num_Lock);
    XkbLockModifiers(display(), XkbUseCoreKbd, numLock, on ? numLock : 0);
    XSync(display(), False);
}

} // namespace RealInput

struct SoundRecorder::Impl {
    QProcess parec;
    QElapsedTimer clock;
};

SoundRecorder::SoundRecorder() : impl_(std::make_unique<Impl>()) {}

SoundRecorder::~SoundRecorder() {
    if (impl_->parec.state() != QProcess::NotRunning) {
        impl_->parec.kill();
        impl_->parec.waitForFinished(2000);
    }
}

void SoundRecorder::start() {
    const QString sink = QString::fromLocal8Bit(qgetenv("BRIMVEL_SINK"));
    impl_->parec.start(QStringLiteral("parec"),
                       {QStringLiteral("--device=") + sink + QStringLiteral(".monitor"),
                        QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                        QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
                        QStringLiteral("--latency-msec=10")});
    impl_->parec.waitForStarted(3000);
    // The monitor delivers samples (silence too) once the stream is connected: wait for the first ones.
    QByteArray first;
    waitUntil(
        [this, &first] {
            first += impl_->parec.readAllStandardOutput();
            return first.size() > 4410;
        },
        5000);
    if (first.isEmpty())
        qWarning("parec delivered nothing: %s", impl_->parec.readAllStandardError().constData());
    impl_->clock.start();
}

std::vector<double> SoundRecorder::stop() {
    settle(200);
    const QByteArray raw = impl_->parec.readAllStandardOutput();
    impl_->parec.terminate();
    impl_->parec.waitForFinished(2000);
    const QByteArray rest = impl_->parec.readAllStandardOutput();
    const QByteArray all = raw + rest;
    const auto* samples = reinterpret_cast<const int16_t*>(all.constData());
    const size_t count = static_cast<size_t>(all.size()) / 2;
    constexpr size_t window = 441; // 10 ms
    std::vector<double> loudness;
    for (size_t start = 0; start + window <= count; start += window) {
        double sum = 0;
        for (size_t i = start; i < start + window; ++i)
            sum += double(samples[i]) * samples[i];
        loudness.push_back(std::sqrt(sum / window));
    }
    return loudness;
}

std::vector<int> SoundRecorder::onsets(const std::vector<double>& loudness, double threshold, int gapMs) {
    std::vector<int> result;
    int lastLoud = -100000;
    for (size_t i = 0; i < loudness.size(); ++i) {
        if (loudness[i] < threshold)
            continue;
        const int ms = static_cast<int>(i) * 10;
        if (ms - lastLoud > gapMs)
            result.push_back(ms);
        lastLoud = ms;
    }
    return result;
}
