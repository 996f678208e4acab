// SPDX-License-Identifier: MIT
#include "X11WindowStacking.h"

#include "../WindowOutline.h"
#include "QtX11Display.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "X11Activation.h"
#include "X11Property.h"

#include <algorithm>

namespace {

// The window's X id when it has a native window already; asking QWidget::winId() would create one for a
// window that was never shown, before its flags are final.
Window nativeWindow(const QWidget* window) {
    return window ? static_cast<Window>(window->internalWinId()) : 0;
}

// The root's children, bottom first.
std::vector<Window> rootChildren(Display* display) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        result.assign(children, children + count);
    if (children)
        XFree(children);
    return result;
}

// The child of the root that holds `window`: the window itself when it bypasses the window manager, the
// manager's frame around it otherwise.
Window rootChildOf(Display* display, Window window) {
    while (window) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        if (parent == root)
            return window;
        window = parent;
    }
    return 0;
}

long indexOf(const std::vector<Window>& windows, Window window) {
    const auto it = std::find(windows.begin(), windows.end(), window);
    return it == windows.end() ? -1 : static_cast<long>(it - windows.begin());
}

bool viewable(Display* display, Window window, XWindowAttributes& attributes) {
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
           attributes.c_class == InputOutput;
}

// The atoms a window carries in a property of type ATOM.
std::vector<Atom> atomList(Display* display, Window window, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::vector<Atom> result;
    if (XGetWindowProperty(display, window, property, 0, 64, False, XA_ATOM, &type, &format, &count,
                           &remaining, &data) == Success &&
        type == XA_ATOM && format == 32 && data) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        result.assign(atoms, atoms + count);
    }
    if (data)
        XFree(data);
    return result;
}

// The application's window inside a window manager's frame: the one that carries WM_STATE.
Window clientWindow(Display* display, Window frame, Atom wmState, int depth = 2) {
    if (hasProperty(display, frame, wmState))
        return frame;
    if (depth == 0)
        return 0;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    Window client = 0;
    if (XQueryTree(display, frame, &root, &parent, &children, &count)) {
        for (unsigned int i = count; i-- > 0 && !client;)
            client = clientWindow(display, children[i], wmState, depth - 1);
    }
    if (children)
        XFree(children);
    return client;
}

// How much of the monitors the window's rectangle covers.
enum class Cover { Nothing, Part, AWholeMonitor };
Cover coverOf(const XWindowAttributes& attributes) {
    const QRect area(attributes.x, attributes.y, attributes.width + 2 * attributes.border_width,
                     attributes.height + 2 * attributes.border_width);
    Cover cover = Cover::Nothing;
    for (const QScreen* screen : QGuiApplication::screens()) {
        // In the X server's pixels: Qt keeps a screen's origin and divides its size by the pixel ratio.
        const QRect monitor(screen->geometry().topLeft(),
                            screen->geometry().size() * screen->devicePixelRatio());
        if (area.contains(monitor))
            return Cover::AWholeMonitor;
        if (area.intersects(monitor))
            cover = Cover::Part;
    }
    return cover;
}

// The kinds of window, named by their owner, that only show while the user deals with them: menus, tooltips,
// notifications, drag icons.
const char* const kPopUpTypes[] = {"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
                                   "_NET_WM_WINDOW_TYPE_POPUP_MENU",
                                   "_NET_WM_WINDOW_TYPE_MENU",
                                   "_NET_WM_WINDOW_TYPE_TOOLTIP",
                                   "_NET_WM_WINDOW_TYPE_NOTIFICATION",
                                   "_NET_WM_WINDOW_TYPE_COMBO",
                                   "_NET_WM_WINDOW_TYPE_DND"};

// An atom of Qt's connection, interned once.
Atom atom(Display* display, const char* name) {
    static QHash<QByteArray, Atom> atoms;
    auto it = atoms.constFind(name);
    if (it == atoms.constEnd())
        it = atoms.insert(name, XInternAtom(display, name, False));
    return it.value();
}

// The window a property of the root names (_NET_ACTIVE_WINDOW, _NET_SUPPORTING_WM_CHECK), or none.
Window windowOnRoot(Display* display, const char* property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    Window window = 0;
    if (XGetWindowProperty(display, DefaultRootWindow(display), atom(display, property), 0, 1, False,
                           XA_WINDOW, &type, &format, &count, &remaining, &data) == Success &&
        type == XA_WINDOW && count == 1 && data)
        window = *reinterpret_cast<const Window*>(data);
    if (data)
        XFree(data);
    return window;
}

