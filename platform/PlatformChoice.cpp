// SPDX-License-Identifier: MIT
#include "PlatformChoice.h"

#include <QList>
#include <cstdio>

#ifdef BRIMVEL_X11
#include <X11/Xlib.h>
#endif

namespace PlatformChoice {

namespace {

constexpr char kX11[] = "xcb";

// The plugin name of a platform choice such as "xcb:option=value".
QByteArray pluginName(const QByteArray& choice) {
    const qsizetype colon = choice.indexOf(':');
    return (colon < 0 ? choice : choice.left(colon)).trimmed();
}

bool reachX11Server(const QByteArray& display) {
#ifdef BRIMVEL_X11
    Display* connection = XOpenDisplay(display.isEmpty() ? nullptr : display.constData());
    if (!connection)
        return false;
    XCloseDisplay(connection);
    return true;
#else
    Q_UNUSED(display);
    return true; // no X11 support built in: Qt will say what is wrong
#endif
}

// The value of a Qt command-line option given as "-name value", "--name value" or "-name=value".
QByteArray optionValue(int argc, char** argv, const char* name) {
    const QByteArray single = QByteArray("-") + name;
    const QByteArray dashed = QByteArray("--") + name;
    QByteArray value;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if ((argument == single || argument == dashed) && i + 1 < argc)
            value = argv[++i];
        else if (argument.startsWith(single + '=') || argument.startsWith(dashed + '='))
            value = argument.mid(argument.indexOf('=') + 1);
    }
    return value;
}

} // namespace

Decision decide(const QByteArray& chosen, const QByteArray& display,
                const std::function<bool(const QByteArray&)>& reachable) {
    Decision decision;
    // QT_QPA_PLATFORM may list fall-backs, tried in order: "xcb;wayland".
    const QList<QByteArray> candidates = chosen.split(';');
    const QByteArray first = pluginName(candidates.value(0));
    if (first.isEmpty())
        decision.platform = kX11;
    else if (first != kX11)
        decision.warning =
            "Brimvel runs on the " + first +
            " platform as asked: placing the tab at the screen edge and keeping it on top need "
            "X11 (QT_QPA_PLATFORM=xcb, XWayland on a Wayland desktop).";
    if ((first.isEmpty() || first == kX11) && candidates.size() <= 1 && !reachable(display))
        decision.error = "Brimvel needs an X server (XWayland on a Wayland desktop) and cannot reach " +
                         (display.isEmpty() ? QByteArray("one: DISPLAY is not set") : "\"" + display + "\"") +
                         ".";
    return decision;
}

bool prepare(int argc, char** argv) {
    QByteArray chosen = optionValue(argc, argv, "platform");
    if (chosen.isEmpty())
        chosen = qgetenv("QT_QPA_PLATFORM");
    QByteArray display = optionValue(argc, argv, "display");
    if (display.isEmpty())
        display = qgetenv("DISPLAY");
    const Decision decision = decide(chosen, display, reachX11Server);
    if (!decision.platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", decision.platform);
    if (!decision.warning.isEmpty())
        std::fprintf(stderr, "%s\n", decision.warning.constData());
    if (!decision.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", decision.error.constData());
        return false;
    }
    return true;
}

} // namespace PlatformChoice
