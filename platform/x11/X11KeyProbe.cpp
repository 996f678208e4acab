#include "X11KeyProbe.h"

#include "QtX11Display.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <algorithm>

namespace {

// The keysyms a number-pad key carries with NumLock on and off, by digit.
constexpr KeySym kDigitKeysyms[10] = {XK_KP_0, XK_KP_1, XK_KP_2, XK_KP_3, XK_KP_4,
                                      XK_KP_5, XK_KP_6, XK_KP_7, XK_KP_8, XK_KP_9};
constexpr KeySym kNavigationKeysyms[10] = {XK_KP_Insert, XK_KP_End,   XK_KP_Down, XK_KP_Next, XK_KP_Left,
                                           XK_KP_Begin,  XK_KP_Right, XK_KP_Home, XK_KP_Up,   XK_KP_Prior};

} // namespace

X11KeyProbe::X11KeyProbe() {
    Display* qtDisplay = qtX11Display();
    display = XOpenDisplay(qtDisplay ? DisplayString(qtDisplay) : nullptr);
    if (!display)
        return;

    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 2; // raw events reach the root window whatever grabs are active from XInput 2.1 on
    rawKeysAvailable = XQueryExtension(display, "XInputExtension", &xinputOpcode, &event, &error) &&
                       XIQueryVersion(display, &major, &minor) == Success && major >= 2;
    mapKeycodes();

    notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
    notifier->setEnabled(false);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this] { drainEvents(); });
    setActive(true);
}

X11KeyProbe::~X11KeyProbe() {
    notifier.reset();
    if (display)
        XCloseDisplay(display);
}

void X11KeyProbe::mapKeycodes() {
    for (int digit = 0; digit < kVirtualKeyCount; ++digit) {
        std::vector<unsigned char>& keycodes = keycodesOf[digit];
        keycodes.clear();
        for (KeySym keysym : {kDigitKeysyms[digit], kNavigationKeysyms[digit]}) {
            const KeyCode keycode = XKeysymToKeycode(display, keysym);
            if (keycode != 0 && std::find(keycodes.begin(), keycodes.end(), keycode) == keycodes.end())
                keycodes.push_back(keycode);
        }
    }
}

void X11KeyProbe::selectRawKeys(bool on) {
    if (!rawKeysAvailable)
        return;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask{};
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = 0; // an empty mask clears the selection
    mask.mask = bits;
    if (on) {
        XISetMask(bits, XI_RawKeyPress);
        mask.mask_len = sizeof(bits);
    }
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
}

void X11KeyProbe::setActive(bool on) {
    if (!display || on == active)
        return;
    active = on;
    selectRawKeys(on);
    // The round trip makes the new selection effective before this returns: a key pressed after
    // activation counts, and nothing selected before deactivation is still on its way.
    XSync(display, False);
    drainEvents();
    pressedSinceQuery.reset();
    notifier->setEnabled(on);
}

void X11KeyProbe::drainEvents() {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            // The keyboard layout changed: the number-pad keysyms may sit on other keycodes now.
            XRefreshKeyboardMapping(&event.xmapping);
            mapKeycodes();
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != xinputOpcode ||
            !XGetEventData(display, cookie))
            continue;
        if (cookie->evtype == XI_RawKeyPress && active) {
            const int keycode = static_cast<const XIRawEvent*>(cookie->data)->detail;
            if (keycode >= 0 && keycode < static_cast<int>(pressedSinceQuery.size()))
                pressedSinceQuery.set(static_cast<size_t>(keycode));
        }
        XFreeEventData(display, cookie);
    }
}

void X11KeyProbe::lookAtKeyboard() {
    XQueryKeymap(display, keymap);
    // The round trip has read every raw event the server sent before its reply.
    drainEvents();
}

void X11KeyProbe::beginScan() {
    if (!display || !active)
        return;
    lookAtKeyboard();
    scanning = true;
}

void X11KeyProbe::endScan() {
    scanning = false;
}

bool X11KeyProbe::pressed(int virtualKey) {
    const int digit = virtualKey - kFirstVirtualKey;
    if (!display || !active || digit < 0 || digit >= kVirtualKeyCount)
        return false;

    if (!scanning)
        lookAtKeyboard();

    bool result = false;
    for (unsigned char keycode : keycodesOf[digit]) {
        if (keymap[keycode / 8] & (1 << (keycode % 8)))
            result = true;
        if (pressedSinceQuery.test(keycode))
            result = true;
        pressedSinceQuery.reset(keycode);
    }
    return result;
}