// True for a window the top-most windows must leave in view while it shows.
bool mustStayUncovered(Display* display, Window window, const XWindowAttributes& attributes) {
    if (!attributes.override_redirect) {
        // A managed window, in its manager's frame: full-screen when the manager says so.
        const Window client = clientWindow(display, window, atom(display, "WM_STATE"));
        if (!client)
            return false;
        const std::vector<Atom> state = atomList(display, client, atom(display, "_NET_WM_STATE"));
        return std::find(state.begin(), state.end(), atom(display, "_NET_WM_STATE_FULLSCREEN")) !=
               state.end();
    }
    // Bypassing the manager: a screen locker or a full-screen video fills a monitor; a window parked off
    // every monitor (a toolkit's helper) is nothing anyone sees.
    const Cover cover = coverOf(attributes);
    if (cover != Cover::Part)
        return cover == Cover::AWholeMonitor;
    // A menu, a tooltip or another pop-up, by the type its owner gave it; a window without a type is taken
    // for the menu of a toolkit that names none.
    const std::vector<Atom> types = atomList(display, window, atom(display, "_NET_WM_WINDOW_TYPE"));
    if (types.empty())
        return true;
    for (const char* name : kPopUpTypes) {
        if (std::find(types.begin(), types.end(), atom(display, name)) != types.end())
            return true;
    }
    return false;
}

} // namespace

X11WindowStacking::X11WindowStacking() {
    Display* qt = qtX11Display();
    if (!qt)
        return;
    watch = XOpenDisplay(DisplayString(qt));
    if (!watch)
        return;
    // The root's children being mapped, moved and restacked, and the root itself changing size.
    XSelectInput(watch, DefaultRootWindow(watch), SubstructureNotifyMask | StructureNotifyMask);
    XFlush(watch);
    notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(watch), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [this] { readRootEvents(); });
}

X11WindowStacking::~X11WindowStacking() {
    notifier.reset();
    if (watch)
        XCloseDisplay(watch);
}

bool X11WindowStacking::watchOthers(std::function<void()> changed) {
    changed_ = std::move(changed);
    return watch != nullptr;
}

X11WindowStacking::Windows X11WindowStacking::ids(const QList<QPointer<QWidget>>& windows) const {
    Windows result;
    for (const QPointer<QWidget>& window : windows) {
        if (const Window id = nativeWindow(window.data()))
            result.push_back(id);
    }
    return result;
}

bool X11WindowStacking::othersChangedBy(const XEvent& event) const {
    Window changed = 0;
    switch (event.type) {
    case MapNotify:
        changed = event.xmap.window;
        break;
    case ConfigureNotify:
        changed = event.xconfigure.window; // the root itself when the screen changed size
        break;
    case CirculateNotify:
        changed = event.xcirculate.window;
        break;
    case ReparentNotify:
        changed = event.xreparent.window;
        break;
    default:
        break;
    }
    if (!changed || changed == keyboardHolder)
        return false;
    // Our own windows moving or being restacked change nothing for the others.
    for (const QList<QPointer<QWidget>>* list : {&above, &normal}) {
        for (const QPointer<QWidget>& window : *list) {
            if (nativeWindow(window.data()) == changed)
                return false;
        }
    }
    return true;
}

void X11WindowStacking::readRootEvents() {
    if (!watch)
        return;
    bool othersChanged = false;
    while (XPending(watch) > 0) {
        XEvent event;
        XNextEvent(watch, &event);
        othersChanged = othersChangedBy(event) || othersChanged;
    }
    if (!othersChanged)
        return;
    // A window manager keeps the windows it manages below those that bypass it, so a window that is not
    // top-most follows the others down each time one of them is mapped or raised.
    if (!normal.isEmpty() && !placing) {
        placing = true;
        if (Display* display = qtX11Display())
            placeAmongOthers(display);
        placing = false;
    }
    if (changed_)
        changed_();
}

bool X11WindowStacking::eventFilter(QObject* watched, QEvent* event) {
    // A press on a window that is not top-most brings it to the front, as activating any window would, and
    // the other windows of the program that are not top-most with it.
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        const Window pressed = nativeWindow(static_cast<QWidget*>(watched)->window());
        const Windows group = ids(normal);
        Display* display = qtX11Display();
        if (display && pressed && indexOf(group, pressed) >= 0) {
            for (Window id : group)
                XRaiseWindow(display, id);
            XFlush(display);
        }
    }
    return false;
}

