// SPDX-License-Identifier: MIT
// The tab among other windows with stay-on-top on: its own dialogs stand above it and are answered with the
// pointer, windows that fill the screen and other programs' pop-ups stay above it, and the re-assert answers
// the X server's reports instead of a once-a-second tick. Real windows, real XTest pointer input, the
// stacking order read back with XQueryTree.

#include "app/frmMain.h"
#include "links/frmInput.h"
#include "platform/x11/QtX11Display.h"
#include "support/Stacking.h"
#include "support/TabView.h"
#include "support/TestDesktop.h"
#include "tab/frmBase.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <vector>

namespace {

// The position of a window in the X server's stacking order (higher is nearer the top); -1 when not found.
int stackPosition(Window window) {
    Display* display = qtX11Display();
    XSync(display, False);
    return Stacking::position(display, window);
}

int stackPosition(const QWidget& window) {
    return stackPosition(static_cast<Window>(window.winId()));
}

// True when `upper` stands above both the tab and the base bar.
bool aboveTab(Window upper, frmMain& tab) {
    const int position = stackPosition(upper);
    return position >= 0 && position > stackPosition(tab) && position > stackPosition(tab.base());
}

// True when the tab and the base bar both stand above `lower`.
bool tabAbove(frmMain& tab, Window lower) {
    const int position = stackPosition(lower);
    return position >= 0 && stackPosition(tab) > position && stackPosition(tab.base()) > position;
}

QPoint centre(const QWidget* widget) {
    return widget->mapToGlobal(widget->rect().center());
}

// A window of another program: made on an X connection of its own, as that program would make it.
class ForeignWindow {
public:
    ForeignWindow(QRect area, bool bypass, const QByteArray& type, bool fullScreen)
        : display_(XOpenDisplay(nullptr)) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = bypass ? True : False;
        attributes.background_pixel = BlackPixel(display_, DefaultScreen(display_));
        window_ = XCreateWindow(display_, DefaultRootWindow(display_), area.x(), area.y(),
                                static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()), 0,
                                CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel,
                                &attributes);
        XStoreName(display_, window_, "Another program");
        if (!type.isEmpty())
            setAtoms("_NET_WM_WINDOW_TYPE", type);
        if (fullScreen)
            setAtoms("_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN");
        XMapRaised(display_, window_);
        XSync(display_, False);
    }
    ~ForeignWindow() {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    ForeignWindow(const ForeignWindow&) = delete;
    ForeignWindow& operator=(const ForeignWindow&) = delete;

    Window id() const { return window_; }
    bool viewable() const {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window_, &attributes) && attributes.map_state == IsViewable;
    }
    void unmap() {
        XUnmapWindow(display_, window_);
        XSync(display_, False);
    }

private:
    void setAtoms(const char* property, const QByteArray& value) {
        const Atom atom = XInternAtom(display_, value.constData(), False);
        XChangeProperty(display_, window_, XInternAtom(display_, property, False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&atom), 1);
    }

    Display* display_;
    Window window_ = 0;
};

// Answers the next modal message box with a real pointer click on one of its buttons, once the box stands
// over the tab: it moves the box so that the button lies on `target` (a point of the tab), waits until the X
// server stacks the box above the tab and the base bar, and clicks there. A box that does not stand above
// them within a few seconds is still clicked at the target, so that the click lands on whatever covers it; a
// box that is still open a moment later is closed, so that the test goes on to fail.
class PointerAnswerer : public QObject {
public:
    PointerAnswerer(frmMain& tab, QMessageBox::StandardButton button, QPoint target)
        : tab_(tab), button_(button), target_(target) {
        poll_.setInterval(20);
        connect(&poll_, &QTimer::timeout, this, [this] { look(); });
        poll_.start();
    }

    bool done() const { return done_; }
    // What the box said, whether it stood above the tab and the base bar, and the button the click answered.
    QString text;
    bool stoodAbove = false;
    QMessageBox::StandardButton clicked = QMessageBox::NoButton;

private:
    void look() {
        if (busy_ || done_)
            return;
        busy_ = true;
        step();
        busy_ = false;
    }

    void step() {
        if (found_ && (!box_ || !box_->isVisible())) {
            done_ = true; // answered (or closed), and gone with the call that showed it
            return;
        }
        if (!box_) {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || !box->button(button_))
                return;
            box_ = box;
            found_ = true;
            text = box->text();
            connect(box, &QMessageBox::buttonClicked, this, [this](QAbstractButton* b) {
                clicked = box_ ? box_->standardButton(b) : QMessageBox::NoButton;
            });
            clock_.start();
            return;
        }
        if (clicked_) {
            if (clock_.elapsed() > 3000) {
                box_->reject();
                done_ = true;
            }
            return;
        }
        const QPoint at = centre(box_->button(button_));
        if (at != target_) {
            box_->move(box_->pos() + target_ - at);
            return;
        }
        stoodAbove = aboveTab(static_cast<Window>(box_->winId()), tab_);
        if (stoodAbove || clock_.elapsed() > 4000) {
            clicked_ = true;
            clock_.restart();
            RealInput::click(target_);
        }
    }

    frmMain& tab_;
    QMessageBox::StandardButton button_;
    QPoint target_;
    QTimer poll_;
    QElapsedTimer clock_;
    QPointer<QMessageBox> box_;
    bool busy_ = false;
    bool found_ = false;
    bool clicked_ = false;
    bool done_ = false;
};

} // namespace

