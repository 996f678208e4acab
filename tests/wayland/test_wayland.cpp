// SPDX-License-Identifier: MIT
// The real program on a Wayland desktop, through XWayland: the built executable in a fresh program folder,
// started beside native Wayland windows and X11 windows under sway, mutter or KWin (tests/wayland.sh), driven
// with the compositor's own pointer and keyboard input (wlinput) and seen through XWayland. Under sway what
// the compositor shows is read from screenshots (grim); under mutter and KWin the picture is put together
// from what XWayland holds of the program's windows, their transparency included, laid over the colour of
// the other windows beneath them.
//
// One table: each situation (a native window fullscreen, a native window focused, an X11 window focused)
// against each thing a user does with the tab.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

const QString kHelpers = QStringLiteral(BRIMVEL_WAYLAND_HELPERS);
const QString kTabTitle = QStringLiteral("Brimvel-Blue");
// The other windows are painted in this colour, which the skins do not use: it is what the tab's transparent
// parts must show.
const QRgb kBackdrop = qRgb(0x30, 0xa0, 0x60);

// The closed tab at the right edge and the open tab, as on X11.
const QRect kDockedTab(1274, 5, 207, 80);
const QRect kOpenTab(1073, 5, 207, 301);
// The base bar below the closed tab.
const QPoint kDockedBase(1274, 84);
// A pixel of the strip that opens the tab; picLink(0) and picLink(2) of the open tab (166 x 21 each).
const QPoint kStrip(1277, 45);
const QRect kLink2(kOpenTab.topLeft() + QPoint(12, 140), QSize(166, 21));
// Somewhere on a native window, away from the tab.
const QPoint kOnNativeWindow(200, 500);

bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// --- What the X server (XWayland) shows of the program.

Display* xDisplay() {
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

std::optional<qint64> windowPid(Window window) {
    const Atom netWmPid = XInternAtom(xDisplay(), "_NET_WM_PID", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::optional<qint64> pid;
    if (XGetWindowProperty(xDisplay(), window, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &remaining, &data) == Success &&
        type == XA_CARDINAL && count == 1 && data)
        pid = static_cast<qint64>(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return pid;
}

// The mapped top-level window of process `pid` named `title`.
std::optional<Window> windowOf(qint64 pid, const QString& title) {
    Display* display = xDisplay();
    XSync(display, False);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    std::optional<Window> found;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return found;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes{};
        char* name = nullptr;
        if (windowPid(children[i]) == pid && XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable && XFetchName(display, children[i], &name) && name) {
            if (QString::fromLocal8Bit(name) == title)
                found = children[i];
        }
        if (name)
            XFree(name);
    }
    if (children)
        XFree(children);
    return found;
}

// Whether `window` stands above every mapped top-level window of other processes in XWayland's stacking
// order, which decides which X window the pointer reaches.
bool aboveOthers(Window window, qint64 pid) {
    Display* display = xDisplay();
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return false;
    bool above = false;
    for (unsigned int i = count; i-- > 0;) { // from the top down
        if (children[i] == window) {
            above = true;
            break;
        }
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
            windowPid(children[i]).value_or(pid) != pid)
            break;
    }
    if (children)
        XFree(children);
    return above;
}

QRect screenGeometry(Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(xDisplay(), window, &attributes))
        return {};
    return QRect(attributes.x, attributes.y, attributes.width, attributes.height);
}

// --- The compositor's side.

enum class Compositor { Sway, Mutter, KWin };

Compositor compositor() {
    const QByteArray name = qgetenv("BRIMVEL_COMPOSITOR");
    return name == "mutter" ? Compositor::Mutter : name == "kwin" ? Compositor::KWin : Compositor::Sway;
}

// Runs a helper as the compositor's user, in its D-Bus session, where mutter and KWin let it give input.
QStringList asCompositor(const QStringList& command) {
    if (compositor() == Compositor::Sway)
        return command;
    return QStringList{QString::fromLocal8Bit(qgetenv("BRIMVEL_AS_COMPOSITOR"))} + command;
}

