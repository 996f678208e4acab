// SPDX-License-Identifier: MIT
// Pointer and key input for tests under a Wayland compositor, through the compositor's own interface for it,
// kept for the whole run:
// - wlroots compositors (sway): one virtual pointer and one virtual keyboard (a compositor gives a seat
//   pointer and keyboard capabilities only while such a device exists, and a keyboard made anew for each
//   key may lose its first key to the keymap change);
// - KWin: its fake input interface (the compositor lets a client use it only when it does not check
//   permissions, as in the test session);
// - mutter (--mutter): a remote desktop session over D-Bus, run in the compositor's D-Bus session. Its
//   pointer moves by relative motion only (absolute motion wants a screen cast stream): the pointer is
//   pushed into the top-left corner once, and each move is the difference from where it stands.
//
// Reads commands from standard input, one a line, and answers each with "ok" (or "error: ...") once the
// compositor has handled it:
//   move X Y          the pointer to (X, Y) in the layout of outputs
//   down B / up B     button B (1 left, 2 middle, 3 right) pressed / released
//   click B           down B, then up B
//   keydown NAME / keyup NAME / key NAME
//                     the key that carries the keysym NAME (xkb names: KP_1, Return, a) in the "us" layout,
//                     with Num Lock on
//
//   wlinput [--mutter] [WIDTH HEIGHT]   the size of the layout (default 1280 1024)

#define _GNU_SOURCE
#include "fake-input-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <gio/gio.h>
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* pointerManager;
static struct zwp_virtual_keyboard_manager_v1* keyboardManager;
static struct org_kde_kwin_fake_input* fakeInput;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        pointerManager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        keyboardManager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    else if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fakeInput = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
}

static void globalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {global, globalRemove};

static uint32_t nowMs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

static struct xkb_keymap* keymap;

// The evdev code of the first key that carries `keysym` on any level of the first layout, or -1.
static int evdevCodeOf(xkb_keysym_t keysym) {
    const xkb_keycode_t min = xkb_keymap_min_keycode(keymap);
    const xkb_keycode_t max = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t code = min; code <= max; ++code) {
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, 0);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = NULL;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, &syms);
            for (int i = 0; i < count; ++i)
                if (syms[i] == keysym)
                    return (int)code - 8; // xkb keycodes are evdev codes plus 8
        }
    }
    return -1;
}

static int buttonCode(int button) {
    switch (button) {
    case 1:
        return BTN_LEFT;
    case 2:
        return BTN_MIDDLE;
    case 3:
        return BTN_RIGHT;
    default:
        return -1;
    }
}

// One way into the compositor: each call queues or sends one event; sync() returns once the compositor has
// handled everything sent so far, NULL on success or what went wrong.
struct Backend {
    void (*move)(int x, int y);
    void (*button)(int code, int pressed);
    void (*key)(int code, int pressed);
    const char* (*sync)(void);
};

// --- wlroots virtual pointer and keyboard, and KWin's fake input: Wayland requests.

static struct wl_display* display;
static struct zwlr_virtual_pointer_v1* pointer;
static struct zwp_virtual_keyboard_v1* keyboard;
static unsigned layoutWidth = 1280, layoutHeight = 1024;

