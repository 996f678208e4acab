// SPDX-License-Identifier: MIT
// The real program from the outside: the built executable, copied with its data folder into a fresh program
// folder, started as its own process on the test desktop, seen through the X server and driven with XTest.

#include "support/Stacking.h"
#include "support/TestDesktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "platform/x11/X11Tree.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <csignal>
#include <poll.h>
#include <sys/stat.h>

#include <climits>
#include <memory>
#include <optional>
#include <vector>

namespace {

const QString kTabTitle = QStringLiteral("Brimvel-Blue");

// A connection of our own to the test desktop's X server, for looking at other processes' windows.
Display* xDisplay() {
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

// The window's titles: WM_NAME as the program set it, and _NET_WM_NAME, to which the toolkit adds the
// application's name.
QStringList windowTitles(Window window) {
    Display* display = xDisplay();
    QStringList titles;
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        titles << QString::fromLocal8Bit(name);
        XFree(name);
    }
    if (std::optional<QString> title =
            X11Tree::text(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                          XInternAtom(display, "UTF8_STRING", False)))
        titles << *title;
    return titles;
}

std::optional<qint64> windowPid(Window window) {
    Display* display = xDisplay();
    const std::vector<unsigned long> pid =
        X11Tree::items(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 1);
    return pid.size() == 1 ? std::optional<qint64>(qint64(pid.front())) : std::nullopt;
}

// Every window below the root (managed windows sit inside their window manager frames).
std::vector<Window> allWindows() {
    XSync(xDisplay(), False);
    return X11Tree::allWindows(xDisplay());
}

bool viewable(Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(xDisplay(), window, &attributes) && attributes.map_state == IsViewable;
}

// The mapped windows of a process, optionally only those with the given title.
std::vector<Window> windowsOf(qint64 pid, const QString& title = {}) {
    std::vector<Window> result;
    for (Window window : allWindows()) {
        if (windowPid(window) != pid || !viewable(window))
            continue;
        if (title.isNull() || windowTitles(window).contains(title))
            result.push_back(window);
    }
    return result;
}

int windowsTitled(const QString& title) {
    int count = 0;
    for (Window window : allWindows())
        if (viewable(window) && windowTitles(window).contains(title))
            ++count;
    return count;
}

// The window's rectangle on the screen, as the X server has it.
QRect screenGeometry(Window window) {
    Display* display = xDisplay();
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes))
        return {};
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return QRect(x, y, attributes.width, attributes.height);
}

struct FileStamp {
    QByteArray bytes;
    timespec modified{};
    bool operator==(const FileStamp& other) const {
        return bytes == other.bytes && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

FileStamp stampOf(const QString& path) {
    FileStamp stamp;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        stamp.bytes = file.readAll();
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) == 0)
        stamp.modified = info.st_mtim;
    return stamp;
}

// The built program copied into a fresh program folder, with its own settings folder, run as a process.
class InstalledProgram {
public:
    InstalledProgram() {
        const QString from = QStringLiteral(BRIMVEL_BUILD_DIR);
        QDir folder(program_.path());
        folder.mkpath(QStringLiteral("data/links"));
        folder.mkpath(QStringLiteral("data/sounds"));
        copied_ = QFile::copy(from + QStringLiteral("/brimvel"), executable());
        for (const char* name : {"button.wav", "scroll.wav", "min.wav"})
            copied_ = QFile::copy(from + QStringLiteral("/data/sounds/") + QLatin1String(name),
                                  folder.filePath(QStringLiteral("data/sounds/") + QLatin1String(name))) &&
                      copied_;
    }
    ~InstalledProgram() {
        for (auto& process : processes_) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }

    bool copied() const { return copied_; }
    QString executable() const { return program_.filePath(QStringLiteral("brimvel")); }
    QString storeFile() const { return config_.filePath(QStringLiteral("Brimvel-Blue.conf")); }
    void writeLinks(const QByteArray& text) {
        QFile file(program_.filePath(QStringLiteral("data/links/plink.dat")));
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }

    // Starts one more run of the program, from another folder as a user would, with this test's settings.
    QProcess& launch() {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(QDir::tempPath());
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(executable(), {});
        process->waitForStarted(5000);
        processes_.push_back(std::move(process));
        return *processes_.back();
    }

