// SPDX-License-Identifier: MIT
#include "X11KeyProbe.h"

#include "QtX11Display.h"

#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

namespace {

// The state components that change which keysym a key types.
constexpr unsigned long kLookupStateMask = XkbModifierStateMask | XkbGroupStateMask | XkbLookupModsMask;

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
    int xkbOpcode = 0;
    int xkbMajor = XkbMajorVersion;
    int xkbMinor = XkbMinorVersion;
    if (XkbQueryExtension(display, &xkbOpcode, &xkbEventBase, &error, &xkbMajor, &xkbMinor) != True)
        xkbEventBase = -1;
    // Loads the keyboard map now rather than in the middle of the first press.
    KeySym keysym = NoSymbol;
    unsigned int consumed = 0;
    XkbLookupKeySym(display, 0, 0, &consumed, &keysym);

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

void X11KeyProbe::selectEvents(bool on) {
    if (xkbEventBase >= 0)
        XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, kLookupStateMask,
                              on ? kLookupStateMask : 0);
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
    selectEvents(on);
    // The round trip makes the new selection effective before this returns: a key pressed after
    // activation counts, and nothing selected before deactivation is still on its way.
    XSync(display, False);
    drainEvents();
    pressedSinceQuery.reset();
    if (on)
        readKeyboardState();
    notifier->setEnabled(on);
}

void X11KeyProbe::readKeyboardState() {
    if (xkbEventBase >= 0) {
        XkbStateRec state{};
        // The server's reply leaves the lookup modifiers at zero (only the state notifications carry them),
        // so the effective modifiers stand in for them; they differ only by internal modifiers.
        if (XkbGetState(display, XkbUseCoreKbd, &state) == Success)
            keyboardState = XkbBuildCoreState(state.mods, state.group);
        // State notifications read while waiting for the reply are older than it; the presses among them
        // still count, under the state just read.
        drainEvents(StateEvents::Skip);
        return;
    }
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    if (XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask))
        keyboardState = mask;
}

int X11KeyProbe::digitOf(unsigned int keycode) const {
    KeySym keysym = NoSymbol;
    unsigned int consumed = 0;
    if (keycode > 255 ||
        !XkbLookupKeySym(display, static_cast<KeyCode>(keycode), keyboardState, &consumed, &keysym))
        return -1;
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return static_cast<int>(keysym - XK_KP_0);
    return -1;
}

void X11KeyProbe::drainEvents(StateEvents stateEvents) {
    bool digitPressed = false;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            // The keyboard layout changed: keys may type other keysyms now.
            XRefreshKeyboardMapping(&event.xmapping);
            continue;
        }
        if (xkbEventBase >= 0 && event.type == xkbEventBase) {
            const auto* xkb = reinterpret_cast<const XkbEvent*>(&event);
            if (xkb->any.xkb_type == XkbStateNotify && stateEvents == StateEvents::Follow)
                keyboardState = XkbBuildCoreState(xkb->state.lookup_mods, xkb->state.group);
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != xinputOpcode ||
            !XGetEventData(display, cookie))
            continue;
        if (cookie->evtype == XI_RawKeyPress && active) {
            const int digit =
                digitOf(static_cast<unsigned int>(static_cast<const XIRawEvent*>(cookie->data)->detail));
            if (digit >= 0) {
                pressedSinceQuery.set(static_cast<size_t>(digit));
                digitPressed = true;
            }
        }
        XFreeEventData(display, cookie);
    }
    if (digitPressed && pressListener)
        pressListener();
}

void X11KeyProbe::lookAtKeyboard() {
    char keymap[32] = {};
    XQueryKeymap(display, keymap);
    // The round trip has read every raw event and state change the server sent before its reply.
    drainEvents();
    if (xkbEventBase < 0)
        readKeyboardState();
    heldDigits.reset();
    for (unsigned int byte = 0; byte < sizeof(keymap); ++byte) {
        if (keymap[byte] == 0)
            continue;
        for (unsigned int bit = 0; bit < 8; ++bit) {
            if (keymap[byte] & (1 << bit)) {
                const int digit = digitOf(byte * 8 + bit);
                if (digit >= 0)
                    heldDigits.set(static_cast<size_t>(digit));
            }
        }
    }
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

    const bool result =
        heldDigits.test(static_cast<size_t>(digit)) || pressedSinceQuery.test(static_cast<size_t>(digit));
    pressedSinceQuery.reset(static_cast<size_t>(digit));
    return result;
}