void X11WindowStacking::setTopMost(QWidget* window, bool on) {
    if (!window)
        return;
    topMost.insert(window, on);
    // A window keeps its place in its group when it is set again.
    QList<QPointer<QWidget>>& group = on ? above : normal;
    QList<QPointer<QWidget>>& other = on ? normal : above;
    other.removeIf([window](const QPointer<QWidget>& w) { return w.isNull() || w == window; });
    group.removeIf([](const QPointer<QWidget>& w) { return w.isNull(); });
    if (!group.contains(window))
        group.append(window);
    if (normal.isEmpty())
        qApp->removeEventFilter(this);
    else
        qApp->installEventFilter(this);

    Display* display = qtX11Display();
    if (!display || !nativeWindow(window))
        return;
    if (on)
        keepAbove(display);
    else
        placeAmongOthers(display);
}

void X11WindowStacking::standBelow(QWidget* dialog, bool on) {
    dialogs.removeIf([dialog](const QPointer<QWidget>& w) { return w.isNull() || w == dialog; });
    if (on && dialog)
        dialogs.append(dialog);
}

void X11WindowStacking::keepAbove(Display* display) {
    const Windows group = ids(above);
    if (group.empty())
        return;
    const Windows children = rootChildren(display);
    const Window limit = ceiling(display, children, group);
    // Nothing to do when the group stands right below its ceiling (or at the very top) already, in order:
    // requests that change nothing would still reach every client that watches the stacking order.
    long next = limit ? indexOf(children, limit) : static_cast<long>(children.size());
    bool inPlace = next >= 0;
    for (auto it = group.rbegin(); inPlace && it != group.rend(); ++it) {
        const long at = indexOf(children, *it);
        inPlace = at >= 0 && at == next - 1;
        next = at;
    }
    if (inPlace)
        return;
    // Sent on Qt's own connection and flushed now, so the restack is not left in the output buffer until
    // the event loop runs again (the caller may be in the middle of a slide).
    Window sibling = limit;
    for (auto it = group.rbegin(); it != group.rend(); ++it) {
        if (sibling) {
            XWindowChanges changes{};
            changes.sibling = sibling;
            changes.stack_mode = Below;
            XConfigureWindow(display, *it, CWSibling | CWStackMode, &changes);
        } else {
            XRaiseWindow(display, *it);
        }
        sibling = *it;
    }
    XFlush(display);
}

unsigned long X11WindowStacking::ceiling(Display* display, const Windows& children,
                                         const Windows& group) const {
    long lowest = -1;
    auto lower = [&lowest](long index) {
        if (index >= 0 && (lowest < 0 || index < lowest))
            lowest = index;
    };
    XWindowAttributes attributes{};
    // The program's own dialogs that show, wherever they stand.
    for (const QPointer<QWidget>& dialog : dialogs) {
        if (!dialog || !dialog->isVisible())
            continue;
        const Window top = rootChildOf(display, nativeWindow(dialog.data()));
        if (top && viewable(display, top, attributes))
            lower(indexOf(children, top));
    }
    // The group never passes a window that must stay uncovered and stands above it. Nor does it stay above
    // the highest window the window manager manages when that one is full-screen: the manager keeps the
    // windows it manages below those that bypass it, so a video gone full-screen would be left under the tab.
    long groupBottom = static_cast<long>(children.size());
    for (Window window : group) {
        const long at = indexOf(children, window);
        if (at >= 0 && at < groupBottom)
            groupBottom = at;
    }
    bool managedSeen = false;
    for (long i = static_cast<long>(children.size()) - 1; i >= 0; --i) {
        if (i < groupBottom && managedSeen)
            break;
        const Window window = children[static_cast<size_t>(i)];
        if (indexOf(group, window) >= 0 || !viewable(display, window, attributes))
            continue;
        const bool managed = !attributes.override_redirect;
        if ((i > groupBottom || (managed && !managedSeen)) &&
            mustStayUncovered(display, window, attributes)) {
            lower(i);
        }
        managedSeen = managedSeen || managed;
    }
    return lowest >= 0 ? children[static_cast<size_t>(lowest)] : 0;
}

