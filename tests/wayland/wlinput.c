// SPDX-License-Identifier: MIT
// Pointer and key input for tests under a Wayland compositor: one virtual pointer and one virtual keyboard,
// kept for the whole run (a compositor gives a seat pointer and keyboard capabilities only while such a
// device exists, and a keyboard made anew for each key may lose its first key to the keymap change).
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
//   wlinput [WIDTH HEIGHT]   the size of the layout (default 1280 1024)

#define _GNU_SOURCE
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

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

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        pointerManager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        keyboardManager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
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

int main(int argc, char** argv) {
    const unsigned width = argc > 2 ? (unsigned)atoi(argv[1]) : 1280;
    const unsigned height = argc > 2 ? (unsigned)atoi(argv[2]) : 1024;
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "wlinput: cannot connect to the Wayland compositor\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!seat || !pointerManager || !keyboardManager) {
        fprintf(stderr, "wlinput: the compositor offers no %s\n",
                !seat             ? "seat"
                : !pointerManager ? "virtual pointer"
                                  : "virtual keyboard");
        return 1;
    }

    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const struct xkb_rule_names names = {.rules = "evdev", .model = "pc105", .layout = "us"};
    keymap = context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
    char* keymapText = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : NULL;
    if (!keymapText) {
        fprintf(stderr, "wlinput: cannot compile the us keymap\n");
        return 1;
    }
    const size_t keymapSize = strlen(keymapText) + 1;
    const int keymapFd = memfd_create("wlinput-keymap", MFD_CLOEXEC);
    if (keymapFd < 0 || write(keymapFd, keymapText, keymapSize) != (ssize_t)keymapSize) {
        fprintf(stderr, "wlinput: cannot hand over the keymap\n");
        return 1;
    }

    struct zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager, seat);
    struct zwp_virtual_keyboard_v1* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager, seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymapFd,
                                   (uint32_t)keymapSize);
    // Num Lock on, as on a desk where the number pad types digits: without it KP_1 types KP_End.
    const xkb_mod_index_t numLock = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_NUM);
    if (numLock != XKB_MOD_INVALID)
        zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 1u << numLock, 0);
    if (wl_display_roundtrip(display) < 0) {
        fprintf(stderr, "wlinput: the compositor refused the virtual devices\n");
        return 1;
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
                (unsigned)y >= height) {
                error = "move wants X Y inside the layout";
            } else {
                zwlr_virtual_pointer_v1_motion_absolute(pointer, nowMs(), (uint32_t)x, (uint32_t)y, width,
                                                        height);
                zwlr_virtual_pointer_v1_frame(pointer);
            }
        } else if (strcmp(verb, "down") == 0 || strcmp(verb, "up") == 0 || strcmp(verb, "click") == 0) {
            int button = 0;
            const int code = sscanf(line, "%*s %d", &button) == 1 ? buttonCode(button) : -1;
            if (code < 0) {
                error = "unknown button";
            } else {
                if (strcmp(verb, "up") != 0) {
                    zwlr_virtual_pointer_v1_button(pointer, nowMs(), (uint32_t)code,
                                                   WL_POINTER_BUTTON_STATE_PRESSED);
                    zwlr_virtual_pointer_v1_frame(pointer);
                }
                if (strcmp(verb, "down") != 0) {
                    zwlr_virtual_pointer_v1_button(pointer, nowMs(), (uint32_t)code,
                                                   WL_POINTER_BUTTON_STATE_RELEASED);
                    zwlr_virtual_pointer_v1_frame(pointer);
                }
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
                    zwp_virtual_keyboard_v1_key(keyboard, nowMs(), (uint32_t)code,
                                                WL_KEYBOARD_KEY_STATE_PRESSED);
                if (strcmp(verb, "keydown") != 0)
                    zwp_virtual_keyboard_v1_key(keyboard, nowMs(), (uint32_t)code,
                                                WL_KEYBOARD_KEY_STATE_RELEASED);
            }
        } else {
            error = "unknown command";
        }
        if (!error && wl_display_roundtrip(display) < 0)
            error = "the compositor closed the connection";
        if (error)
            printf("error: %s\n", error);
        else
            printf("ok\n");
        fflush(stdout);
        if (wl_display_get_error(display))
            return 1;
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwp_virtual_keyboard_v1_destroy(keyboard);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