// `window`'s place on the screen, wherever the window manager put its frame.
QPoint rootPosition(Window window) {
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(xDisplay(), window, DefaultRootWindow(xDisplay()), 0, 0, &x, &y, &child);
    return {x, y};
}

// A part of the screen as the program's windows make it, over the other windows' colour: the mapped top-level
// windows of process `pid`, bottom first, each from XWayland's copy of its contents, blended by its alpha.
QImage composedFromWindows(const QRect& area, qint64 pid) {
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackdrop);
    Display* display = xDisplay();
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return {};
    QPainter painter(&image);
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (windowPid(children[i]) != pid || !XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        const QRect window(attributes.x, attributes.y, attributes.width, attributes.height);
        const QRect part = window.intersected(area);
        if (part.isEmpty())
            continue;
        XImage* pixels = XGetImage(display, children[i], part.x() - window.x(), part.y() - window.y(),
                                   static_cast<unsigned>(part.width()), static_cast<unsigned>(part.height()),
                                   AllPlanes, ZPixmap);
        if (!pixels)
            continue;
        QImage copy(part.size(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x) {
                const unsigned long pixel = XGetPixel(pixels, x, y);
                // A window without an alpha channel is opaque.
                copy.setPixel(x, y,
                              attributes.depth == 32 ? static_cast<QRgb>(pixel)
                                                     : (0xff000000u | static_cast<QRgb>(pixel)));
            }
        XDestroyImage(pixels);
        painter.drawImage(part.topLeft() - area.topLeft(), copy);
    }
    if (children)
        XFree(children);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

// The process whose windows make the picture under mutter and KWin.
qint64 programPid = 0;

// A part of the screen as the compositor shows it.
QImage screenshot(const QRect& area) {
    if (compositor() != Compositor::Sway)
        return composedFromWindows(area, programPid);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("shot.png"));
    QProcess grim;
    grim.start(
        QStringLiteral("grim"),
        {QStringLiteral("-g"),
         QStringLiteral("%1,%2 %3x%4").arg(area.x()).arg(area.y()).arg(area.width()).arg(area.height()),
         file});
    if (!grim.waitForFinished(10000) || grim.exitCode() != 0)
        return {};
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

bool swaymsg(const QString& command) {
    QProcess process;
    process.start(QStringLiteral("swaymsg"), {command});
    return process.waitForFinished(5000) && process.exitCode() == 0;
}

// The title of the window that has the keyboard, as the compositor says.
QString focusedWindowTitle() {
    QProcess process;
    process.start(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (!process.waitForFinished(5000))
        return {};
    std::function<QString(const QJsonObject&)> find = [&](const QJsonObject& node) -> QString {
        if (node.value(QStringLiteral("focused")).toBool())
            return node.value(QStringLiteral("name")).toString();
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue& child : node.value(QLatin1String(children)).toArray())
                if (const QString name = find(child.toObject()); !name.isNull())
                    return name;
        return {};
    };
    return find(QJsonDocument::fromJson(process.readAllStandardOutput()).object());
}

// The compositor's virtual pointer and keyboard, kept for the whole test.
class VirtualInput {
public:
    bool start() {
        QStringList command{kHelpers + QStringLiteral("/wlinput")};
        if (compositor() == Compositor::Mutter)
            command << QStringLiteral("--mutter");
        command = asCompositor(command);
        helper_.start(command.takeFirst(), command);
        return helper_.waitForStarted(5000) && answer() == "ready";
    }
    ~VirtualInput() {
        helper_.closeWriteChannel();
        if (!helper_.waitForFinished(3000))
            helper_.kill();
    }
    bool send(const QString& command) {
        helper_.write(command.toUtf8() + '\n');
        return answer() == "ok";
    }
    bool moveTo(QPoint p) { return send(QStringLiteral("move %1 %2").arg(p.x()).arg(p.y())); }
    // At a hand's pace: XWayland passes the pointer on to its clients after the compositor has handled it.
    bool click(QPoint p) {
        const auto pause = [] {
            QThread::msleep(50);
            return true;
        };
        return moveTo(p) && pause() && send(QStringLiteral("down 1")) && pause() &&
               send(QStringLiteral("up 1"));
    }
    bool tapKey(const QString& keysym) { return send(QStringLiteral("key ") + keysym); }

private:
    QByteArray answer() {
        while (!helper_.canReadLine())
            if (!helper_.waitForReadyRead(5000))
                return {};
        return helper_.readLine().trimmed();
    }
    QProcess helper_;
};

// Another program's window, native (Wayland) or X11 (through XWayland), of one plain colour.
class OtherWindow {
public:
    OtherWindow(const QString& title, bool native, bool fullscreen) : title_(title), native_(native) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), native ? QStringLiteral("wayland") : "xcb");
        process_.setProcessEnvironment(environment);
        QStringList arguments{title};
        if (fullscreen)
            arguments << QStringLiteral("--fullscreen");
        // Where sway tiles the windows side by side, the other compositors are asked for the same: the native
        // window fills the screen and the X11 window stands on its right half, beneath the tab.
        else if (compositor() != Compositor::Sway)
            arguments << (native ? QStringList{QStringLiteral("--maximized")}
                                 : QStringList{QStringLiteral("--at"), QStringLiteral("640"),
                                               QStringLiteral("0")});
        process_.start(kHelpers + QStringLiteral("/testwindow"), arguments);
    }
    ~OtherWindow() {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
    }
    bool waitShown() {
        return waitUntil([&] { return read(), shown_; }, 10000);
    }
    // The keys the window received so far, as Qt names them ("A", "Num+1").
    QStringList keys() {
        read();
        return keys_;
    }
    bool waitForKey(const QString& key) {
        return waitUntil([&] { return keys().contains(key); }, 5000);
    }
    // Gives this window the keyboard, through the compositor, and waits until the compositor (sway) or the
    // window (mutter, KWin: a window mapped last has the keyboard, and a click on it gives it) says it has
    // it.
    bool focus(VirtualInput& input) {
        if (compositor() == Compositor::Sway)
            return waitUntil(
                [&] {
                    return swaymsg(QStringLiteral("[title=\"^%1$\"] focus").arg(title_)) &&
                           focusedWindowTitle() == title_;
                },
                10000);
        // The window has the keyboard when it still has it half a second on.
        const auto settled = [&](int timeoutMs) {
            if (!waitUntil([&] { return read(), focused_; }, timeoutMs))
                return false;
            QThread::msleep(500);
            read();
            return focused_;
        };
        if (settled(3000))
            return true;
        QPoint inside = kOnNativeWindow;
        if (!native_) {
            const std::optional<Window> window = windowOf(process_.processId(), title_);
            if (!window)
                return false;
            inside = rootPosition(*window) + QPoint(100, 100);
        }
        return input.click(inside) && settled(5000);
    }