static void wlrMove(int x, int y) {
    zwlr_virtual_pointer_v1_motion_absolute(pointer, nowMs(), (uint32_t)x, (uint32_t)y, layoutWidth,
                                            layoutHeight);
    zwlr_virtual_pointer_v1_frame(pointer);
}
static void wlrButton(int code, int pressed) {
    zwlr_virtual_pointer_v1_button(pointer, nowMs(), (uint32_t)code,
                                   pressed ? WL_POINTER_BUTTON_STATE_PRESSED
                                           : WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(pointer);
}
static void wlrKey(int code, int pressed) {
    zwp_virtual_keyboard_v1_key(keyboard, nowMs(), (uint32_t)code,
                                pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
}
static void fakeMove(int x, int y) {
    org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_int(x), wl_fixed_from_int(y));
}
static void fakeButton(int code, int pressed) {
    org_kde_kwin_fake_input_button(fakeInput, (uint32_t)code,
                                   pressed ? WL_POINTER_BUTTON_STATE_PRESSED
                                           : WL_POINTER_BUTTON_STATE_RELEASED);
}
static void fakeKey(int code, int pressed) {
    org_kde_kwin_fake_input_keyboard_key(
        fakeInput, (uint32_t)code, pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
}
static const char* waylandSync(void) {
    if (wl_display_roundtrip(display) < 0 || wl_display_get_error(display))
        return "the compositor closed the connection";
    return NULL;
}

// --- mutter's remote desktop session: D-Bus calls, each answered once mutter has handled it.

static GDBusConnection* bus;
static char* session;
static int pointerX, pointerY;
static const char* mutterError;

static void mutterCall(const char* method, GVariant* arguments) {
    GError* error = NULL;
    GVariant* reply = g_dbus_connection_call_sync(bus, "org.gnome.Mutter.RemoteDesktop", session,
                                                  "org.gnome.Mutter.RemoteDesktop.Session", method, arguments,
                                                  NULL, G_DBUS_CALL_FLAGS_NONE, 5000, NULL, &error);
    if (reply)
        g_variant_unref(reply);
    if (error) {
        fprintf(stderr, "wlinput: %s: %s\n", method, error->message);
        mutterError = "mutter refused the input";
        g_error_free(error);
    }
}
static void mutterMove(int x, int y) {
    mutterCall("NotifyPointerMotionRelative",
               g_variant_new("(dd)", (double)(x - pointerX), (double)(y - pointerY)));
    pointerX = x;
    pointerY = y;
}
static void mutterButton(int code, int pressed) {
    mutterCall("NotifyPointerButton", g_variant_new("(ib)", code, pressed));
}
static void mutterKey(int code, int pressed) {
    mutterCall("NotifyKeyboardKeycode", g_variant_new("(ub)", (uint32_t)code, pressed));
}
static const char* mutterSync(void) {
    const char* error = mutterError;
    mutterError = NULL;
    return error;
}

static int startMutter(void) {
    GError* error = NULL;
    bus = g_bus_get_sync(G_BUS_TYPE_SESSION, NULL, &error);
    GVariant* reply = bus ? g_dbus_connection_call_sync(
                                bus, "org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
                                "org.gnome.Mutter.RemoteDesktop", "CreateSession", NULL,
                                G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, 5000, NULL, &error)
                          : NULL;
    if (!reply) {
        fprintf(stderr, "wlinput: no remote desktop session from mutter: %s\n", error ? error->message : "");
        return 0;
    }
    g_variant_get(reply, "(o)", &session);
    g_variant_unref(reply);
    mutterCall("Start", NULL);
    // Into the corner, whatever the pointer's speed: motion stops at the edges of the screen.
    mutterCall("NotifyPointerMotionRelative", g_variant_new("(dd)", -100000.0, -100000.0));
    pointerX = pointerY = 0;
    // mutter drops the first key of a new session now and then (it was seen to lose the Num Lock press this
    // helper used to give here, which left Num Lock off for the whole run): a Shift tap, which types nothing
    // anywhere, goes first. Num Lock itself is left as it is: mutter keeps it across sessions, so toggling it
    // here would turn it off again for every second helper (tests/wayland.sh starts mutter with it on).
    mutterKey(KEY_LEFTSHIFT, 1);
    mutterKey(KEY_LEFTSHIFT, 0);
    return mutterSync() == NULL;
}

int main(int argc, char** argv) {
    int mutter = argc > 1 && strcmp(argv[1], "--mutter") == 0;
    if (mutter) {
        --argc;
        ++argv;
    }
    if (argc > 2) {
        layoutWidth = (unsigned)atoi(argv[1]);
        layoutHeight = (unsigned)atoi(argv[2]);
    }
    const unsigned width = layoutWidth, height = layoutHeight;

    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const struct xkb_rule_names names = {.rules = "evdev", .model = "pc105", .layout = "us"};
    keymap = context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
    char* keymapText = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : NULL;
    if (!keymapText) {
        fprintf(stderr, "wlinput: cannot compile the us keymap\n");
        return 1;
    }

    struct Backend backend;
    if (mutter) {
        if (!startMutter())
            return 1;
        backend = (struct Backend){mutterMove, mutterButton, mutterKey, mutterSync};
    } else {
        display = wl_display_connect(NULL);
        if (!display) {
            fprintf(stderr, "wlinput: cannot connect to the Wayland compositor\n");
            return 1;
        }
        struct wl_registry* registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, NULL);
        wl_display_roundtrip(display);
        if (seat && pointerManager && keyboardManager) {
            const size_t keymapSize = strlen(keymapText) + 1;
            const int keymapFd = memfd_create("wlinput-keymap", MFD_CLOEXEC);
            if (keymapFd < 0 || write(keymapFd, keymapText, keymapSize) != (ssize_t)keymapSize) {
                fprintf(stderr, "wlinput: cannot hand over the keymap\n");
                return 1;
            }
            pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager, seat);
            keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager, seat);
            zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymapFd,
                                           (uint32_t)keymapSize);
            // Num Lock on, as on a desk where the number pad types digits: without it KP_1 types KP_End.
            const xkb_mod_index_t numLock = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_NUM);
            if (numLock != XKB_MOD_INVALID)
                zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 1u << numLock, 0);
            backend = (struct Backend){wlrMove, wlrButton, wlrKey, waylandSync};
        } else if (fakeInput) {
            // KWin keeps its own keyboard state: Num Lock is on as its settings say (the session's are).
            org_kde_kwin_fake_input_authenticate(fakeInput, "wlinput", "input for tests");
            backend = (struct Backend){fakeMove, fakeButton, fakeKey, waylandSync};
        } else {
            fprintf(stderr,
                    "wlinput: the compositor offers neither virtual pointer and keyboard nor fake input\n");
            return 1;
        }
        if (waylandSync()) {
            fprintf(stderr, "wlinput: the compositor refused the virtual devices\n");
            return 1;
        }
    }
    printf("ready\n");
    fflush(stdout);

    char line[256];
    while (fgets(line, sizeof line, stdin)) {
        char verb[32] = "", argument[64] = "";
        int x = 0, y = 0;
        const char* error = NULL;
        if (sscanf(line, "%31s", verb) != 1)
            continue;
        if (strcmp(verb, "move") == 0) {
            if (sscanf(line, "%*s %d %d", &x, &y) != 2 || x < 0 || y < 0 || (unsigned)x >= width ||
                (unsigned)y >= height)
                error = "move wants X Y inside the layout";
            else
                backend.move(x, y);
        } else if (strcmp(verb, "down") == 0 || strcmp(verb, "up") == 0 || strcmp(verb, "click") == 0) {
            int button = 0;
            const int code = sscanf(line, "%*s %d", &button) == 1 ? buttonCode(button) : -1;
            if (code < 0) {
                error = "unknown button";
            } else {
                if (strcmp(verb, "up") != 0)
                    backend.button(code, 1);
                if (strcmp(verb, "down") != 0)
                    backend.button(code, 0);
            }
        } else if (strcmp(verb, "key") == 0 || strcmp(verb, "keydown") == 0 || strcmp(verb, "keyup") == 0) {
            const xkb_keysym_t keysym = sscanf(line, "%*s %63s", argument) == 1
                                            ? xkb_keysym_from_name(argument, XKB_KEYSYM_NO_FLAGS)
                                            : XKB_KEY_NoSymbol;
            const int code = keysym == XKB_KEY_NoSymbol ? -1 : evdevCodeOf(keysym);
            if (code < 0) {
                error = "no key carries that keysym";
            } else {
                if (strcmp(verb, "keyup") != 0)
                    backend.key(code, 1);
                if (strcmp(verb, "keydown") != 0)
                    backend.key(code, 0);
            }
        } else {
            error = "unknown command";
        }
        if (!error)
            error = backend.sync();
        if (error)
            printf("error: %s\n", error);
        else
            printf("ok\n");
        fflush(stdout);
        if (display && wl_display_get_error(display))
            return 1;
    }
    if (pointer)
        zwlr_virtual_pointer_v1_destroy(pointer);
    if (keyboard)
        zwp_virtual_keyboard_v1_destroy(keyboard);
    if (display) {
        wl_display_roundtrip(display);
        wl_display_disconnect(display);
    }
    if (session)
        mutterCall("Stop", NULL);
    return 0;
}