class TestStacking : public QObject {
    Q_OBJECT

private slots:
    void init();
    void messageBoxesStandAboveTheTab_data();
    void messageBoxesStandAboveTheTab();
    void linkEditorStandsAboveTheTab();
    void windowsThatMustStayUncovered_data();
    void windowsThatMustStayUncovered();
    void reassertWaitsForTheServersReports();
};

void TestStacking::init() {
    RealInput::moveTo(QPoint(300, 700));
}

void TestStacking::messageBoxesStandAboveTheTab_data() {
    QTest::addColumn<QString>("question");
    QTest::addColumn<int>("button");
    QTest::newRow("the exit question, answered No") << QStringLiteral("exit") << int(QMessageBox::No);
    QTest::newRow("the update prompt, answered No") << QStringLiteral("update") << int(QMessageBox::No);
    QTest::newRow("the editor's message, answered OK") << QStringLiteral("editor") << int(QMessageBox::Ok);
    QTest::newRow("a row's Remove question, answered No") << QStringLiteral("remove") << int(QMessageBox::No);
}

void TestStacking::messageBoxesStandAboveTheTab() {
    QFETCH(QString, question);
    QFETCH(int, button);

    TestProgram program;
    program.writeLinks("[0]\nname0=A\nurl0=http://a.example/\n");
    frmMain& tab = program.start();
    QVERIFY(tab.stayOnTop().on());
    tab.animation();
    QVERIFY(waitUntil([&] { return tab.motion().open() && !tab.motion().tmrGrow().Enabled(); }, 8000));

    // The box is moved so that its button lies on the open tab's link area.
    const QPoint target = tab.geometry().center();
    PointerAnswerer answerer(tab, QMessageBox::StandardButton(button), target);
    if (question == "exit") {
        RealInput::click(centre(view(tab).picExit));
    } else if (question == "update") {
        QTimer::singleShot(0, &tab, [&tab] { tab.picUpdate_Click(); });
    } else if (question == "remove") {
        // The row's menu stands above the tab too; its Remove asks first.
        RealInput::click(centre(view(tab).picLink[0]), 3);
        QMenu* menu = nullptr;
        QVERIFY(waitUntil([&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->isVisible();
        }));
        QVERIFY2(waitUntil([&] { return aboveTab(static_cast<Window>(menu->winId()), tab); }, 2500),
                 "the row's menu stayed under the tab or the base bar");
        QAction* remove = menu->actions().value(1);
        QVERIFY(remove && remove->text().contains(QStringLiteral("Remove")));
        RealInput::click(menu->mapToGlobal(menu->actionGeometry(remove).center()));
    } else {
        // The editor refuses an address that does not begin with http:// and says so.
        tab.input().showEditor(0);
        QVERIFY(QTest::qWaitForWindowExposed(&tab.input()));
        tab.input().txtName->setText(QStringLiteral("Example"));
        tab.input().txtURL->setText(QStringLiteral("example.org"));
        QTimer::singleShot(0, &tab, [&tab] { tab.input().cmdOK_Click(); });
    }
    QVERIFY(waitUntil([&] { return answerer.done(); }, 15000));
    if (question == "exit")
        QVERIFY(answerer.text.contains(QStringLiteral("exit")));
    QVERIFY2(answerer.stoodAbove, "the message box stayed under the tab or the base bar");
    QCOMPARE(int(answerer.clicked), button);
    if (question == "editor") {
        // The editor stays with the typed texts; closed, it takes the tab's place back along with it.
        QVERIFY(tab.input().isVisible());
        tab.input().cmdCancel_Click();
    }

    // Once it has gone, the tab and the base bar stand on top again.
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another window"));
    other.setGeometry(900, 200, 360, 400);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QVERIFY(waitUntil([&] { return tabAbove(tab, static_cast<Window>(other.winId())); }, 2500));
}

void TestStacking::linkEditorStandsAboveTheTab() {
    TestProgram program;
    frmMain& tab = program.start();
    tab.animation();
    QVERIFY(waitUntil([&] { return tab.motion().open() && !tab.motion().tmrGrow().Enabled(); }, 8000));

    // The editor opens from a link's light and is dragged over the tab, its Cancel button on the link area.
    RealInput::click(centre(view(tab).picLinkLight[0]));
    frmInput& editor = tab.input();
    QVERIFY(waitUntil([&] { return editor.isVisible(); }, 3000));
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    const QPoint target = tab.geometry().center();
    QVERIFY(waitUntil(
        [&] {
            const QPoint at = centre(editor.cmdCancel);
            if (at != target)
                editor.move(editor.pos() + target - at);
            return at == target;
        },
        3000));
    QVERIFY(waitUntil([&] { return aboveTab(static_cast<Window>(editor.winId()), tab); }, 2500));
    // The tab answers a stacking report at once: a raise over the editor would show by then.
    settle(300);
    QVERIFY(aboveTab(static_cast<Window>(editor.winId()), tab));

    RealInput::click(target);
    QVERIFY(waitUntil([&] { return !editor.isVisible(); }, 3000));
}