private:
    // Takes in what the window said so far.
    void read() {
        process_.waitForReadyRead(20);
        while (process_.canReadLine()) {
            const QByteArray line = process_.readLine().trimmed();
            if (qEnvironmentVariableIsSet("BRIMVEL_WAYLAND_DEBUG"))
                qInfo("%s: %s", qPrintable(title_), line.constData());
            if (line == "shown")
                shown_ = true;
            else if (line == "focus in" || line == "focus out")
                focused_ = line == "focus in";
            else if (line.startsWith("key "))
                keys_ << QString::fromUtf8(line.mid(4));
        }
    }
    bool shown_ = false;
    bool focused_ = false;
    QStringList keys_;
    QString title_;
    bool native_;
    QProcess process_;
};

// Moves the pointer to `p` and waits until XWayland has it there: the compositor passes a move on to XWayland
// on its own time. Should it not arrive, a nudge of one pixel sends it again; each nudge is reported.
bool pointerReaches(VirtualInput& input, QPoint p) {
    const auto there = [&] {
        Window root = 0, child = 0;
        int x = 0, y = 0, windowX = 0, windowY = 0;
        unsigned int buttons = 0;
        XQueryPointer(xDisplay(), DefaultRootWindow(xDisplay()), &root, &child, &x, &y, &windowX, &windowY,
                      &buttons);
        return QPoint(x, y) == p;
    };
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (attempt > 0) {
            qWarning("XWayland did not get the pointer at %d,%d: nudging it", p.x(), p.y());
            input.moveTo(p - QPoint(0, 1));
        }
        if (input.moveTo(p) && waitUntil(there, 1000))
            return true;
    }
    return false;
}

