// SPDX-License-Identifier: MIT
#include "TestDesktop.h"
#include "core/TimeScale.h"

#include "app/frmMain.h"
#include "core/FileSettingsBackend.h"
#include "platform/null/NullInstances.h"
#include "platform/qt/DesktopShell.h"
#include "platform/qt/QtSoundOutput.h"
#include "platform/x11/X11KeyProbe.h"
#include "platform/x11/X11WindowStacking.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
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
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace {
Display* display() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// The X server answers requests and sends events in order on one connection: a property changed on a window
// of its own comes back as a PropertyNotify after every event the server produced for this process before it.
// Once that notification has passed through Qt's event handling, so have they.
class EventBarrier : public QAbstractNativeEventFilter {
public:
    static EventBarrier& instance() {
        static EventBarrier* barrier = new EventBarrier;
        return *barrier;
    }

    bool pass(int ms = 5000) {
        const long value = 0;
        XChangeProperty(display(), window_, atom_, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
        XFlush(display());
        const quint64 wanted = ++sent_;
        const bool passed = waitUntil([&] { return seen_ >= wanted; }, ms);
        // Qt hands the window events it read on to the widgets at the end of a pass of the event loop.
        QCoreApplication::processEvents();
        return passed;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
        if (notify->window != window_ || notify->atom != atom_)
            return false;
        ++seen_;
        return true;
    }

private:
    EventBarrier() {
        window_ = XCreateSimpleWindow(display(), DefaultRootWindow(display()), -10, -10, 1, 1, 0, 0, 0);
        XSelectInput(display(), window_, PropertyChangeMask);
        atom_ = XInternAtom(display(), "_BRIMVEL_TEST_BARRIER", False);
        XSync(display(), False);
        qApp->installNativeEventFilter(this);
    }

    Window window_ = 0;
    Atom atom_ = 0;
    quint64 sent_ = 0;
    quint64 seen_ = 0;
};

// Counts the mouse presses and releases delivered to the widgets of this process.
class ButtonEvents : public QObject {
public:
    static ButtonEvents& instance() {
        static ButtonEvents* events = new ButtonEvents;
        return *events;
    }
    quint64 count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
            type == QEvent::MouseButtonDblClick)
            ++count_;
        return false;
    }

private:
    ButtonEvents() { qApp->installEventFilter(this); }
    quint64 count_ = 0;
};

// Whether a button event at the pointer comes to this process: a window of ours lies under it, or a popup or
// a widget of ours holds the pointer.
bool buttonComesHere() {
    if (QApplication::activePopupWidget() || QWidget::mouseGrabber())
        return true;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    XQueryPointer(display(), DefaultRootWindow(display()), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return QGuiApplication::topLevelAt(QPoint(rootX, rootY)) != nullptr;
}

// Sends a button event and waits until it has been handled: by a widget of ours when it comes here (a window
// manager holding a passive grab hands it on a moment later), otherwise until the server's events before it
// have passed.
void button(int button, bool down, bool toThisProcess) {
    ButtonEvents& events = ButtonEvents::instance();
    const quint64 before = events.count();
    const bool expected = toThisProcess && buttonComesHere();
    XTestFakeButtonEvent(display(), static_cast<unsigned>(button), down ? True : False, CurrentTime);
    XSync(display(), False);
    EventBarrier::instance().pass();
    if (expected)
        waitUntil([&] { return events.count() > before; });
    // A moment for the other programs it reaches (the window manager, a drag source) to act on it: what they
    // do with it cannot be seen from here.
    settle(30);
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
        QTest::qFail("the tab window was not exposed", __FILE__, __LINE__);
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

void settleProgramTime(int ms) {
    settle(TimeScale::scaled(ms));
}

QPoint screenPoint(const QWidget* widget, std::optional<QPoint> local) {
    return widget->mapToGlobal(local.value_or(widget->rect().center()));
}

bool slideOut(frmMain& tab) {
    tab.animation();
    return waitUntil(
        [&] {
            TabMotion& motion = tab.motion();
            return motion.open() == 1 && motion.extended() == -1 && motion.once() == 0 &&
                   !motion.tmrGrow().Enabled() && tab.isVisible() &&
                   tab.geometry().right() == QGuiApplication::primaryScreen()->geometry().right();
        },
        10000);
}

bool showEditor(frmMain& tab, int slot) {
    tab.picLinkLight_Click(slot);
    frmInput& editor = tab.input();
    // The window manager places the dialog when it maps it; the dialog then centres itself.
    return QTest::qWaitForWindowActive(&editor) &&
           waitUntil([&] { return editor.isVisible() && editor.pos() == QPoint(444, 467); }, 2000);
}

namespace RealInput {

void moveTo(QPoint p) {
    XTestFakeMotionEvent(display(), -1, p.x(), p.y(), CurrentTime);
    XSync(display(), False);
    EventBarrier::instance().pass();
    // As for a button: other programs the motion reaches act on it out of sight.
    settle(30);
}

void press(int number) {
    button(number, true, true);
}

void release(int number) {
    button(number, false, true);
}

void releaseFromGrab(int number) {
    button(number, false, false);
}

bool handled(int ms) {
    return EventBarrier::instance().pass(ms);
}

bool waitForKeyboardGrab(int ms) {
    // A connection of its own asks to grab the keyboard for a window that is never mapped: the server answers
    // AlreadyGrabbed while another client holds the grab and NotViewable otherwise, so the probe never takes
    // it.
    static Display* probe = XOpenDisplay(nullptr);
    static const Window unmapped =
        probe ? XCreateSimpleWindow(probe, DefaultRootWindow(probe), -10, -10, 1, 1, 0, 0, 0) : 0;
    if (!probe)
        return false;
    return waitUntil(
        [&] {
            const int status =
                XGrabKeyboard(probe, unmapped, False, GrabModeAsync, GrabModeAsync, CurrentTime);
            if (status == GrabSuccess)
                XUngrabKeyboard(probe, CurrentTime);
            XSync(probe, False);
            return status == AlreadyGrabbed;
        },
        ms);
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

bool waitForKeyboard(const QWidget* window, int ms) {
    const Window wanted = static_cast<Window>(window->window()->winId());
    return waitUntil(
        [&] {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(display(), &focus, &revert);
            return focus == wanted && window->window()->isActiveWindow();
        },
        ms);
}

void setNumLock(bool on) {
    const unsigned int numLock = XkbKeysymToModifiers(display(), XK_Num_Lock);
    XkbLockModifiers(display(), XkbUseCoreKbd, numLock, on ? numLock : 0);
    XSync(display(), False);
}

} // namespace RealInput

namespace {
QString output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}
} // namespace

qulonglong focusOwner() {
    return output(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}).toULongLong();
}

bool focusWindow(qulonglong id) {
    output(QStringLiteral("xdotool"),
           {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(id)});
    return waitUntil([&] { return focusOwner() == id; }, 3000);
}

OtherProgramWindow::OtherProgramWindow(const QString& title, QPoint at)
    : process_(std::make_unique<QProcess>()) {
    process_->start(QStringLiteral("xmessage"),
                    {QStringLiteral("-title"), title, QStringLiteral("-geometry"),
                     QStringLiteral("300x80+%1+%2").arg(at.x()).arg(at.y()), title});
    process_->waitForStarted();
    const QString found =
        output(QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"), title});
    id_ = found.section(QLatin1Char('\n'), 0, 0).toULongLong();
}

OtherProgramWindow::~OtherProgramWindow() {
    process_->kill();
    process_->waitForFinished();
}
