// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

#include <X11/Xlib.h>

// Reading the X server's window tree and the properties its windows carry, for whoever has to find a window
// that is not its own (another instance's tab, the window manager's frame around a window, a window's
// stacking place). Windows that vanish while they are read are skipped: the caller's error handler (Qt's, in
// the program) ignores the errors their requests cause.
namespace X11Tree {

// The children of `parent`, bottom of the stack first; none when it cannot be read.
std::vector<Window> children(Display* display, Window parent);
// Every window below the root, parents before their children.
std::vector<Window> allWindows(Display* display);
// The child of the root that holds `window`: the window itself when it bypasses the window manager, the
// manager's frame around it otherwise; 0 when it is gone.
Window topLevelOf(Display* display, Window window);

// The items of a property of this type and format (8, 16 or 32), at most `maxItems` of them, as the X
// library hands them over (32-bit items as longs); nothing when the window does not carry it with that type.
std::optional<QByteArray> property(Display* display, Window window, Atom property, Atom type, int format,
                                   long maxItems);
// A text property of the given type (UTF8_STRING, STRING), taken as UTF-8.
std::optional<QString> text(Display* display, Window window, Atom property, Atom type);
// The 32-bit items of a property (ATOM, WINDOW, CARDINAL), at most `maxItems`.
std::vector<unsigned long> items(Display* display, Window window, Atom property, Atom type, long maxItems);
// Whether the window carries the property at all, of any type.
bool hasProperty(Display* display, Window window, Atom property);

} // namespace X11Tree