// --- The program.

QString openLog() {
    return QString::fromLocal8Bit(qgetenv("BRIMVEL_OPEN_LOG"));
}

QStringList openedAddresses() {
    QFile file(openLog());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The built program copied into a fresh program folder with its own settings folder, run as a process with
// the session's environment (no platform chosen, XDG_SESSION_TYPE=wayland).
class Program {
public:
    explicit Program(bool hoverOpens) {
        const QString from = QStringLiteral(BRIMVEL_BUILD_DIR);
        QDir folder(program_.path());
        folder.mkpath(QStringLiteral("data/links"));
        folder.mkpath(QStringLiteral("data/sounds"));
        copied_ =
            QFile::copy(from + QStringLiteral("/brimvel"), program_.filePath(QStringLiteral("brimvel")));
        for (const char* name : {"button.wav", "scroll.wav", "min.wav"})
            copied_ = QFile::copy(from + QStringLiteral("/data/sounds/") + QLatin1String(name),
                                  folder.filePath(QStringLiteral("data/sounds/") + QLatin1String(name))) &&
                      copied_;
        QFile links(folder.filePath(QStringLiteral("data/links/plink.dat")));
        if (links.open(QIODevice::WriteOnly))
            links.write(
                "[0]\nname0=First\nurl0=http://first.example/\nname2=Third\nurl2=http://third.example/x\n");
        QSettings store(config_.filePath(QStringLiteral("Brimvel-Blue.conf")), QSettings::IniFormat);
        const QMap<QString, QString> values{
            {"skn", "1"}, {"poy", "80"}, {"upd", "0"}, {"ont", "1"},
            {"mdt", "0"}, {"sdo", "1"},  {"atr", "0"}, {"mso", hoverOpens ? "1" : "0"}};
        for (auto it = values.begin(); it != values.end(); ++it)
            store.setValue(it.key(), it.value());
        store.sync();
    }
    ~Program() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    bool copied() const { return copied_; }
    // A second start with --toggle, which tells this program to slide its tab out or in; true when it ended
    // at once with status 0.
    bool toggle() const {
        QProcess second;
        second.setProcessEnvironment(process_.processEnvironment());
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(program_.filePath(QStringLiteral("brimvel")), {QStringLiteral("--toggle")});
        return second.waitForFinished(10000) && second.exitStatus() == QProcess::NormalExit &&
               second.exitCode() == 0;
    }
    qint64 pid() const { return process_.processId(); }

    // Starts the program and waits until its closed tab stands docked at the right edge, on the screen.
    std::optional<Window> start() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process_.setProcessEnvironment(environment);
        process_.setWorkingDirectory(QDir::tempPath());
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(program_.filePath(QStringLiteral("brimvel")), {});
        if (!process_.waitForStarted(5000))
            return {};
        programPid = process_.processId();
        std::optional<Window> tab;
        waitUntil(
            [&] {
                tab = windowOf(process_.processId(), kTabTitle);
                // Docked, kept on top of the X11 window that the compositor raised as it focused it, and
                // shown by the compositor (which hands the pointer only to what it shows).
                if (!tab || screenGeometry(*tab) != kDockedTab || !aboveOthers(*tab, process_.processId()))
                    return false;
                const QImage strip = screenshot(QRect(kStrip, QSize(1, 1)));
                return !strip.isNull() && QColor(strip.pixel(0, 0)) != QColor(kBackdrop);
            },
            15000);
        return tab;
    }

    // How often the program's main thread was woken up during `ms`, per second.
    double wakeUpsPerSecond(int ms) {
        const qint64 before = contextSwitches();
        QThread::msleep(static_cast<unsigned long>(ms));
        return (contextSwitches() - before) * 1000.0 / ms;
    }

private:
    qint64 contextSwitches() const {
        QFile status(QStringLiteral("/proc/%1/status").arg(process_.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        qint64 total = 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        return total;
    }

    QTemporaryDir program_;
    QTemporaryDir config_;
    QProcess process_;
    bool copied_ = false;
};

// Whether the tab's strip and the base bar below it show the other window outside their outline (on the
// screen, columns 0..5 of both windows) and the skin inside it. Returns a description of the first fault.
QString stripFault(const QImage& shot, QPoint origin) {
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const int column = origin.x() + x - kDockedTab.x();
            const int tabRow = origin.y() + y - kDockedTab.y();
            const bool tabOpaque = ((tabRow == 1 || tabRow == 78) && column >= 2 && column <= 204) ||
                                   (tabRow >= 2 && tabRow <= 77 && column >= 1 && column <= 205);
            // The base bar's outline starts at its column 12, beyond the visible strip.
            const QRgb pixel = shot.pixel(x, y) & 0xffffff;
            if (column < 0 || column > 5)
                continue;
            if (tabOpaque && pixel == (kBackdrop & 0xffffff))
                return QStringLiteral("the skin is missing at (%1, %2)")
                    .arg(origin.x() + x)
                    .arg(origin.y() + y);
            if (!tabOpaque && pixel != (kBackdrop & 0xffffff))
                return QStringLiteral("(%1, %2) outside the outline shows #%3, not what lies beneath")
                    .arg(origin.x() + x)
                    .arg(origin.y() + y)
                    .arg(pixel, 6, 16, QLatin1Char('0'));
        }
    }
    return {};
}