void X11WindowStacking::placeAmongOthers(Display* display) {
    // Back in the normal order: just below the highest window of another program that the window manager
    // manages, so that windows raised or opened from now on come above it, while the desktop and the
    // windows below stay beneath. Windows bypassing the manager (menus, tooltips) are left out of the count.
    const Windows group = ids(normal);
    if (group.empty())
        return;
    const Windows children = rootChildren(display);
    Window highest = 0;
    XWindowAttributes attributes{};
    for (auto it = children.rbegin(); it != children.rend() && !highest; ++it) {
        if (indexOf(group, *it) < 0 && viewable(display, *it, attributes) && !attributes.override_redirect)
            highest = *it;
    }
    if (!highest)
        return;
    Window sibling = highest;
    for (auto it = group.rbegin(); it != group.rend(); ++it) {
        XWindowChanges changes{};
        changes.sibling = sibling;
        changes.stack_mode = Below;
        XConfigureWindow(display, *it, CWSibling | CWStackMode, &changes);
        sibling = *it;
    }
    XFlush(display);
}

void X11WindowStacking::takeFocus(QWidget* window) {
    Display* display = qtX11Display();
    const Window id = nativeWindow(window);
    // Focusing a window that is not viewable is an error; a hidden window cannot take the keyboard anyway.
    if (!display || !id || !window->isVisible())
        return;
    if (WindowOutline::drawnFromAlpha()) {
        holdKeyboard(display, id);
        return;
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    // PointerRoot and None name no window to give the keyboard back to.
    if (focus != id && focus != PointerRoot && focus != None)
        focusBefore = focus;
    XSetInputFocus(display, id, RevertToParent, CurrentTime);
    XFlush(display);
}

void X11WindowStacking::holdKeyboard(Display* display, unsigned long tab) {
    // Under a Wayland compositor the X server's focus is not what decides where keys go: the compositor hands
    // the keyboard to one surface, resets focus changes an X client makes on its own, and gives none to a
    // window that bypasses the manager as a utility, menu or tooltip does (the tab is one). It does give the
    // keyboard to such a window of the normal type when it is mapped, and back to the window that had it when
    // that one is unmapped. So a window of that type, one transparent pixel at the tab's corner and below it,
    // holds the keyboard while the tab is open.
    //
    // Other compositors (mutter, KWin) give no keyboard to a window that bypasses the manager, whatever its
    // type. There the holder is a window the manager manages, without frame, task bar entry or pager entry,
    // and it is activated as a pager asks for a window (_NET_ACTIVE_WINDOW, source 2).
    XWindowAttributes tabAttributes{};
    if (!XGetWindowAttributes(display, tab, &tabAttributes))
        return;
    if (!keyboardHolder) {
        holderManaged = !managerFocusesBypassingWindows(display);
        XVisualInfo visual{};
        const bool argb = XMatchVisualInfo(display, DefaultScreen(display), 32, TrueColor, &visual);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = holderManaged ? False : True;
        unsigned long mask = CWOverrideRedirect;
        if (argb) {
            attributes.colormap =
                XCreateColormap(display, DefaultRootWindow(display), visual.visual, AllocNone);
            attributes.background_pixel = 0; // fully transparent
            attributes.border_pixel = 0;
            mask |= CWColormap | CWBackPixel | CWBorderPixel;
        }
        keyboardHolder = XCreateWindow(display, DefaultRootWindow(display), tabAttributes.x, tabAttributes.y,
                                       1, 1, 0, argb ? 32 : CopyFromParent, InputOutput,
                                       argb ? visual.visual : CopyFromParent, mask, &attributes);
        const Atom normalType = atom(display, "_NET_WM_WINDOW_TYPE_NORMAL");
        XChangeProperty(display, keyboardHolder, atom(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&normalType), 1);
        // Named, so that it can be told apart from the other windows in a tool that lists them.
        XStoreName(display, keyboardHolder, "Brimvel keyboard");
        if (holderManaged)
            describeManagedHolder(display);
    }
    XWindowChanges changes{};
    changes.x = tabAttributes.x;
    changes.y = tabAttributes.y;
    changes.sibling = tab;
    changes.stack_mode = Below;
    XConfigureWindow(display, keyboardHolder, CWX | CWY | CWSibling | CWStackMode, &changes);
    XMapWindow(display, keyboardHolder);
    if (!holding) {
        const Window active = windowOnRoot(display, "_NET_ACTIVE_WINDOW");
        activeBefore = active != keyboardHolder && active != tab ? active : 0;
    }
    holding = true;
    if (holderManaged) {
        activationsLeft = kActivations;
        activateHolder(display);
    }
    // The compositor leaves the X server's focus where it was: on an X11 window of another program that had
    // the keyboard, which would get the keys typed at the open tab as well. The grab sends them to the tab
    // instead, but for the program's own windows (the editor), which get theirs as usual.
    keyboardGrabbed =
        XGrabKeyboard(display, tab, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    XFlush(display);
}

void X11WindowStacking::activateHolder(Display* display) {
    // The manager may still be taking the window in when a request for it comes (mutter drops one that
    // comes before XWayland has told it which surface shows the window): the request is made again a
    // little later, until the holder has the keyboard, the tab slid in, or a few have gone unanswered.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (!holding || focus == keyboardHolder || activationsLeft <= 0)
        return;
    --activationsLeft;
    requestActivation(display, keyboardHolder);
    XFlush(display);
    QTimer::singleShot(kActivationRetryMs, this, [this] {
        if (Display* qt = qtX11Display())
            activateHolder(qt);
    });
}

bool X11WindowStacking::managerFocusesBypassingWindows(Display* display) {
    // The window manager names itself on the window that _NET_SUPPORTING_WM_CHECK points to; the one of
    // wlroots compositors is "wlroots wm".
    const Window check = windowOnRoot(display, "_NET_SUPPORTING_WM_CHECK");
    if (!check || !watch)
        return true;
    // Asked on the private connection, where a check window that is gone is a failed reply, not an error.
    QByteArray name;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    if (XGetWindowProperty(watch, check, XInternAtom(watch, "_NET_WM_NAME", False), 0, 64, False,
                           XInternAtom(watch, "UTF8_STRING", False), &type, &format, &count, &remaining,
                           &data) == Success &&
        data && format == 8)
        name = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
    if (data)
        XFree(data);
    XSync(watch, False);
    XSetErrorHandler(previous);
    return name.isEmpty() || name.startsWith("wlroots");
}

bool X11WindowStacking::stillShown(unsigned long window) const {
    // Asked on the private connection, where a window that is gone is a reply of failure rather than an
    // error on Qt's.
    if (!watch)
        return false;
    XWindowAttributes attributes;
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    const bool shown = XGetWindowAttributes(watch, window, &attributes) && attributes.map_state == IsViewable;
    XSync(watch, False);
    XSetErrorHandler(previous);
    return shown;
}

void X11WindowStacking::describeManagedHolder(Display* display) {
    // No frame (Motif hints: decorations given, none), no entry in task bars and pagers, and a place the
    // manager keeps: the tab's corner.
    const long motif[5] = {2, 0, 0, 0, 0};
    XChangeProperty(display, keyboardHolder, atom(display, "_MOTIF_WM_HINTS"),
                    atom(display, "_MOTIF_WM_HINTS"), 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);
    const Atom state[2] = {atom(display, "_NET_WM_STATE_SKIP_TASKBAR"),
                           atom(display, "_NET_WM_STATE_SKIP_PAGER")};
    XChangeProperty(display, keyboardHolder, atom(display, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 2);
    XSizeHints size{};
    size.flags = USPosition | PPosition;
    XSetWMNormalHints(display, keyboardHolder, &size);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = True;
    XSetWMHints(display, keyboardHolder, &hints);
}

void X11WindowStacking::returnFocus(QWidget* window) {
    Display* display = qtX11Display();
    if (display && keyboardHolder) {
        if (keyboardGrabbed)
            XUngrabKeyboard(display, CurrentTime);
        keyboardGrabbed = false;
        holding = false;
        // The compositor gives the keyboard back to the window that had it when the holder goes, unless the
        // user chose another. Under sway that is the whole story. Mutter and KWin fall back to a window of
        // their own choosing, not always an X11 window that had it: while the holder is still the active
        // window (the user chose no other), that window is asked for again as the holder was.
        const Window restore =
            holderManaged && activeBefore && windowOnRoot(display, "_NET_ACTIVE_WINDOW") == keyboardHolder
                ? activeBefore
                : 0;
        activeBefore = 0;
        XUnmapWindow(display, keyboardHolder);
        if (restore && stillShown(restore))
            requestActivation(display, restore);
        XFlush(display);
        return;
    }
    const Window id = nativeWindow(window);
    const Window before = focusBefore;
    focusBefore = 0;
    if (!display || !id || !before)
        return;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus != id)
        return; // the user has focused another window since
    // Only a window that still exists and is on screen can take the keyboard.
    if (!stillShown(before))
        return;
    XSetInputFocus(display, before, RevertToParent, CurrentTime);
    XFlush(display);
}
