// SPDX-License-Identifier: MIT
#pragma once

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

// The Xlib connection of the running Qt application, or nullptr when the application does not run on X11
// (another platform plugin, or no application object yet). Requests made on it are ordered with Qt's own.
inline Display* qtX11Display() {
    if (!qGuiApp)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}