enum class Situation { NativeFullscreen, NativeFocused, X11Focused };
enum class Action {
    StripAtEdge,
    HoverOpens,
    LinkClickOpens,
    NumberPadKey,
    ToggleTakesKeyboard,
    LeavingClearsHighlight
};

} // namespace

class TestWayland : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void situations_data();
    void situations();

private:
    std::unique_ptr<VirtualInput> input;
};

void TestWayland::initTestCase() {
    QVERIFY2(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                 (compositor() != Compositor::Sway || !qEnvironmentVariableIsEmpty("SWAYSOCK")),
             "run inside tests/wayland.sh");
    QVERIFY2(xDisplay(), "XWayland cannot be reached");
    QVERIFY2(QFile::exists(QStringLiteral(BRIMVEL_BUILD_DIR "/brimvel")), "build the program first");
}

void TestWayland::init() {
    QFile::remove(openLog());
    input = std::make_unique<VirtualInput>();
    QVERIFY2(input->start(), "the virtual pointer and keyboard cannot be had");
    // The pointer starts away from where the tab will be.
    QVERIFY(input->moveTo(kOnNativeWindow));
}

void TestWayland::cleanup() {
    input.reset();
}

void TestWayland::situations_data() {
    QTest::addColumn<Situation>("situation");
    QTest::addColumn<Action>("action");
    const std::pair<const char*, Situation> situations[] = {
        {"native fullscreen", Situation::NativeFullscreen},
        {"native focused", Situation::NativeFocused},
        {"X11 focused", Situation::X11Focused},
    };
    const std::pair<const char*, Action> actions[] = {
        {"strip at the edge, clean corners", Action::StripAtEdge},
        {"hover opens", Action::HoverOpens},
        {"link click reaches xdg-open", Action::LinkClickOpens},
        {"number-pad key while open", Action::NumberPadKey},
        {"brimvel --toggle: the keyboard in and back", Action::ToggleTakesKeyboard},
        {"leaving for a native window clears the highlight and stops the tick",
         Action::LeavingClearsHighlight},
    };
    for (const auto& [situationName, situation] : situations)
        for (const auto& [actionName, action] : actions)
            QTest::addRow("%s: %s", situationName, actionName) << situation << action;
}