    // Waits for the run's tab window to be on the screen, docked at the right edge.
    std::optional<Window> waitForTab(QProcess& process) {
        std::optional<Window> tab;
        waitUntil(
            [&] {
                const std::vector<Window> found = windowsOf(process.processId(), kTabTitle);
                if (found.size() == 1)
                    tab = found.front();
                return tab.has_value();
            },
            10000);
        return tab;
    }

private:
    QTemporaryDir program_;
    QTemporaryDir config_;
    bool copied_ = false;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

// Whether the window carries an icon (_NET_WM_ICON), which the program gives its tab only after the first
// picture.
bool hasIcon(Window window) {
    return X11Tree::hasProperty(xDisplay(), window, XInternAtom(xDisplay(), "_NET_WM_ICON", False));
}

// Watches the root window of a connection of its own for top-level windows being mapped, from before a
// program starts, so that the moment its window appears is seen as the X server reports it.
class MapWatch {
public:
    MapWatch() : display_(XOpenDisplay(nullptr)) {
        if (!display_)
            return;
        XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
        XSync(display_, False);
    }
    ~MapWatch() {
        if (display_)
            XCloseDisplay(display_);
    }
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

    // The first window of the process with the title mapped since the watch began, waiting at most `ms`.
    std::optional<Window> waitForMapped(qint64 pid, const QString& title, int ms) {
        QElapsedTimer waited;
        waited.start();
        while (display_ && waited.elapsed() < ms) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type != MapNotify)
                    continue;
                XSync(xDisplay(), False);
                if (windowPid(event.xmap.window) == pid && windowTitles(event.xmap.window).contains(title))
                    return event.xmap.window;
            }
            pollfd connection{ConnectionNumber(display_), POLLIN, 0};
            poll(&connection, 1, 10);
        }
        return std::nullopt;
    }

private:
    Display* display_;
};

// The closed tab at the right edge: x 1274, y 5 (80 twips), 207 x 80.
const QRect kDockedTab(1274, 5, 207, 80);
// The open tab: x 1073, full height (4515 twips).
const QRect kOpenTab(1073, 5, 207, 301);

// Opens the tab with a click on the strip at its screen edge and waits until it stands open at full height.
bool openWithStrip(Window tab) {
    RealInput::click(QPoint(kDockedTab.left() + 3, kDockedTab.top() + 40));
    return waitUntil([&] { return screenGeometry(tab) == kOpenTab; }, 10000);
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void firstStartWritesDefaultsAndDocksTheTab();
    void secondStartLeavesAtOnce();
    void secondStartBringsTheTabToTheFront();
    void signalEndsWithoutQuestion_data();
    void signalEndsWithoutQuestion();
    void exitButtonAsksAndYesEnds();
    void linkButtonOpensItsAddress();
    void clickOnTheStripAsSoonAsItIsMappedOpensIt();
    void platformChoiceAtStart_data();
    void platformChoiceAtStart();
};

void TestEndToEnd::initTestCase() {
    QVERIFY2(xDisplay(), "no X display");
    QVERIFY2(QFileInfo(QStringLiteral(BRIMVEL_BUILD_DIR "/brimvel")).isExecutable(),
             "build the program first");
}

void TestEndToEnd::init() {
    clearOpenedAddresses();
    QCOMPARE(windowsTitled(kTabTitle), 0);
}

void TestEndToEnd::firstStartWritesDefaultsAndDocksTheTab() {
    InstalledProgram program;
    QVERIFY(program.copied());
    QVERIFY(!QFile::exists(program.storeFile()));
    QProcess& run = program.launch();
    const std::optional<Window> tab = program.waitForTab(run);
    QVERIFY(tab);
    QVERIFY(waitUntil([&] { return screenGeometry(*tab) == kDockedTab; }, 5000));

    QSettings store(program.storeFile(), QSettings::IniFormat);
    QMap<QString, QString> values;
    for (const QString& key : store.allKeys())
        values.insert(key, store.value(key).toString());
    const QMap<QString, QString> defaults{{"skn", "1"}, {"poy", "80"}, {"upd", "1"}, {"ont", "1"},
                                          {"mso", "0"}, {"mdt", "0"},  {"sdo", "1"}, {"atr", "0"}};
    QCOMPARE(values, defaults);
    QCOMPARE(run.state(), QProcess::Running);
}

