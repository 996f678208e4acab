// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <functional>

// The program places its windows at the screen edge and keeps them on top itself, which only X11 allows a
// program to do; a Wayland desktop runs it through XWayland. So it asks Qt for the X11 platform ("xcb")
// unless the user chose a platform, and it checks that an X server can be reached before Qt tries, since Qt
// aborts when its platform cannot connect.
namespace PlatformChoice {

struct Decision {
    // The platform to ask Qt for through QT_QPA_PLATFORM; empty: the user's choice stands.
    QByteArray platform;
    QByteArray warning; // a line for standard error, or empty
    QByteArray error;   // why the program cannot run, or empty
};

// `chosen`: the platform named by a -platform argument, else QT_QPA_PLATFORM (empty: none chosen).
// `display`: the X server named by a -display argument, else DISPLAY. `reachable` tries to connect to it.
Decision decide(const QByteArray& chosen, const QByteArray& display,
                const std::function<bool(const QByteArray&)>& reachable);

// Applies decide() to the command line and the environment before the application object exists: sets
// QT_QPA_PLATFORM, prints the warning or error. Returns false when the program cannot run.
bool prepare(int argc, char** argv);

} // namespace PlatformChoice