void TestStacking::windowsThatMustStayUncovered_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<bool>("bypass");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<bool>("staysAbove");

    const QRect screen(0, 0, 1280, 1024);
    const QRect overTab(1000, 40, 250, 400);
    QTest::newRow("a screen locker: bypasses the manager and fills the screen")
        << screen << true << QByteArray() << false << true;
    QTest::newRow("a full-screen video: made full-screen by the manager")
        << QRect(100, 100, 400, 300) << false << QByteArray() << true << true;
    QTest::newRow("another program's pop-up menu")
        << overTab << true << QByteArray("_NET_WM_WINDOW_TYPE_POPUP_MENU") << false << true;
    QTest::newRow("another program's tooltip")
        << overTab << true << QByteArray("_NET_WM_WINDOW_TYPE_TOOLTIP") << false << true;
    QTest::newRow("another program's menu that names no type")
        << overTab << true << QByteArray() << false << true;
    QTest::newRow("another program's utility window bypassing the manager: covered")
        << overTab << true << QByteArray("_NET_WM_WINDOW_TYPE_UTILITY") << false << false;
    QTest::newRow("a managed window as large as the screen, not full-screen: covered")
        << screen << false << QByteArray() << false << false;
}

void TestStacking::windowsThatMustStayUncovered() {
    QFETCH(QRect, area);
    QFETCH(bool, bypass);
    QFETCH(QByteArray, type);
    QFETCH(bool, fullScreen);
    QFETCH(bool, staysAbove);

    TestProgram program;
    frmMain& tab = program.start();
    QVERIFY(tab.stayOnTop().on());
    tab.animation();
    QVERIFY(waitUntil([&] { return tab.motion().open() && !tab.motion().tmrGrow().Enabled(); }, 8000));
    // An ordinary window over the tab, which stay-on-top keeps beneath it.
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another window"));
    other.setGeometry(900, 200, 360, 400);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    const auto otherId = static_cast<Window>(other.winId());
    QVERIFY(waitUntil([&] { return tabAbove(tab, otherId); }, 2500));

    ForeignWindow foreign(area, bypass, type, fullScreen);
    QVERIFY(waitUntil([&] { return foreign.viewable(); }, 3000));
    if (!staysAbove) {
        QVERIFY(waitUntil([&] { return tabAbove(tab, foreign.id()); }, 2500));
        return;
    }
    // A full-screen window of the manager is above once the manager has made it full-screen.
    QVERIFY(waitUntil([&] { return aboveTab(foreign.id(), tab); }, 2500));
    // For several seconds, while the ordinary window moves about (each move a report that has the program
    // re-assert stay-on-top), it stays above the tab and the base bar.
    QElapsedTimer clock;
    clock.start();
    int moves = 0;
    while (clock.elapsed() < 3000) {
        QVERIFY2(aboveTab(foreign.id(), tab),
                 QByteArray("covered after ") + QByteArray::number(clock.elapsed()) + " ms");
        if (clock.elapsed() > 300 * moves) {
            ++moves;
            other.move(900 - 10 * (moves % 2), 200);
        }
        // Samples the stacking every 50 ms for the whole run.
        settle(50);
    }
    // Beneath it, the tab still stands above the ordinary window.
    QVERIFY(tabAbove(tab, otherId));

    // Gone, it leaves the tab on top.
    foreign.unmap();
    other.raise();
    other.activateWindow();
    QVERIFY(waitUntil([&] { return tabAbove(tab, otherId); }, 2500));
}

void TestStacking::reassertWaitsForTheServersReports() {
    TestProgram program;
    frmMain& tab = program.start();
    QVERIFY(tab.stayOnTop().on());
    QVERIFY(tab.stayOnTop().eventDriven());
    // Idle: the tick is not scheduled at all.
    QVERIFY(waitUntil([&] { return tab.stayOnTop().tmrOnTop().Interval() == 0; }, 2000));
    // Longer than the one-second tick: a tick that scheduled itself would show as an interval.
    settle(1500);
    QCOMPARE(tab.stayOnTop().tmrOnTop().Interval(), 0);

    // A window that bypasses the manager comes up over the tab: the report brings the tab back above it.
    QWidget other;
    other.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::Tool);
    other.setGeometry(1200, 0, 80, 200);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QVERIFY(waitUntil([&] { return tabAbove(tab, static_cast<Window>(other.winId())); }, 2500));
    QVERIFY(waitUntil([&] { return tab.stayOnTop().tmrOnTop().Interval() == 0; }, 2000));
}

QTEST_MAIN(TestStacking)
#include "test_stacking.moc"