void TestWayland::situations() {
    QFETCH(Situation, situation);
    QFETCH(Action, action);

    // The other windows: a native one in every situation (it is where the pointer goes when it leaves the
    // tab), and for the X11 situation an X11 window beside it that holds the keyboard.
    OtherWindow native(QStringLiteral("wl-native"), true, situation == Situation::NativeFullscreen);
    QVERIFY2(native.waitShown(), "the native window did not come up");
    // The native window has the keyboard before the X11 window comes up: mutter was seen to hand it to the
    // native window a moment after the X11 window had it, when both came up at once.
    QVERIFY2(native.focus(*input), "the native window did not get the keyboard");
    std::unique_ptr<OtherWindow> x11;
    if (situation == Situation::X11Focused) {
        x11 = std::make_unique<OtherWindow>(QStringLiteral("wl-x11"), false, false);
        QVERIFY2(x11->waitShown(), "the X11 window did not come up");
        QVERIFY2(x11->focus(*input), "the X11 window did not get the keyboard");
    }

    Program program(action == Action::HoverOpens);
    QVERIFY(program.copied());
    const std::optional<Window> tab = program.start();
    QVERIFY2(tab, "the tab did not dock at the right edge");

    const auto openWithStrip = [&] {
        // With an X11 window holding the keyboard, sway now and then hands the first click after the pointer
        // came back to the strip to that window instead (XWayland then reports the pointer over it; seen with
        // the program before these changes too). The row is about the tab, so such a lost click is given once
        // more, and reported.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!pointerReaches(*input, kStrip))
                return false;
            if (input->click(kStrip) && waitUntil([&] { return screenGeometry(*tab) == kOpenTab; }, 8000))
                return true;
            if (attempt == 0)
                qWarning("the first click on the strip was lost; clicking once more");
        }
        const QRect at = screenGeometry(*tab);
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int buttons = 0;
        XQueryPointer(xDisplay(), DefaultRootWindow(xDisplay()), &root, &child, &rootX, &rootY, &x, &y,
                      &buttons);
        qWarning("the tab (0x%lx) stands at %d,%d %dx%d, %s the others; XWayland has the pointer at %d,%d "
                 "over 0x%lx",
                 *tab, at.x(), at.y(), at.width(), at.height(),
                 aboveOthers(*tab, program.pid()) ? "above" : "not above", rootX, rootY, child);
        return false;
    };

    switch (action) {
    case Action::StripAtEdge: {
        // The strip and the base bar's end, with a few pixels of the other window to their left.
        const QRect area(kDockedTab.x() - 6, 0, 12, kDockedBase.y() + 40);
        // The first frames after the tab appears may still be on their way to the compositor.
        QString fault = QStringLiteral("grim took no screenshot");
        waitUntil(
            [&] {
                const QImage shot = screenshot(area);
                if (shot.isNull())
                    return false;
                fault = QColor(shot.pixel(0, 40)) == QColor(kBackdrop)
                            ? stripFault(shot, area.topLeft())
                            : QStringLiteral("the other window is not beneath the tab");
                return fault.isEmpty();
            },
            3000);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        break;
    }
    case Action::HoverOpens:
        QVERIFY(input->moveTo(kStrip - QPoint(0, 5)));
        QVERIFY(input->moveTo(kStrip));
        QVERIFY2(waitUntil([&] { return screenGeometry(*tab) == kOpenTab; }, 15000),
                 "pointing at the strip did not open the tab");
        break;
    case Action::LinkClickOpens:
        QVERIFY2(openWithStrip(), "a click on the strip did not open the tab");
        QVERIFY(input->click(kLink2.center()));
        QVERIFY2(waitUntil([] { return !openedAddresses().isEmpty(); }, 15000), "xdg-open was not called");
        QCOMPARE(openedAddresses(), QStringList{QStringLiteral("http://third.example/x")});
        break;
    case Action::NumberPadKey:
        QVERIFY2(openWithStrip(), "a click on the strip did not open the tab");
        QThread::msleep(300); // the number pad is read once the tab has grown to full height
        QVERIFY(input->tapKey(QStringLiteral("KP_1")));
        QVERIFY2(waitUntil([] { return !openedAddresses().isEmpty(); }, 10000),
                 "number pad 1 did not open the first link");
        QCOMPARE(openedAddresses(), QStringList{QStringLiteral("http://first.example/")});
        {
            // The key went to the tab alone; slid in, the tab gives the keyboard back to the window that had
            // it.
            OtherWindow& before = x11 ? *x11 : native;
            QVERIFY2(before.keys().isEmpty(),
                     qPrintable(QStringLiteral("the window beneath the open tab got the keys %1 too")
                                    .arg(before.keys().join(QLatin1Char(' ')))));
            QVERIFY2(waitUntil([&] { return screenGeometry(*tab) == kDockedTab; }, 15000),
                     "the tab did not slide in after the link's key");
            QVERIFY(input->tapKey(QStringLiteral("a")));
            QVERIFY2(before.waitForKey(QStringLiteral("A")),
                     "the window that had the keyboard did not get it back when the tab slid in");
        }
        break;
    case Action::ToggleTakesKeyboard: {
        // The global shortcut's path, with no pointer at all: out, and a key reaches the tab alone.
        OtherWindow& before = x11 ? *x11 : native;
        QVERIFY2(program.toggle(), "brimvel --toggle did not end at once");
        QVERIFY2(waitUntil([&] { return screenGeometry(*tab) == kOpenTab; }, 15000),
                 "--toggle did not open the tab");
        QThread::msleep(300); // as above: the keyboard reaches the open tab a moment after it stands open
        QVERIFY(input->tapKey(QStringLiteral("KP_1")));
        QVERIFY2(waitUntil([] { return !openedAddresses().isEmpty(); }, 10000),
                 "number pad 1 did not reach the tab that --toggle opened");
        QCOMPARE(openedAddresses(), QStringList{QStringLiteral("http://first.example/")});
        QVERIFY2(before.keys().isEmpty(), "the window beneath the open tab got the key too");
        // The link's key slid the tab in and the window that had the keyboard has it again; --toggle opens
        // the tab and closes it again, and the keyboard comes back once more.
        QVERIFY2(waitUntil([&] { return screenGeometry(*tab) == kDockedTab; }, 15000),
                 "the tab did not slide in");
        QVERIFY(input->tapKey(QStringLiteral("a")));
        QVERIFY2(before.waitForKey(QStringLiteral("A")),
                 "the window that had the keyboard did not get it back after the link's key");
        QVERIFY(program.toggle());
        QVERIFY2(waitUntil([&] { return screenGeometry(*tab) == kOpenTab; }, 15000),
                 "--toggle did not open the tab");
        QVERIFY(program.toggle());
        QVERIFY2(waitUntil([&] { return screenGeometry(*tab) == kDockedTab; }, 15000),
                 "--toggle did not slide the tab in");
        QVERIFY(input->tapKey(QStringLiteral("b")));
        QVERIFY2(before.waitForKey(QStringLiteral("B")),
                 "the window that had the keyboard did not get it back after a second --toggle");
        break;
    }
    case Action::LeavingClearsHighlight: {
        QVERIFY2(openWithStrip(), "a click on the strip did not open the tab");
        QThread::msleep(500);
        const QImage plain = screenshot(kLink2);
        QVERIFY(!plain.isNull());
        const double idle = program.wakeUpsPerSecond(1000);
        QVERIFY(input->moveTo(kLink2.center() - QPoint(10, 0)));
        QVERIFY(input->moveTo(kLink2.center()));
        QVERIFY2(waitUntil([&] { return screenshot(kLink2) != plain; }, 5000),
                 "the link under the pointer was not highlighted");
        QVERIFY(input->moveTo(kOnNativeWindow));
        const bool cleared = waitUntil([&] { return screenshot(kLink2) == plain; }, 3000);
        const double after = program.wakeUpsPerSecond(1000);
        qInfo("wake-ups per second: %.0f open and idle, %.0f after the pointer left", idle, after);
        if (compositor() == Compositor::KWin)
            QEXPECT_FAIL(
                "",
                "KWin tells XWayland the pointer left (wl_pointer.leave), but XWayland then sends "
                "no LeaveNotify nor XI_Leave to any X window, the tab or a managed X11 window alike, "
                "and keeps reporting the pointer on the link: no X client can see it leave",
                Abort);
        QVERIFY2(cleared, "the link stayed highlighted after the pointer left for a native window");
        // The pointer-out tick alone wakes the program about 65 times a second.
        QVERIFY2(after < idle + 30, "the pointer-out tick still runs after the pointer left");
        break;
    }
    }
}

QTEST_GUILESS_MAIN(TestWayland)
#include "test_wayland.moc"