void TestEndToEnd::secondStartLeavesAtOnce() {
    InstalledProgram program;
    QVERIFY(program.copied());
    QProcess& first = program.launch();
    const std::optional<Window> tab = program.waitForTab(first);
    QVERIFY(tab);
    // The start-up writes its preferences one after another right after the tab shows; half a second sees
    // them through, so that a later change of the file is the second start's doing.
    settle(500);
    const FileStamp before = stampOf(program.storeFile());
    QVERIFY(!before.bytes.isEmpty());

    QProcess& second = program.launch();
    bool secondShowedWindow = false;
    QVERIFY(waitUntil(
        [&] {
            if (!windowsOf(second.processId()).empty())
                secondShowedWindow = true;
            return second.state() == QProcess::NotRunning;
        },
        10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!secondShowedWindow);

    QCOMPARE(windowsTitled(kTabTitle), 1);
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(stampOf(program.storeFile()) == before);
    QCOMPARE(screenGeometry(*tab), kDockedTab);
}

void TestEndToEnd::secondStartBringsTheTabToTheFront() {
    InstalledProgram program;
    QVERIFY(program.copied());
    {
        // Stay-on-top off: the tab and the base bar stand among the other windows.
        QSettings store(program.storeFile(), QSettings::IniFormat);
        store.setValue(QStringLiteral("ont"), 0);
    }
    QProcess& first = program.launch();
    const std::optional<Window> tab = program.waitForTab(first);
    QVERIFY(tab);
    QVERIFY(waitUntil([&] { return screenGeometry(*tab) == kDockedTab; }, 5000));
    std::vector<Window> bases;
    QVERIFY(waitUntil(
        [&] {
            bases = windowsOf(first.processId(), QStringLiteral("Brimvel Base"));
            return bases.size() == 1;
        },
        5000));
    const Window base = bases.front();

    // Another window comes up over the docked tab and its base bar.
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another window"));
    other.setGeometry(1000, 0, 280, 300);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    const auto otherId = static_cast<Window>(other.winId());
    auto covered = [&](Window window) { return !Stacking::isAbove(xDisplay(), window, otherId); };
    QVERIFY(waitUntil([&] { return covered(*tab) && covered(base); }, 3000));
    // The start-up's preference writes are through by now (see above); the file's stamp is taken after them.
    settle(500);
    const FileStamp before = stampOf(program.storeFile());
    QVERIFY(!before.bytes.isEmpty());

    // A second start brings both to the front, leaves at once and writes nothing.
    QProcess& second = program.launch();
    QVERIFY(waitUntil([&] { return second.state() == QProcess::NotRunning; }, 10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(waitUntil([&] { return !covered(*tab) && !covered(base); }, 3000));
    // A docking tick would cover them again within half a second were they not on top to stay.
    settle(500);
    QVERIFY(!covered(*tab) && !covered(base));
    QCOMPARE(windowsTitled(kTabTitle), 1);
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(stampOf(program.storeFile()) == before);
}

void TestEndToEnd::signalEndsWithoutQuestion_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestEndToEnd::signalEndsWithoutQuestion() {
    QFETCH(int, signalNumber);
    InstalledProgram program;
    QVERIFY(program.copied());
    QProcess& run = program.launch();
    QVERIFY(program.waitForTab(run));
    // Had the program put the close question, it would still be waiting for an answer.
    QCOMPARE(::kill(pid_t(run.processId()), signalNumber), 0);
    QVERIFY(waitUntil([&] { return run.state() == QProcess::NotRunning; }, 5000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(windowsTitled(kTabTitle), 0);
}

void TestEndToEnd::exitButtonAsksAndYesEnds() {
    InstalledProgram program;
    QVERIFY(program.copied());
    QProcess& run = program.launch();
    const std::optional<Window> tab = program.waitForTab(run);
    QVERIFY(tab);
    QVERIFY(waitUntil([&] { return screenGeometry(*tab) == kDockedTab; }, 5000));
    QVERIFY(openWithStrip(*tab));

    // picExit at (193, 65) on the tab, 11 x 12.
    RealInput::click(kOpenTab.topLeft() + QPoint(193 + 5, 65 + 6));
    std::vector<Window> question;
    QVERIFY(waitUntil(
        [&] {
            question = windowsOf(run.processId(), QStringLiteral("Brimvel"));
            return !question.empty();
        },
        5000));
    // A program that ended without waiting for the answer would be gone within 300 ms of showing it.
    settle(300);
    QCOMPARE(run.state(), QProcess::Running); // it asks before it ends

    // Yes is the default button: Return answers it.
    RealInput::tapKey(XK_Return);
    QVERIFY(waitUntil([&] { return run.state() == QProcess::NotRunning; }, 5000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(windowsTitled(kTabTitle), 0);
}

void TestEndToEnd::linkButtonOpensItsAddress() {
    InstalledProgram program;
    QVERIFY(program.copied());
    program.writeLinks("[0]\nname0=First\nurl0=http://first.example/page\nname2=Third\n"
                       "url2=http://third.example/deep/path?q=1\n");
    QProcess& run = program.launch();
    const std::optional<Window> tab = program.waitForTab(run);
    QVERIFY(tab);
    QVERIFY(waitUntil([&] { return screenGeometry(*tab) == kDockedTab; }, 5000));
    QVERIFY(openWithStrip(*tab));

    // picLink(2) at (12, 140) on the tab, 166 x 21.
    RealInput::click(kOpenTab.topLeft() + QPoint(12 + 83, 140 + 10));
    QVERIFY(waitForOpened(1, 10000));
    // Time for the desktop to record a second address it was wrongly given.
    settle(300);
    QCOMPARE(openedAddresses(), QStringList{QStringLiteral("http://third.example/deep/path?q=1")});
    // The click slid the tab back in before opening.
    QVERIFY(waitUntil([&] { return screenGeometry(*tab) == kDockedTab; }, 5000));
    QCOMPARE(run.state(), QProcess::Running);
}

// The tab is put on the screen before the work its first picture does not need (its icon, the pictures of the
// open tab); a click on the strip the moment it stands docked, well within 100 ms of the map on an idle
// machine, opens it as any later click does.
void TestEndToEnd::clickOnTheStripAsSoonAsItIsMappedOpensIt() {
    InstalledProgram program;
    QVERIFY(program.copied());
    MapWatch watch;
    QProcess& run = program.launch();
    const std::optional<Window> tab = watch.waitForMapped(run.processId(), kTabTitle, 10000);
    QVERIFY2(tab, "the tab was not mapped");
    QElapsedTimer sinceMapped;
    sinceMapped.start();
    // Mapped, the tab is moved to its place at the edge and shrunk to its head in the same start-up step.
    QElapsedTimer polled;
    polled.start();
    while (screenGeometry(*tab) != kDockedTab && polled.elapsed() < 5000)
        ;
    QCOMPARE(screenGeometry(*tab), kDockedTab);
    RealInput::moveTo(QPoint(kDockedTab.left() + 3, kDockedTab.top() + 40));
    const qint64 pressedAfter = sinceMapped.elapsed();
    RealInput::press(1);
    const bool iconYet = hasIcon(*tab);
    RealInput::release(1);
    qInfo("pressed %lld ms after the map, the tab %s its icon (given after the first picture)", pressedAfter,
          iconYet ? "with" : "still without");
    QVERIFY2(waitUntil([&] { return screenGeometry(*tab) == kOpenTab; }, 10000), "the early click was lost");
    // The step after the first picture ran all the same.
    QVERIFY(waitUntil([&] { return hasIcon(*tab); }, 5000));
    QCOMPARE(run.state(), QProcess::Running);
}

void TestEndToEnd::platformChoiceAtStart_data() {
    QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM; empty: unset
    QTest::addColumn<QString>("display");  // DISPLAY; empty: unset
    QTest::addColumn<bool>("runs");
    QTest::addColumn<QString>("stderrMentions");
    QTest::newRow("no X server at DISPLAY: a clear message and exit 1")
        << QString() << QStringLiteral(":9876") << false << QStringLiteral("cannot reach \":9876\"");
    QTest::newRow("no DISPLAY at all")
        << QString() << QString() << false << QStringLiteral("DISPLAY is not set");
    QTest::newRow("xcb chosen, no X server")
        << QStringLiteral("xcb") << QStringLiteral(":9876") << false << QStringLiteral("needs an X server");
    QTest::newRow("another platform chosen: it runs, and says what needs X11")
        << QStringLiteral("offscreen") << QString() << true << QStringLiteral("keeping it on top need X11");
}

void TestEndToEnd::platformChoiceAtStart() {
    QFETCH(QString, platform);
    QFETCH(QString, display);
    QFETCH(bool, runs);
    QFETCH(QString, stderrMentions);
    InstalledProgram program;
    QVERIFY(program.copied());
    QTemporaryDir config;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    for (const auto& [name, value] : {std::pair{QStringLiteral("QT_QPA_PLATFORM"), platform},
                                      std::pair{QStringLiteral("DISPLAY"), display}}) {
        if (value.isEmpty())
            environment.remove(name);
        else
            environment.insert(name, value);
    }
    QProcess run;
    run.setProcessEnvironment(environment);
    run.start(program.executable(), {});
    QVERIFY(run.waitForStarted(5000));
    QByteArray errors;
    QVERIFY2(waitUntil(
                 [&] {
                     errors += run.readAllStandardError();
                     return errors.contains('\n') || run.state() == QProcess::NotRunning;
                 },
                 10000),
             "the program said nothing on standard error");
    QVERIFY2(QString::fromUtf8(errors).contains(stderrMentions), errors.constData());
    if (runs) {
        // A program that gave up after its complaint would be gone within 300 ms of saying it.
        settle(300);
        QCOMPARE(run.state(), QProcess::Running);
        run.kill();
        run.waitForFinished(3000);
    } else {
        QVERIFY(run.state() == QProcess::NotRunning || run.waitForFinished(5000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit); // no crash, no abort
        QCOMPARE(run.exitCode(), 1);
    }
}

QTEST_MAIN(TestEndToEnd)
#include "test_e2e.moc"
